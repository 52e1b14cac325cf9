#include "windows/app/safety_copy.h"

#include "core/program_state.h"
#include "core/safety_copy.h"
#include "rtf/rtf.h"
#include "system/disk_sync.h"
#include "system/private_folder.h"
#include "ui/dialogs.h"
#include "ui/rich_text_edit.h"
#include "ui/window_manager.h"
#include "windows/document/text_editor_window.h"
#include "windows/questionnaire/answer_page.h"
#include "windows/window_names.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QLocale>
#include <QLockFile>
#include <QTextDocument>

#include <algorithm>
#include <utility>
#include <vector>

namespace kt::app {

using namespace kt::ui;

namespace {

std::string native(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString lockPath(const QString& folder) {
    return folder + QStringLiteral("/lock");
}

// A run's lock: held while the run lives, free once it has ended or died.
std::unique_ptr<QLockFile> lockOf(const QString& folder) {
    auto lock = std::make_unique<QLockFile>(lockPath(folder));
    // Only a dead owner makes a lock stale, however long a live one has held it.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return nullptr;
    return lock;
}

bool anyText(const AnswerFields& fields) {
    return std::any_of(fields.begin(), fields.end(), [](const auto& f) { return f.has_value(); });
}

// The question put on top of the main menu: when the copy was made, what it holds, and what No
// does.
QString offerText(const safety::Copy& copy) {
    const auto& all = QuestionCatalog::instance().all();
    const auto answered = std::count_if(all.begin(), all.end(), [&](const CatalogEntry& e) {
        return copy.answers.isAnsweredOf(e);
    });
    QStringList held;
    if (answered > 0)
        held << (answered == 1 ? QStringLiteral("1 answer")
                               : QStringLiteral("%1 answers").arg(answered));
    if (const std::size_t photos = copy.photos.count(); photos > 0)
        held << (photos == 1 ? QStringLiteral("1 photo") : QStringLiteral("%1 photos").arg(photos));
    if (anyText(copy.boxes))
        held << QStringLiteral("writing on an answer page that had not been saved yet");
    if (copy.story)
        held << QStringLiteral("the changes you had made to your life story");
    if (held.isEmpty())
        held << QStringLiteral("no answers");
    const QString what = held.size() == 1
                             ? held.front()
                             : held.mid(0, held.size() - 1).join(QStringLiteral(", ")) +
                                   QStringLiteral(" and ") + held.back();

    const QLocale locale;
    const QDateTime made =
        QDateTime::fromString(QString::fromStdString(copy.about.made), Qt::ISODate).toLocalTime();
    const QString when = made.isValid()
                             ? QStringLiteral(" on %1 at %2")
                                   .arg(locale.toString(made.date(), QLocale::LongFormat),
                                        locale.toString(made.time(), QLocale::ShortFormat))
                             : QString();
    return QStringLiteral("Kithtale did not close the usual way last time, but what you had "
                          "written was kept safe.\n\nIt was kept%1 and holds %2.\n\nDo you want "
                          "to bring it back now?  ")
               .arg(when, what) +
           (copy.about.declined == 0
                ? QStringLiteral("If you choose No, it is kept, and you will be asked once more "
                                 "the next time you start Kithtale.")
                : QStringLiteral("You chose No once before: if you choose No again, it will be "
                                 "removed."));
}

} // namespace

// One update of the files, and what they hold once it has been applied.
struct SafetyCopy::Job {
    safety::Update update;
    Written written;
    bool holdsRestored = false;
};

SafetyCopy::SafetyCopy(ProgramState& state, WindowManager& windows, const QString& folder)
    : m_state(state), m_windows(windows),
      m_root(QDir(folder.isEmpty() ? system::programDataFolder() + QStringLiteral("/Safety copy")
                                   : folder)
                 .absolutePath()),
      m_filedRevision(state.answers.revision()), m_filedPhotos(state.photos.revision()) {
    // Named by when it started and its process; never a folder an earlier run left.
    const QString name =
        m_root + QLatin1Char('/') +
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss")) +
        QLatin1Char('-') + QString::number(QCoreApplication::applicationPid());
    m_run = name;
    for (int n = 2; QFileInfo::exists(m_run); ++n)
        m_run = name + QLatin1Char('-') + QString::number(n);
    lockRun();

    m_pauseTimer.setSingleShot(true);
    m_longestTimer.setSingleShot(true);
    connect(&m_pauseTimer, &QTimer::timeout, this, &SafetyCopy::pauseEnded);
    connect(&m_longestTimer, &QTimer::timeout, this, &SafetyCopy::update);
    connect(&windows, &WindowManager::programEnded, this, &SafetyCopy::dropRun);
    // A logout, or the program asked to quit from outside: what was typed since the last
    // pause is kept before the windows go.
#ifndef QT_NO_SESSIONMANAGER
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::commitDataRequest, this, &SafetyCopy::flush,
                Qt::DirectConnection);
#endif
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, &SafetyCopy::flush);
    // Every input of the whole program passes here: the pauses between them decide the writes.
    QCoreApplication::instance()->installEventFilter(this);
    UnsavedWork::install(this);
}

