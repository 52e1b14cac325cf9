#include "windows/document/earlier_versions.h"

#include "core/answer_data_file.h"
#include "system/disk_sync.h"
#include "system/private_folder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <limits>
#include <map>
#include <optional>
#include <vector>

namespace kt::document {
namespace {

// Each version's files are named by when the story had been saved, in an order that sorts as
// the times do; a second version from the same second gets " 2", " 3"... after it.
const QString kStamp = QStringLiteral("yyyy-MM-dd HH-mm-ss");
const QString kStoryNameFile = QStringLiteral("story.txt");

// Copies a file atomically, on the disk before it counts as kept, readable by its owner alone.
bool copyKept(const QString& from, const QString& to, QString* error) {
    std::string bytes;
    std::string why;
    const bool ok = readWholeFile(QFile::encodeName(from).toStdString(), bytes, &why,
                                  std::numeric_limits<std::uintmax_t>::max()) &&
                    writeFileAtomically(QFile::encodeName(to).toStdString(), bytes, &why,
                                        system::syncToDisk, FileAccess::OwnerOnly);
    if (!ok && error)
        *error = QString::fromStdString(why);
    return ok;
}

// The story's own folder: its file name, and a digest of its whole path so that two stories of
// one name in different folders keep apart.
QString folderFor(const QString& storyPath) {
    const QString absolute = QFileInfo(storyPath).absoluteFilePath();
    const QByteArray digest =
        QCryptographicHash::hash(absolute.toUtf8(), QCryptographicHash::Sha1).toHex().left(8);
    QString name = QFileInfo(absolute).fileName();
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return earlierVersionsFolder() + QLatin1Char('/') + name + QLatin1Char(' ') +
           QString::fromLatin1(digest);
}

struct Stamped {
    QDateTime saved;
    int count = 1;
    bool operator<(const Stamped& other) const {
        return saved != other.saved ? saved < other.saved : count < other.count;
    }
};

// "2026-12-08 20-01-33" or "2026-12-08 20-01-33 2"; nothing for any other name.
std::optional<Stamped> stampOf(const QString& baseName) {
    const QDateTime saved = QDateTime::fromString(baseName.left(kStamp.size()), kStamp);
    if (!saved.isValid())
        return std::nullopt;
    Stamped s{saved, 1};
    if (baseName.size() > kStamp.size()) {
        bool ok = false;
        s.count = baseName.mid(kStamp.size() + 1).toInt(&ok);
        if (!ok || baseName.at(kStamp.size()) != QLatin1Char(' '))
            return std::nullopt;
    }
    return s;
}

// The versions in one story's folder, keyed by their stamp, oldest first.
std::map<Stamped, EarlierVersion> versionsIn(const QString& folder) {
    QFile nameFile(folder + QLatin1Char('/') + kStoryNameFile);
    const QString story = nameFile.open(QIODevice::ReadOnly) ? QString::fromUtf8(nameFile.readAll())
                                                             : QFileInfo(folder).fileName();
    std::map<Stamped, EarlierVersion> versions;
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo& f : files) {
        const std::optional<Stamped> stamp = stampOf(f.completeBaseName());
        const QString suffix = f.suffix();
        if (!stamp || (suffix != QLatin1String("rtf") && suffix != QLatin1String("dat")))
            continue;
        EarlierVersion& v = versions[*stamp];
        v.story = story;
        v.saved = stamp->saved;
        if (suffix == QLatin1String("rtf")) {
            v.rtf = f.absoluteFilePath();
            v.size = f.size();
        } else {
            v.answers = f.absoluteFilePath();
        }
    }
    return versions;
}

} // namespace

QString earlierVersionsFolder() {
    return system::programDataFolder() + QStringLiteral("/Earlier versions");
}

bool keepEarlierVersion(const QString& storyPath, QString* error) {
    std::string dataPath;
    if (!dataFilePathFor(QFile::encodeName(storyPath).toStdString(), &dataPath))
        return true; // nothing of ours is replaced under such a name
    const QString answers = QFile::decodeName(QByteArray::fromStdString(dataPath));
    const QFileInfo story(storyPath), data(answers);
    if (!story.isFile() && !data.isFile())
        return true;

    const QString folder = folderFor(storyPath);
    if (!system::makePrivateFolder(folder, error))
        return false;
    // The name it was saved under, for the list; written once.
    const QString nameFile = folder + QLatin1Char('/') + kStoryNameFile;
    if (!QFileInfo::exists(nameFile)) {
        std::string why;
        if (!writeFileAtomically(QFile::encodeName(nameFile).toStdString(),
                                 QFileInfo(storyPath).absoluteFilePath().toStdString(), &why, {},
                                 FileAccess::OwnerOnly)) {
            if (error)
                *error = QString::fromStdString(why);
            return false;
        }
    }

    // Named by when it had been saved; a second one from that second counts on from the last,
    // so names keep the order of the saves even after the oldest have gone.
    const QDateTime saved = (story.isFile() ? story : data).lastModified();
    const QString stamp = saved.toString(kStamp);
    int count = 0;
    for (const auto& [s, v] : versionsIn(folder))
        if (s.saved.toString(kStamp) == stamp)
            count = std::max(count, s.count);
    const QString base = count == 0 ? stamp : stamp + QLatin1Char(' ') + QString::number(count + 1);
    const QString kept = folder + QLatin1Char('/') + base;
    if (story.isFile() && !copyKept(storyPath, kept + QStringLiteral(".rtf"), error))
        return false;
    if (data.isFile() && !copyKept(answers, kept + QStringLiteral(".dat"), error))
        return false;

    // All but the last versions go.
    const std::map<Stamped, EarlierVersion> versions = versionsIn(folder);
    auto it = versions.begin();
    for (auto n = versions.size(); n > static_cast<std::size_t>(kKeptVersions); --n, ++it) {
        QFile::remove(it->second.rtf);
        QFile::remove(it->second.answers);
    }
    system::syncToDisk(QFile::encodeName(folder).toStdString(), nullptr);
    return true;
}

QList<EarlierVersion> earlierVersions() {
    std::vector<std::pair<Stamped, EarlierVersion>> all;
    const QFileInfoList folders =
        QDir(earlierVersionsFolder()).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo& folder : folders)
        for (auto& version : versionsIn(folder.absoluteFilePath()))
            all.push_back(std::move(version));
    std::stable_sort(all.begin(), all.end(),
                     [](const auto& a, const auto& b) { return b.first < a.first; });
    QList<EarlierVersion> newestFirst;
    for (auto& [stamp, version] : all)
        newestFirst.push_back(std::move(version));
    return newestFirst;
}

} // namespace kt::document
