#include "ui/speller.h"

#include "ui/spell_marker.h"

#include <QDir>
#include <QFile>
#include <QLocale>

#include <hunspell.hxx>

#include <future>

namespace kt::ui {
namespace {

// Words longer than this are not judged (the library refuses them anyway).
constexpr int kMaxWordLength = 64;
// The memo is dropped when it grows past this many distinct words.
constexpr qsizetype kMaxVerdicts = 200000;

int g_generation = 1;
std::unique_ptr<Speller> g_current;
// The user's dictionary while it is read off the user-interface thread.
std::future<std::unique_ptr<Speller>> g_loading;

bool isApostrophe(QChar c) {
    return c == u'\'' || c == u'\u2019';
}
bool isWordChar(QChar c) {
    return c.isLetterOrNumber() || c.isMark();
}
// Characters that glue a word into an address, a path or an identifier.
bool isGlue(QChar c) {
    return c == u'@' || c == u'/' || c == u'\\' || c == u'_';
}
// The word as the dictionaries spell it: a typographic apostrophe is the plain one.
QString dictionaryForm(QStringView word) {
    QString form = word.toString();
    form.replace(u'\u2019', u'\'');
    return form;
}

void changed() {
    ++g_generation;
    SpellMarker::recheckAll();
}

} // namespace

Speller::Speller() = default;

Speller::Speller(const QString& affPath, const QString& dicPath) {
    if (!QFile::exists(affPath) || !QFile::exists(dicPath))
        return;
    auto hunspell = std::make_unique<Hunspell>(QFile::encodeName(affPath).constData(),
                                               QFile::encodeName(dicPath).constData());
    const QByteArray encoding = QByteArray::fromStdString(hunspell->get_dict_encoding());
    m_utf8 = encoding.compare("UTF-8", Qt::CaseInsensitive) == 0;
    if (!m_utf8) {
        m_encoder = QStringEncoder(encoding.constData());
        m_decoder = QStringDecoder(encoding.constData());
        if (!m_encoder.isValid() || !m_decoder.isValid())
            return; // an encoding the toolkit cannot write: no dictionary rather than nonsense
    }
    m_hunspell = std::move(hunspell);
}

Speller::~Speller() = default;

std::unique_ptr<Speller> Speller::forLocale(const QString& localeName, const QStringList& folders) {
    const QString language = localeName.section(u'_', 0, 0);
    QStringList wanted{localeName};
    for (const QString& folder : folders) {
        const QStringList sameLanguage =
            QDir(folder).entryList({language + QStringLiteral("_*.dic")}, QDir::Files, QDir::Name);
        for (const QString& dic : sameLanguage)
            wanted.append(dic.chopped(4));
    }
    wanted.append(QStringLiteral("en_US"));
    for (const QString& name : wanted) {
        if (name.isEmpty())
            continue;
        for (const QString& folder : folders) {
            const QString base = QDir(folder).filePath(name);
            auto speller = std::make_unique<Speller>(base + QStringLiteral(".aff"),
                                                     base + QStringLiteral(".dic"));
            if (speller->hasDictionary())
                return speller;
        }
    }
    return std::make_unique<Speller>();
}

void Speller::loadInBackground() {
    if (g_current || g_loading.valid())
        return;
    // Read here: the locale is the user-interface thread's to ask.
    const QString locale = QLocale::system().name();
    g_loading = std::async(std::launch::async, [locale] {
        return forLocale(locale, {QStringLiteral("/usr/share/hunspell")});
    });
}

Speller& Speller::current() {
    if (!g_current)
        g_current = g_loading.valid() ? g_loading.get()
                                      : forLocale(QLocale::system().name(),
                                                  {QStringLiteral("/usr/share/hunspell")});
    return *g_current;
}

void Speller::install(std::unique_ptr<Speller> speller) {
    if (g_loading.valid())
        g_loading.wait(); // a load under way ends before its result is dropped
    g_loading = {};
    g_current = std::move(speller);
    changed();
}

int Speller::generation() {
    return g_generation;
}

bool Speller::encode(QStringView word, std::string& out) {
    if (m_utf8) {
        out = word.toUtf8().toStdString();
        return true;
    }
    m_encoder.resetState();
    const QByteArray bytes = m_encoder.encode(word);
    out = bytes.toStdString();
    return !m_encoder.hasError();
}

QString Speller::decode(const std::string& bytes) {
    if (m_utf8)
        return QString::fromStdString(bytes);
    m_decoder.resetState();
    return m_decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

bool Speller::isCorrect(QStringView word) {
    if (!m_hunspell || word.size() > kMaxWordLength)
        return true;
    const QString key = dictionaryForm(word);
    const auto known = m_verdicts.constFind(key);
    if (known != m_verdicts.constEnd())
        return *known;
    bool correct = m_ignored.contains(key);
    std::string bytes;
    if (!correct)
        correct = !encode(key, bytes) || m_hunspell->spell(bytes);
    if (m_verdicts.size() >= kMaxVerdicts)
        m_verdicts.clear();
    m_verdicts.insert(key, correct);
    return correct;
}

QStringList Speller::suggestions(QStringView word, int max) {
    QStringList out;
    std::string bytes;
    if (!m_hunspell || word.size() > kMaxWordLength || !encode(dictionaryForm(word), bytes))
        return out;
    for (const std::string& s : m_hunspell->suggest(bytes)) {
        const QString suggestion = decode(s);
        if (!suggestion.isEmpty() && !out.contains(suggestion))
            out.append(suggestion);
        if (out.size() >= max)
            break;
    }
    return out;
}

void Speller::ignore(QStringView word) {
    m_ignored.insert(dictionaryForm(word));
    m_verdicts.insert(dictionaryForm(word), true);
    changed();
}

void Speller::forEachWord(QStringView text, const std::function<void(int, int)>& fn) {
    const auto n = static_cast<int>(text.size());
    int i = 0;
    while (i < n) {
        if (!isWordChar(text[i])) {
            ++i;
            continue;
        }
        const int start = i;
        bool digits = false;
        while (i < n) {
            if (isWordChar(text[i])) {
                digits = digits || text[i].isDigit();
                ++i;
            } else if (isApostrophe(text[i]) && i + 1 < n && text[i + 1].isLetter() &&
                       text[i - 1].isLetter()) {
                ++i;
            } else {
                break;
            }
        }
        const bool gluedBefore =
            start > 0 && (isGlue(text[start - 1]) ||
                          (text[start - 1] == u'.' && start > 1 && isWordChar(text[start - 2])));
        const bool gluedAfter =
            i < n && (isGlue(text[i]) || (text[i] == u'.' && i + 1 < n && isWordChar(text[i + 1])));
        if (!digits && !gluedBefore && !gluedAfter)
            fn(start, i - start);
    }
}

} // namespace kt::ui