SafetyCopy::~SafetyCopy() {
    QCoreApplication::instance()->removeEventFilter(this);
    if (&UnsavedWork::current() == this)
        UnsavedWork::install(nullptr);
    flush();
    finishWriting();
    m_restoredLock.reset();
    m_lock.reset();
    // A run that leaves nothing to offer leaves no folder either.
    if (!m_ended && m_written.empty)
        QDir(m_run).removeRecursively();
}

bool SafetyCopy::lockRun() {
    if (m_lock)
        return true;
    if (!system::makePrivateFolder(m_run))
        return false;
    m_lock = lockOf(m_run);
    if (m_lock)
        QFile::setPermissions(lockPath(m_run), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return m_lock != nullptr;
}

void SafetyCopy::setTimings(const Timings& timings) {
    m_timings = timings;
}

bool SafetyCopy::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::InputMethod:
    case QEvent::MouseButtonRelease:
    case QEvent::Drop:
        noteInput();
        break;
    case QEvent::Show:
        if (m_offerAtShow && watched->objectName() == windows::kMainMenu) {
            m_offerAtShow = false;
            // Once the main menu is the active window, so the question stands on top of it.
            QTimer::singleShot(0, this, &SafetyCopy::offer);
        }
        break;
    default:
        break;
    }
    return false;
}

void SafetyCopy::noteInput() {
    // Cheap, as it runs for every key: the timers are started once and then only checked.
    m_sinceInput.start();
    if (!m_pauseTimer.isActive())
        m_pauseTimer.start(m_timings.pause);
    if (!m_longestTimer.isActive())
        m_longestTimer.start(m_timings.longest);
}

void SafetyCopy::pauseEnded() {
    const std::chrono::milliseconds since(m_sinceInput.elapsed());
    if (since < m_timings.pause) {
        m_pauseTimer.start(m_timings.pause - since);
        return;
    }
    update();
}

AnswerFields SafetyCopy::unsavedBoxText() const {
    AnswerFields fields = m_restoredBoxes;
    const QuestionCatalog& catalog = QuestionCatalog::instance();
    // Typed text lives in the page on the screen; a hidden page's boxes are refilled from the
    // store when it shows again, so what they still hold is already given up.
    for (const questionnaire::AnswerPageDesign& design : questionnaire::answerPageDesigns()) {
        const auto* page = qobject_cast<const questionnaire::AnswerPage*>(
            m_windows.find(questionnaire::answerPageName(design.section, design.page)));
        if (!page || !page->isVisible() || page->modifiedFlag() != questionnaire::Modified::Yes)
            continue;
        for (const CatalogEntry& e : catalog.questionsOnPage(design.section, design.page)) {
            const auto* box = page->findChild<const questionnaire::AnswerBox*>(
                QStringLiteral("txt") + QString::fromUtf8(e.key.stem));
            if (!box)
                continue;
            std::string text = box->answer();
            if (text != m_state.answers.textOf(e))
                fields[e.index()] = std::move(text);
        }
    }
    return fields;
}

std::optional<SafetyCopy::Job> SafetyCopy::prepare() {
    using safety::Part;
    const std::uint64_t answersRevision = m_state.answers.revision();
    const std::uint64_t photosRevision = m_state.photos.revision();
    AnswerFields boxes = unsavedBoxText();

    // The story: the editor's while it holds edits no file has (the document's own modified
    // flag is clear right after the composition puts it in), else one restored and not yet
    // opened.
    std::optional<StoryKey> story;
    const QTextDocument* document = nullptr;
    QString storyFile;
    const auto* editor =
        qobject_cast<const document::TextEditorWindow*>(m_windows.find(windows::kTextEditor));
    if (editor && editor->documentModified() && editor->txtEdit()->document()->isModified()) {
        document = editor->txtEdit()->document();
        story = StoryKey{document, editor->txtEdit()->revision(), document->revision()};
        storyFile = editor->currentFile();
    } else if (m_restoredStory) {
        story = StoryKey{this, 0, 0};
        storyFile = m_restoredStory->file;
    }

    Job job;
    job.holdsRestored = !m_restoredFrom.isEmpty();
    if (answersRevision == m_filedRevision && photosRevision == m_filedPhotos && !anyText(boxes) &&
        !story) {
        // Nothing that a file does not hold: nothing to offer.
        if (m_written.empty)
            return std::nullopt;
        job.update = {Part::remove(),
                      Part::remove(),
                      Part::remove(),
                      Part::remove(),
                      {Part::Action::Remove, {}}};
        return job;
    }

    bool changed = false;
    job.written = m_written;
    job.written.empty = false;
    if (m_written.answers != answersRevision) {
        job.update.answers = Part::write(encodeAnswerRecord(m_state.answers, RecordEncoding::Utf8));
        job.written.answers = answersRevision;
        changed = true;
    }
    if (m_written.photos != photosRevision) {
        // Only pictures the copy does not hold yet are written, so a copy is cheap to make.
        job.update.photos = {Part::Action::Write, m_state.photos};
        job.written.photos = photosRevision;
        changed = true;
    }
    if (m_written.boxes != boxes) {
        job.update.boxes = anyText(boxes) ? Part::write(encodeAnswerFields(boxes)) : Part::remove();
        job.written.boxes = std::move(boxes);
        changed = true;
    }
    if (m_written.story != story) {
        if (!story)
            job.update.story = Part::remove();
        else if (document)
            job.update.story = Part::write(rtf::write(*document).toStdString());
        else
            job.update.story = Part::write(m_restoredStory->rtf.toStdString());
        job.written.story = story;
        changed = true;
    }
    if (!changed && m_written.about)
        return std::nullopt;
    safety::About about;
    about.made = QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toStdString();
    about.storyFile = native(storyFile);
    job.update.about = Part::write(safety::encodeAbout(about));
    job.written.about = true;
    return job;
}

void SafetyCopy::update() {
    m_pauseTimer.stop();
    m_longestTimer.stop();
    if (m_ended)
        return;
    // One write at a time; the next one starts when it ends, with whatever has changed since.
    if (m_job.valid()) {
        m_again = true;
        return;
    }
    if (std::optional<Job> job = prepare())
        start(std::move(*job), false);
}

void SafetyCopy::flush() {
    if (m_ended)
        return;
    finishWriting();
    if (std::optional<Job> job = prepare())
        start(std::move(*job), true);
}

void SafetyCopy::start(Job job, bool now) {
    lockRun();
    m_writing = job.written;
    m_writingHoldsRestored = job.holdsRestored;
    auto work = [folder = native(m_run), update = std::move(job.update)] {
        std::string error;
        if (!safety::apply(folder, update, system::syncToDisk, &error) && error.empty())
            error = "unknown error";
        return error;
    };
    if (now) {
        std::promise<std::string> done;
        done.set_value(work());
        m_job = done.get_future();
        jobDone();
        return;
    }
    m_job = std::async(std::launch::async, [this, work = std::move(work)] {
        std::string error = work();
        QMetaObject::invokeMethod(this, &SafetyCopy::jobDone, Qt::QueuedConnection);
        return error;
    });
}

void SafetyCopy::finishWriting() {
    // The write that ends may start the next one, for what changed meanwhile: that too.
    while (m_job.valid())
        jobDone();
}

void SafetyCopy::jobDone() {
    if (!m_job.valid())
        return; // already taken by finishWriting
    const std::string error = m_job.get();
    const bool ok = error.empty();
    if (ok) {
        m_written = m_writing;
        m_failing = false;
        // The copy restored from can go once this run's copy holds its work.
        if (m_writingHoldsRestored && !m_restoredFrom.isEmpty()) {
            m_restoredLock.reset();
            QDir(m_restoredFrom).removeRecursively();
            m_restoredFrom.clear();
        }
    } else {
        // What is on the disk is not known: the next write writes every part again.
        m_written = Written{};
        m_written.empty = false;
        m_failing = true;
    }
    Q_EMIT written(ok);
    if (std::exchange(m_again, false))
        update();
    // From the event loop, not from inside a wait for the write, and not while the program quits.
    if (!ok)
        QTimer::singleShot(0, this, &SafetyCopy::tellFailureOnce);
}

void SafetyCopy::tellFailureOnce() {
    if (m_told || m_ended)
        return;
    m_told = true;
    messageBox(QStringLiteral("Kithtale could not keep a safety copy of your writing just now.  "
                              "The disk may be full, or the folder it is kept in may not allow "
                              "writing.\n\nYou can go on working as before.  To be safe, save "
                              "your story from the text editor (File, then Save) when you can.  "
                              "This message is shown only once."),
               QStringLiteral("Kithtale"), MsgIcon::Exclamation, MsgButton::Ok, MsgButton::Ok);
}

void SafetyCopy::filed() {
    m_filedRevision = m_state.answers.revision();
    m_filedPhotos = m_state.photos.revision();
    // Once the save that called has finished with the editor's flags.
    QTimer::singleShot(0, this, &SafetyCopy::update);
}

std::optional<std::string> SafetyCopy::takeBoxText(const CatalogEntry& entry) {
    return std::exchange(m_restoredBoxes[entry.index()], std::nullopt);
}

std::optional<windows::RestoredStory> SafetyCopy::takeStory() {
    return std::exchange(m_restoredStory, std::nullopt);
}

void SafetyCopy::offerAtMainMenu() {
    const ProgramWindow* menu = m_windows.find(windows::kMainMenu);
    if (menu && menu->isVisible())
        QTimer::singleShot(0, this, &SafetyCopy::offer);
    else
        m_offerAtShow = true;
}

void SafetyCopy::offer() {
    if (m_ended)
        return;
    struct Found {
        QString folder;
        std::unique_ptr<QLockFile> lock;
        safety::Copy copy;
    };
    std::vector<Found> found;
    const QFileInfoList runs = QDir(m_root).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo& run : runs) {
        const QString folder = run.absoluteFilePath();
        if (folder == m_run)
            continue;
        std::unique_ptr<QLockFile> lock = lockOf(folder);
        if (!lock)
            continue; // its program is still running
        safety::Copy copy;
        if (safety::read(native(folder), copy)) {
            found.push_back({folder, std::move(lock), std::move(copy)});
        } else if (!QFileInfo::exists(folder + QLatin1Char('/') +
                                      QString::fromLatin1(safety::kAboutFile.data(),
                                                          qsizetype(safety::kAboutFile.size())))) {
            // A run that left nothing to offer.
            lock.reset();
            QDir(folder).removeRecursively();
        }
        // A copy that cannot be read is left for someone to look at.
    }
    if (found.empty())
        return;
    // The newest is offered; the others, at later starts.
    const auto newest =
        std::max_element(found.begin(), found.end(), [](const Found& a, const Found& b) {
            return a.copy.about.made < b.copy.about.made;
        });
    Found chosen = std::move(*newest);
    found.clear();

    const MsgButton answer =
        messageBox(offerText(chosen.copy), QStringLiteral("Kithtale"), MsgIcon::Question,
                   MsgButton::Yes | MsgButton::No, MsgButton::Yes);
    if (m_ended)
        return;
    if (answer != MsgButton::Yes) {
        // Kept until a second No at a later start.
        if (chosen.copy.about.declined > 0) {
            chosen.lock.reset();
            QDir(chosen.folder).removeRecursively();
            return;
        }
        ++chosen.copy.about.declined;
        safety::Update mark;
        mark.about = safety::Part::write(safety::encodeAbout(chosen.copy.about));
        safety::apply(native(chosen.folder), mark, system::syncToDisk);
        return;
    }

    // All the answers at once, as a load does; the windows show them at their next activation.
    for (const CatalogEntry& e : QuestionCatalog::instance().all()) {
        if (const std::optional<std::string>& v = chosen.copy.answers.valueOf(e))
            m_state.answers.setTextOf(e, *v);
        else
            m_state.answers.setUnsetOf(e);
    }
    m_state.photos = std::move(chosen.copy.photos);
    m_restoredBoxes = std::move(chosen.copy.boxes);
    if (chosen.copy.story)
        m_restoredStory = windows::RestoredStory{
            QByteArray::fromStdString(*chosen.copy.story),
            QFile::decodeName(QByteArray::fromStdString(chosen.copy.about.storyFile))};
    m_restoredFrom = chosen.folder;
    m_restoredLock = std::move(chosen.lock);
    finishWriting();
    update();
}

void SafetyCopy::dropRun() {
    if (m_ended)
        return;
    m_ended = true;
    m_pauseTimer.stop();
    m_longestTimer.stop();
    finishWriting();
    m_lock.reset();
    QDir(m_run).removeRecursively();
    // Work restored from an earlier run was this run's, and goes with it.
    if (!m_restoredFrom.isEmpty()) {
        m_restoredLock.reset();
        QDir(m_restoredFrom).removeRecursively();
        m_restoredFrom.clear();
    }
}

} // namespace kt::app
