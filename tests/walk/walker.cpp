// The walk itself: the actions the windows in front offer, the dialogs' outcomes, and the rules
// checked after every act.
#include "walk.h"

#include "core/answer_data_file.h"
#include "core/book.h"
#include "core/photo_folder.h"
#include "core/question_catalog.h"
#include "support/program_fixture.h"
#include "support/scripted_dialogs.h"
#include "ui/dialogs.h"
#include "ui/qs.h"
#include "ui/rich_text_edit.h"
#include "ui/speller.h"
#include "ui/window_manager.h"
#include "windows/app/program.h"
#include "windows/common/controls.h"
#include "windows/document/book_window.h"
#include "windows/document/text_editor_window.h"
#include "windows/questionnaire/answer_page.h"
#include "windows/questionnaire/section_screen.h"
#include "windows/window_names.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPrinter>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

namespace kt::walk {
namespace {

using namespace kt::ui;
using namespace kt::windows;
using document::TextEditorWindow;
using questionnaire::AnswerBox;
using questionnaire::AnswerPage;

const QString kEditor = QStringLiteral("frmTxtEditor");
const QString kNote = QStringLiteral("frmNote");
const QString kVersion = QStringLiteral("frmVersionHx");

int mod(int value, int n) {
    return n <= 0 ? 0 : ((value % n) + n) % n;
}

// ---------------------------------------------------------------------------------------------
// What a user types and pastes.

QString piece(int k) {
    static const QStringList words = {
        QStringLiteral("the "),
        QStringLiteral("grandmother "),
        QStringLiteral("we lived by the creek"),
        QStringLiteral("Summer. "),
        QStringLiteral("a"),
        QStringLiteral("school and friends, "),
    };
    static const QStringList misspelt = {
        QStringLiteral("helo "),      QStringLiteral("wrld"),     QStringLiteral("teh becuase "),
        QStringLiteral("grandmothr"), QStringLiteral("recieve "),
    };
    static const QStringList unicode = {
        QStringLiteral("caf\u00e9 na\u00efve "),
        QStringLiteral("\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac "),
        QStringLiteral("\u0440\u0443\u0441\u0441\u043a\u0438\u0439"),
        QStringLiteral("\u05e2\u05d1\u05e8\u05d9\u05ea \u0627\u0644\u0639\u0631\u0628\u064a\u0629"),
        QStringLiteral("\u4e2d\u6587\u5b57\u7b26\u65e5\u672c\u8a9e\ud55c\uad6d\uc5b4"),
        QStringLiteral("\U0001F600\U0001F469\u200d\U0001F469\u200d\U0001F467"),
        QStringLiteral("e\u0301o\u0308\u0327"),
        QStringLiteral("\u200b\u00ad\u00a0\ufeff"),
        QStringLiteral("\u2028"),
        QStringLiteral("\u2029"),
        QStringLiteral("\ufdd0\ufdd1"),
        QStringLiteral("\t\u0001\u001f"),
        QString(QChar(u'\xd800')),
        QString(QChar(u'\xdc00')) + QStringLiteral("x"),
        QString(QChar(u'\0')),
        QStringLiteral("{\\rtf1 \\par}"),
    };
    switch (mod(k, 10)) {
    case 0:
    case 1:
    case 2:
        return words[mod(k / 10, int(words.size()))];
    case 3:
    case 4:
        return misspelt[mod(k / 10, int(misspelt.size()))];
    case 5:
    case 6:
        return unicode[mod(k / 10, int(unicode.size()))];
    case 7:
        return QStringLiteral("\n");
    case 8:
        return QStringLiteral("\n\n");
    default:
        // Long stretches with no place to break a line, around the wrap guard's limit.
        switch (mod(k / 10, 4)) {
        case 0:
            return QString(1500, u'x');
        case 1:
            return QString(1001, u'-');
        case 2:
            return QStringLiteral("http://example.org/").repeated(60);
        default:
            return QString(999, u'w') + QStringLiteral(" ");
        }
    }
}

QString sampleText(int variant) {
    const int count = 1 + mod(variant, 4);
    QString text;
    unsigned v = static_cast<unsigned>(variant) / 4;
    for (int i = 0; i < count; ++i) {
        text += piece(static_cast<int>(v % 1000));
        v = v / 7 + 131 * static_cast<unsigned>(i + 1);
    }
    return text;
}

const QStringList& editorKeys() {
    static const QStringList keys = {
        QStringLiteral("Backspace"),
        QStringLiteral("Delete"),
        QStringLiteral("Return"),
        QStringLiteral("Left"),
        QStringLiteral("Right"),
        QStringLiteral("Up"),
        QStringLiteral("Down"),
        QStringLiteral("Home"),
        QStringLiteral("End"),
        QStringLiteral("Ctrl+Home"),
        QStringLiteral("Ctrl+End"),
        QStringLiteral("Shift+Left"),
        QStringLiteral("Shift+Right"),
        QStringLiteral("Ctrl+Shift+Home"),
        QStringLiteral("Ctrl+Shift+End"),
        QStringLiteral("PgDown"),
        QStringLiteral("PgUp"),
        QStringLiteral("Ctrl+Z"),
        QStringLiteral("Ctrl+Y"),
        QStringLiteral("Ctrl+Shift+Z"),
        QStringLiteral("Ctrl+X"),
        QStringLiteral("Ctrl+C"),
        QStringLiteral("Ctrl+V"),
        QStringLiteral("Ctrl+A"),
        QStringLiteral("Ctrl++"),
        QStringLiteral("Ctrl+-"),
        QStringLiteral("Tab"),
        QStringLiteral("Shift+Del"),
        QStringLiteral("Ctrl+Ins"),
        QStringLiteral("Shift+Ins"),
        QStringLiteral("Ctrl+Backspace"),
        QStringLiteral("Ctrl+Del"),
        QStringLiteral("Esc"),
        QStringLiteral("Ctrl+O"),
        QStringLiteral("Ctrl+S"),
        QStringLiteral("Ctrl+P"),
        QStringLiteral("Ctrl+R"),
        QStringLiteral("Ctrl+F"),
        QStringLiteral("F3"),
        QStringLiteral("Ctrl+T"),
        QStringLiteral("Ctrl+L"),
        QStringLiteral("Alt+S"),
        QStringLiteral("Alt+R"),
        QStringLiteral("Shift+Backspace"),
    };
    return keys;
}

const QStringList& windowKeys() {
    static const QStringList keys = {QStringLiteral("Return"), QStringLiteral("Escape"),
                                     QStringLiteral("Tab"),    QStringLiteral("Space"),
                                     QStringLiteral("Alt+X"),  QStringLiteral("Alt+R"),
                                     QStringLiteral("Alt+E"),  QStringLiteral("Alt+C")};
    return keys;
}

// ---------------------------------------------------------------------------------------------
// The walk's folders: files to open and load, where saves go, and places that refuse a write.

class Folders {
public:
    Folders() {
        m_pool = m_root.filePath(QStringLiteral("pool"));
        m_out = m_root.filePath(QStringLiteral("out"));
        QDir().mkpath(m_pool);
        QDir().mkpath(m_out);
        // A folder of the same name as a story file, and a file standing where a folder should.
        QDir().mkpath(m_out + QStringLiteral("/folder.rtf"));
        write(m_root.filePath(QStringLiteral("file-as-folder")), "not a folder");
        m_refusing = m_root.filePath(QStringLiteral("refusing"));
        QDir().mkpath(m_refusing);
        QFile::setPermissions(m_refusing, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        fillPool();
    }

    QString root() const { return m_root.path(); }
    QString out() const { return m_out; }
    QString pool() const { return m_pool; }

    // "pool/x.rtf" and the like, below the walk's root; absolute paths stay as they are.
    QString resolve(const std::string& path) const {
        const QString p = QString::fromStdString(path);
        return p.startsWith(u'/') ? p : m_root.filePath(p);
    }
    std::string relative(const QString& path) const {
        const QString root = m_root.path() + u'/';
        return (path.startsWith(root) ? path.mid(root.size()) : path).toStdString();
    }
    // A folder that refuses to be written to, also for a user (root) whom permissions do not stop.
    QString refusing() const { return ::geteuid() == 0 ? QStringLiteral("/proc") : m_refusing; }

    // Every file below the root (and the refusing place), with what tells a rewrite.
    std::map<QString, std::string> files() const {
        std::map<QString, std::string> out;
        for (const QString& top : {m_root.path(), refusing()}) {
            if (top == QStringLiteral("/proc"))
                continue;
            QDirIterator it(top, QDir::Files | QDir::Hidden | QDir::System,
                            QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString path = it.next();
                struct stat st {};
                if (::stat(QFile::encodeName(path).constData(), &st) != 0)
                    continue;
                out[path] = std::to_string(st.st_ino) + ':' + std::to_string(st.st_size) + ':' +
                            std::to_string(st.st_mtim.tv_sec) + '.' +
                            std::to_string(st.st_mtim.tv_nsec);
            }
        }
        return out;
    }

    QStringList storyPool() const {
        return listed({QStringLiteral("*.rtf"), QStringLiteral("*.txt"), QStringLiteral("*.bin"),
                       QStringLiteral("*.png")});
    }
    QStringList dataPool() const { return listed({QStringLiteral("*.dat")}); }
    QStringList picturePool() const {
        return listed({QStringLiteral("*.jpg"), QStringLiteral("*.png")});
    }

private:
    static void write(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    }

    QStringList listed(const QStringList& patterns) const {
        QStringList all;
        for (const QString& top : {m_pool, m_out}) {
            QDirIterator it(top, patterns, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext())
                all << it.next();
        }
        std::sort(all.begin(), all.end());
        return all;
    }

    void fillPool() {
        const QString data = QStringLiteral(KITHTALE_TEST_DATA_DIR);
        for (const char* sub :
             {"rtf-cases", "rtf-corpus", "rtf-fidelity", "rtf-regressions", "rtf-differential"}) {
            const QString to = m_pool + u'/' + QString::fromLatin1(sub);
            QDir().mkpath(to);
            QDirIterator it(data + u'/' + QString::fromLatin1(sub), QDir::Files);
            while (it.hasNext()) {
                const QString from = it.next();
                if (from.endsWith(QStringLiteral(".rtf")) ||
                    (from.endsWith(QStringLiteral(".txt")) &&
                     std::string_view(sub) == "rtf-corpus"))
                    QFile::copy(from, to + u'/' + QFileInfo(from).fileName());
            }
        }
        write(m_pool + QStringLiteral("/empty.rtf"), QByteArray());
        QByteArray binary;
        for (int i = 0; i < 4096; ++i)
            binary += static_cast<char>((i * 7919 + i / 13) & 0xff);
        write(m_pool + QStringLiteral("/binary.bin"), binary);
        write(m_pool + QStringLiteral("/utf8.txt"),
              QStringLiteral("Plain text\r\nwith caf\u00e9 and \U0001F600\r\n\r\nhelo wrld\n")
                  .toUtf8());
        write(m_pool + QStringLiteral("/cp1252.txt"), "Smart \x93quotes\x94 \x80 50\r\n");
        write(m_pool + QStringLiteral("/deep.rtf"),
              "{\\rtf1 " + QByteArray(20000, '{') + "deep" + QByteArray(20000, '}') + "}");
        write(m_pool + QStringLiteral("/huge-bin.rtf"), "{\\rtf1 text\\bin2147483647 xyz}");
        write(m_pool + QStringLiteral("/unterminated.rtf"),
              "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 half a story\\par {\\b bold");
        write(m_pool + QStringLiteral("/long-line.txt"), QByteArray(3000, 'z') + " end\n");
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::red);
        image.save(m_pool + QStringLiteral("/picture.png"));
        for (const char* photo : {"exif-right-top.jpg", "not-a-picture.jpg"})
            QFile::copy(data + QStringLiteral("/photos/") + QString::fromLatin1(photo),
                        m_pool + u'/' + QString::fromLatin1(photo));

        AnswerStore full;
        AnswerStore partial;
        for (const CatalogEntry& e : QuestionCatalog::instance().all()) {
            const std::string n = std::to_string(e.sequence);
            full.setTextOf(e, "Answer " + n + (e.sequence % 5 == 0 ? "\r\nsecond line" : ""));
            if (e.sequence % 3 == 0)
                partial.setTextOf(e, e.sequence % 2 ? "caf\xc3\xa9 \"quoted\", comma" : "");
        }
        write(m_pool + QStringLiteral("/complete.dat"),
              QByteArray::fromStdString(encodeAnswerRecord(full)));
        const QByteArray some = QByteArray::fromStdString(encodeAnswerRecord(partial));
        write(m_pool + QStringLiteral("/partial.dat"), some);
        write(m_pool + QStringLiteral("/truncated.dat"), some.left(some.size() / 2));
        write(m_pool + QStringLiteral("/empty.dat"), QByteArray());
        write(m_pool + QStringLiteral("/garbage.dat"), binary.left(600));
    }

    QTemporaryDir m_root;
    QString m_pool;
    QString m_out;
    QString m_refusing;
};

// ---------------------------------------------------------------------------------------------
// Watches that every act finishes: a frozen program is a failure too.

class Watchdog {
public:
    explicit Watchdog(int seconds) : m_limit(seconds) {
        m_thread = std::thread([this] {
            while (!m_stop) {
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
                const std::lock_guard<std::mutex> lock(m_mutex);
                if (m_since &&
                    now - m_since >
                        std::chrono::nanoseconds(std::chrono::seconds(m_limit)).count()) {
                    std::fprintf(stderr, "WALK FROZEN: an act took more than %d s: %s\n", m_limit,
                                 m_trace.c_str());
                    std::fflush(stderr);
                    std::abort();
                }
            }
        });
    }
    ~Watchdog() {
        m_stop = true;
        m_thread.join();
    }
    // The act that runs, told if it freezes.
    void started(const std::string& trace) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_trace = trace;
        m_since = std::chrono::steady_clock::now().time_since_epoch().count();
    }
    void finished() { m_since = 0; }

private:
    int m_limit;
    std::atomic<bool> m_stop{false};
    std::atomic<long long> m_since{0};
    std::mutex m_mutex;
    std::string m_trace;
    std::thread m_thread;
};

// ---------------------------------------------------------------------------------------------

struct PageTrack {
    int editActs = 0;     // acts that typed, keyed or pasted into its boxes since the last reset
    bool changed = false; // whether any of them changed a box's text
};

struct Snapshot {
    std::map<QString, std::string> files;
    AnswerStore store;
    QStringList visible;
    QString active;
    QPointer<TextEditorWindow> editor;
    std::optional<QString> editorText;
    QPointer<QTextDocument> editorDocument; // Open puts in another one
    bool editorModified = false;
    QString editorFile;
    std::map<QString, std::vector<std::string>> boxes; // answer pages that exist
    std::size_t messages = 0;
};

class Walker final : public Dialogs {
public:
    Walker();
    ~Walker() override;

    Outcome run(std::function<bool()> nextAct);
    void setReplaying(bool replaying) { m_replaying = replaying; }
    // Told every act as it starts and every answer as it is given, so that a walk that crashes
    // still tells what it did.
    void setTrace(std::function<void(const std::string&)> trace) { m_trace = std::move(trace); }
    bool randomNext(const std::vector<Step>& steps, std::size_t& at);
    bool replayNext(const std::vector<Act>& acts, std::size_t& at);

    // The dialog seam's answers, through ScriptedDialogs (which records every request).
    MsgButton message(const MessageRequest& r) override;
    std::optional<QString> input(const InputRequest& r) override;
    std::optional<QString> openFile(const FileRequest& r) override;
    std::optional<QStringList> openFiles(const FileRequest& r) override;
    std::optional<QString> saveFile(const FileRequest& r) override;
    std::optional<FontChoice> font(const FontRequest& r) override;
    std::optional<QColor> color(const QColor& initial) override;
    bool printer(QPrinter& printer, const PrinterRequest& r) override;
    bool form(QDialog& dialog) override;
    std::optional<int> choose(const ChoiceRequest& r) override;

private:
    struct Running {
        std::size_t act; // index into m_acts
        const Step* step;
        std::size_t nextChoice = 0;
        std::size_t nextAnswer = 0;
    };
    struct Option {
        std::string what;
        std::string target;
        double weight;
    };

    WindowManager& wm() { return m_program->windows(); }
    void settle();
    void restart();
    void fail(const std::string& why);

    std::vector<Option> options();
    Act actFor(const Step& step);
    void runAct(Act act, const Step* step);
    void perform(const Act& act);
    void pump();
    bool waitingForNote();

    // Dialog answers: the next choice of the running step (random) or the recorded answer.
    int choose(int n);
    std::optional<std::string> recorded(const std::string& kind);
    void answered(const std::string& answer);
    static void allowSaveOf(const QString& story, std::set<QString>& files,
                            std::set<QString>& folders, std::set<QString>& books);
    bool replaying() const { return m_replaying; }

    Snapshot snapshot();
    void check(const Act& act);
    void checkWindows();
    void checkFiles(const Snapshot& now);
    void checkStore(const Act& act, const Snapshot& now);
    void checkPages(const Act& act, const Snapshot& now);
    void checkEditor(const Snapshot& now);
    void checkMarks(const Snapshot& now);

    QWidget* widgetAt(const std::string& target);
    std::vector<QWidget*> shownWindows() const;

    Folders m_folders;
    test::ScriptedDialogs m_scripted;
    std::unique_ptr<app::Program> m_program;
    RichTextEdit m_reader; // reads saved stories back, never shown
    Watchdog m_watchdog{120};
    QTimer m_pumpTimer;

    std::vector<Act> m_acts;
    std::vector<Running> m_running;
    std::function<bool()> m_next;
    std::function<void(const std::string&)> m_trace;
    bool m_replaying = false;
    bool m_pumping = false;
    bool m_performing = false;
    std::string m_failure;
    int m_restarts = 0;

    Snapshot m_prev;
    std::set<QString> m_mayWrite;      // files a dialog answer since the last check named
    std::set<QString> m_mayWriteIn;    // and folders, whose files come and go (with a '/')
    std::set<QString> m_mayWriteBooks; // the book settings among the files
    std::map<QString, PageTrack> m_pages;
    std::optional<QString> m_editorBaseline; // the text as last saved or opened
    QPointer<TextEditorWindow> m_baselineEditor;
};

Walker::Walker() {
    Speller::install(
        std::make_unique<Speller>(QStringLiteral(KITHTALE_TEST_DATA_DIR "/spelling/en_TEST.aff"),
                                  QStringLiteral(KITHTALE_TEST_DATA_DIR "/spelling/en_TEST.dic")));
    m_scripted.answerOthersWith(this);
    QGuiApplication::clipboard()->clear();
    m_pumpTimer.setInterval(2);
    QObject::connect(&m_pumpTimer, &QTimer::timeout, [this] { pump(); });
    m_program = std::make_unique<app::Program>();
    m_program->start();
    settle();
    m_prev = snapshot();
}

Walker::~Walker() {
    m_pumpTimer.stop();
    m_program.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    m_scripted.answerOthersWith(nullptr);
    Speller::install(nullptr);
}

void Walker::settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (m_program)
            wm().settle();
    }
}

void Walker::restart() {
    ++m_restarts;
    m_program.reset();
    settle();
    m_program = std::make_unique<app::Program>();
    m_program->start();
    settle();
    m_pages.clear();
    m_editorBaseline.reset();
    m_baselineEditor = nullptr;
    m_mayWrite.clear();
    m_mayWriteIn.clear();
    m_mayWriteBooks.clear();
    m_prev = snapshot();
}

void Walker::fail(const std::string& why) {
    if (!m_failure.empty())
        return;
    m_failure = why;
    // Whatever waits (the editor for its note) gives up, so the walk unwinds.
    if (m_program)
        wm().endProgram();
}

std::vector<QWidget*> Walker::shownWindows() const {
    std::vector<QWidget*> shown;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            shown.push_back(w);
    std::sort(shown.begin(), shown.end(),
              [](QWidget* a, QWidget* b) { return a->objectName() < b->objectName(); });
    return shown;
}

bool Walker::waitingForNote() {
    if (!m_program)
        return false;
    auto* editor = qobject_cast<TextEditorWindow*>(wm().find(kEditor));
    ProgramWindow* note = wm().find(kNote);
    return editor && editor->waitingForSave() && note && note->isVisible();
}

// ---------------------------------------------------------------------------------------------
// Choosing and carrying out acts.

std::vector<Walker::Option> Walker::options() {
    std::vector<Option> all;
    for (QWidget* top : shownWindows()) {
        auto* w = qobject_cast<ProgramWindow*>(top);
        if (!w)
            continue;
        const std::string name = w->objectName().toStdString();
        all.push_back({"close", name, 1.0});

        std::vector<std::string> clickable;
        for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
            if (b->isVisibleTo(w) && b->isEnabled() && !b->objectName().isEmpty())
                clickable.push_back(name + '/' + b->objectName().toStdString());
        for (ClickLabel* l : w->findChildren<ClickLabel*>())
            if (l->isVisibleTo(w) && !l->objectName().isEmpty())
                clickable.push_back(name + '/' + l->objectName().toStdString());
        for (const std::string& c : clickable)
            all.push_back({"click", c, 8.0 / double(clickable.size())});

        std::vector<std::string> texts;
        for (QAbstractScrollArea* t : w->findChildren<QAbstractScrollArea*>())
            if ((qobject_cast<QPlainTextEdit*>(t) || qobject_cast<QTextEdit*>(t)) &&
                t->isVisibleTo(w))
                texts.push_back(name + '/' + t->objectName().toStdString());
        const double n = double(texts.size());
        for (const std::string& t : texts) {
            all.push_back({"type", t, 12 / n});
            all.push_back({"key", t, 8 / n});
            all.push_back({"paste", t, 3 / n});
            all.push_back({"select", t, 3 / n});
            all.push_back({"wheel", t, 1 / n});
            all.push_back({"scroll", t, 0.5 / n});
        }
        if (texts.empty())
            all.push_back({"key", name, 1.0});

        if (w->objectName() == kEditor) {
            std::vector<std::string> items;
            for (QAction* a : w->findChildren<QAction*>())
                if (a->objectName().startsWith(QStringLiteral("mnu")) && a->isEnabled())
                    items.push_back(name + '/' + a->objectName().toStdString());
            for (const std::string& i : items)
                all.push_back({"menu", i, 9.0 / double(items.size())});
            all.push_back({"editmenu", name, 1.0});
            all.push_back({"resize", name, 0.5});
        }
    }
    return all;
}

Act Walker::actFor(const Step& step) {
    const std::vector<Option> all = options();
    double total = 0;
    for (const Option& o : all)
        total += o.weight;
    double x = total * mod(step.pick, 1 << 20) / double(1 << 20);
    const Option* chosen = &all.back();
    for (const Option& o : all) {
        if (x < o.weight) {
            chosen = &o;
            break;
        }
        x -= o.weight;
    }
    Act act{chosen->what, chosen->target, {}, {}};
    const bool window = act.target.find('/') == std::string::npos;
    if (act.what == "type") {
        act.text = encodeText(sampleText(step.variant));
    } else if (act.what == "key") {
        const QStringList& keys = window ? windowKeys() : editorKeys();
        act.text = keys[mod(step.detail, int(keys.size()))].toStdString();
    } else if (act.what == "paste") {
        static const char* const kinds[] = {"t", "t", "h", "i", "b"};
        act.text =
            std::string(kinds[mod(step.detail, 5)]) + ':' + encodeText(sampleText(step.variant));
        // Now and then more than a million characters, which the program works on under the
        // wait cursor; slow, so only when asked for.
        static const bool big = qEnvironmentVariableIntValue("KITHTALE_WALK_BIG") != 0;
        if (big && mod(step.detail, 64) == 63)
            act.text = "B:";
    } else if (act.what == "select") {
        auto* w = widgetAt(act.target);
        QTextDocument* doc = nullptr;
        if (auto* e = qobject_cast<QTextEdit*>(w))
            doc = e->document();
        else if (auto* p = qobject_cast<QPlainTextEdit*>(w))
            doc = p->document();
        const int size = doc ? doc->characterCount() : 1;
        const int a = mod(step.detail, size);
        const int b = mod(step.variant, size);
        act.text = std::to_string(a) + ',' + std::to_string(b);
    } else if (act.what == "wheel") {
        act.text = mod(step.detail, 2) ? "+120" : "-120";
    } else if (act.what == "scroll") {
        act.text = std::to_string(mod(step.detail, 101));
    } else if (act.what == "resize") {
        act.text = std::to_string(150 + mod(step.detail, 1100)) + 'x' +
                   std::to_string(100 + mod(step.variant, 800));
    }
    return act;
}

QWidget* Walker::widgetAt(const std::string& target) {
    const QString t = QString::fromStdString(target);
    const qsizetype slash = t.indexOf(u'/');
    ProgramWindow* w = wm().find(slash < 0 ? t : t.left(slash));
    if (!w || !w->isVisible())
        return nullptr;
    if (slash < 0)
        return w;
    return w->findChild<QWidget*>(t.mid(slash + 1));
}

void Walker::runAct(Act act, const Step* step) {
    if (!m_failure.empty())
        return;
    const std::size_t index = m_acts.size();
    m_acts.push_back(std::move(act));
    m_running.push_back({index, step});
    if (m_trace)
        m_trace("act " + std::to_string(index) + '\t' + writeActs({m_acts[index]}));
    m_watchdog.started(m_acts[index].what + ' ' + m_acts[index].target);
    const bool outermost = m_running.size() == 1;
    if (outermost)
        m_pumpTimer.start();
    {
        const QScopedValueRollback<bool> performing(m_performing, true);
        perform(m_acts[index]);
    }
    settle();
    // An access key presses its button for a tenth of a second before it clicks: a user is
    // never faster than that, so the walk waits for the click too.
    QElapsedTimer pressed;
    pressed.start();
    while (pressed.elapsed() < 1000 && m_program) {
        bool down = false;
        for (QWidget* top : QApplication::topLevelWidgets())
            for (QAbstractButton* b : top->findChildren<QAbstractButton*>())
                down = down || b->isDown();
        if (!down)
            break;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        settle();
    }
    if (outermost)
        m_pumpTimer.stop();
    m_watchdog.finished();
    if (replaying() && m_running.back().nextAnswer < m_acts[index].answers.size())
        fail("act " + std::to_string(index + 1) + " asked fewer dialogs than when it was recorded");
    m_running.pop_back();
    check(m_acts[index]);
    if (m_failure.empty() && m_running.empty() && wm().ending())
        restart();
}

void Walker::pump() {
    // An act that waits for the save note in an event loop of its own: the user goes on acting
    // meanwhile, and these acts run inside the wait, as the user's would. Once an act has
    // returned, its own check comes before any further act.
    if (m_pumping || !m_performing || !waitingForNote())
        return;
    m_pumping = true;
    while (m_failure.empty() && waitingForNote()) {
        if (!m_next()) {
            // Out of steps: the user closes the note, which ends the wait.
            runAct({"close", kNote.toStdString(), {}, {}}, nullptr);
            break;
        }
    }
    m_pumping = false;
}

void Walker::perform(const Act& act) {
    QWidget* w = widgetAt(act.target);
    QAction* action = nullptr;
    if (!w && act.what == "menu") {
        const QString t = QString::fromStdString(act.target);
        if (ProgramWindow* window = wm().find(t.section(u'/', 0, 0)); window && window->isVisible())
            action = window->findChild<QAction*>(t.section(u'/', 1));
    }
    if (!w && !action) {
        fail("act " + std::to_string(m_acts.size()) + " (" + act.what + " " + act.target +
             ") has nothing to act on");
        return;
    }
    const QString text = decodeText(act.text);
    if (act.what == "click") {
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center());
        else
            QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
    } else if (act.what == "close") {
        w->close();
    } else if (act.what == "key") {
        const QKeySequence sequence = QKeySequence::fromString(text);
        if (sequence.isEmpty()) {
            fail("no such key: " + act.text);
            return;
        }
        const QKeyCombination k = sequence[0];
        // A key pressed on a window goes to whatever has the focus there, once the user has
        // brought the window to the front: shortcuts and access keys belong to the active one.
        if (w->isWindow() && QApplication::activeWindow() != w) {
            w->activateWindow();
            settle();
        }
        QWidget* to = w->isWindow() && w->focusWidget() ? w->focusWidget() : w;
        QTest::keyClick(to, k.key(), k.keyboardModifiers());
    } else if (act.what == "type") {
        // Plain letters as key presses, a line break as Return, anything else (and long
        // stretches) as an input method commits it.
        QString ime;
        const auto commit = [&] {
            if (ime.isEmpty())
                return;
            QInputMethodEvent e;
            e.setCommitString(ime);
            QCoreApplication::sendEvent(w, &e);
            ime.clear();
        };
        if (text.size() > 64) {
            ime = text;
            commit();
        } else {
            for (const QChar c : text) {
                if (c == u'\n') {
                    commit();
                    QTest::keyClick(w, Qt::Key_Return);
                } else if (c.unicode() >= 0x20 && c.unicode() < 0x7f) {
                    commit();
                    QTest::keyClick(w, c.toLatin1());
                } else {
                    ime += c;
                }
            }
            commit();
        }
    } else if (act.what == "paste") {
        auto* mime = new QMimeData;
        const QString body = text.mid(2);
        switch (text.isEmpty() ? u't' : text[0].unicode()) {
        case u'h':
            mime->setHtml(QStringLiteral("<b>") + body.toHtmlEscaped() +
                          QStringLiteral("</b> <a href=\"http://example.org\">link</a>"
                                         "<table><tr><td>cell</td><td>two</td></tr></table>"
                                         "<ul><li>item</li></ul><img src=\"none.png\">"));
            break;
        case u'i': {
            QImage image(16, 16, QImage::Format_RGB32);
            image.fill(Qt::blue);
            mime->setImageData(image);
            break;
        }
        case u'b':
            mime->setHtml(QStringLiteral("<i>") + body.toHtmlEscaped() + QStringLiteral("</i>"));
            mime->setText(body);
            break;
        case u'B':
            mime->setText(QStringLiteral("A long story. ").repeated(80'000));
            break;
        default:
            mime->setText(body);
        }
        QGuiApplication::clipboard()->setMimeData(mime);
        QTest::keyClick(w, Qt::Key_V, Qt::ControlModifier);
    } else if (act.what == "select") {
        const int a = text.section(u',', 0, 0).toInt();
        const int b = text.section(u',', 1, 1).toInt();
        const auto selectIn = [&](auto* edit) {
            QTextCursor c(edit->document());
            const int last = edit->document()->characterCount() - 1;
            c.setPosition(std::clamp(a, 0, last));
            c.setPosition(std::clamp(b, 0, last), QTextCursor::KeepAnchor);
            edit->setTextCursor(c);
        };
        if (auto* e = qobject_cast<QTextEdit*>(w))
            selectIn(e);
        else if (auto* p = qobject_cast<QPlainTextEdit*>(w))
            selectIn(p);
    } else if (act.what == "wheel") {
        test::turnWheel(w, text.toInt(), Qt::ControlModifier);
    } else if (act.what == "scroll") {
        if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) {
            QScrollBar* bar = area->verticalScrollBar();
            bar->setValue(bar->maximum() * text.toInt() / 100);
        }
    } else if (act.what == "menu") {
        action->trigger();
    } else if (act.what == "editmenu") {
        if (auto* menu = w->findChild<QMenu*>(QStringLiteral("mnuEdit")))
            Q_EMIT menu->aboutToShow();
    } else if (act.what == "resize") {
        w->resize(text.section(u'x', 0, 0).toInt(), text.section(u'x', 1, 1).toInt());
    } else {
        fail("unknown act " + act.what);
    }
}

bool Walker::randomNext(const std::vector<Step>& steps, std::size_t& at) {
    if (at >= steps.size() || !m_failure.empty())
        return false;
    const Step& step = steps[at++];
    runAct(actFor(step), &step);
    return true;
}

bool Walker::replayNext(const std::vector<Act>& acts, std::size_t& at) {
    if (at >= acts.size() || !m_failure.empty())
        return false;
    runAct(acts[at++], nullptr);
    return true;
}

Outcome Walker::run(std::function<bool()> nextAct) {
    m_next = std::move(nextAct);
    while (m_failure.empty() && m_next()) {
    }
    return {m_failure, m_acts, m_restarts};
}

// ---------------------------------------------------------------------------------------------
// Dialogs.

int Walker::choose(int n) {
    if (m_running.empty())
        return 0;
    Running& r = m_running.back();
    if (!r.step || r.nextChoice >= r.step->choices.size())
        return 0;
    return mod(r.step->choices[r.nextChoice++], n);
}

std::optional<std::string> Walker::recorded(const std::string& kind) {
    if (m_running.empty()) {
        fail("a " + kind + " dialog came up outside any act");
        return std::nullopt;
    }
    Running& r = m_running.back();
    const Act& act = m_acts[r.act];
    if (r.nextAnswer >= act.answers.size() || act.answers[r.nextAnswer].rfind(kind, 0) != 0) {
        fail("act " + std::to_string(r.act + 1) + " asked a " + kind +
             " dialog that it did not ask when it was recorded");
        return std::nullopt;
    }
    return act.answers[r.nextAnswer++];
}

void Walker::answered(const std::string& answer) {
    if (m_running.empty()) {
        fail("a dialog came up outside any act: " + answer);
        return;
    }
    if (!replaying())
        m_acts[m_running.back().act].answers.push_back(answer);
    if (m_trace)
        m_trace("answer " + std::to_string(m_running.back().act) + '\t' + answer + '\n');
    // A file a dialog named may be written by this act.
    const std::size_t colon = answer.find(':');
    const std::string kind = answer.substr(0, colon);
    if (colon != std::string::npos && (kind == "save" || kind == "printer")) {
        const QString path = m_folders.resolve(answer.substr(colon + 1));
        if (kind == "save" && !path.endsWith(QStringLiteral(".pdf")))
            allowSaveOf(path, m_mayWrite, m_mayWriteIn, m_mayWriteBooks);
        else
            m_mayWrite.insert(path);
    }
}

// What saving the story `story` may write: the story, and beside it its answers, the book's
// settings and the photo folder (whose pictures come and go with the photos).
void Walker::allowSaveOf(const QString& story, std::set<QString>& files, std::set<QString>& folders,
                         std::set<QString>& books) {
    files.insert(story);
    std::string data;
    if (!dataFilePathFor(QFile::encodeName(story).toStdString(), &data, nullptr))
        return;
    const auto decoded = [](const std::string& p) {
        return QFile::decodeName(QByteArray::fromStdString(p));
    };
    files.insert(decoded(data));
    files.insert(decoded(bookOptionsFileFor(data)));
    books.insert(decoded(bookOptionsFileFor(data)));
    folders.insert(decoded(photoFolderFor(data)) + u'/');
}

namespace {
std::string buttonName(MsgButton b) {
    switch (b) {
    case MsgButton::Ok:
        return "Ok";
    case MsgButton::Yes:
        return "Yes";
    case MsgButton::No:
        return "No";
    case MsgButton::Cancel:
        return "Cancel";
    default:
        return "None";
    }
}
} // namespace

MsgButton Walker::message(const MessageRequest& r) {
    std::vector<MsgButton> offered;
    for (MsgButton b : {MsgButton::Ok, MsgButton::Yes, MsgButton::No, MsgButton::Cancel})
        if (r.buttons.testFlag(b))
            offered.push_back(b);
    if (offered.empty() || !r.buttons.testFlag(r.defaultButton))
        fail("a message box with no buttons or a default it does not offer: " +
             r.text.toStdString());
    if (offered.empty())
        return MsgButton::Ok;
    MsgButton answer = offered[std::size_t(choose(int(offered.size())))];
    if (replaying()) {
        const std::optional<std::string> a = recorded("msg:");
        answer = MsgButton::Cancel;
        for (MsgButton b : offered)
            if (a && *a == "msg:" + buttonName(b))
                answer = b;
        if (a && answer == MsgButton::Cancel && *a != "msg:Cancel")
            fail("act asked a message box without the button it was answered with: " + *a);
    }
    answered("msg:" + buttonName(answer));
    return answer;
}

std::optional<QString> Walker::input(const InputRequest&) {
    std::optional<QString> answer;
    if (replaying()) {
        const std::optional<std::string> a = recorded("input");
        if (a && a->rfind("input:", 0) == 0)
            answer = decodeText(a->substr(6));
    } else {
        switch (choose(8)) {
        case 0:
            answer = QStringLiteral("childhood");
            break;
        case 1:
            answer = std::nullopt;
            break;
        case 2:
            answer = QString();
            break;
        case 3:
            answer = QStringLiteral("e");
            break;
        case 4:
            answer = QStringLiteral("HELO");
            break;
        case 5:
            answer = QStringLiteral("\r\n");
            break;
        case 6:
            answer = QString(1200, u'x');
            break;
        default:
            answer = piece(choose(1000));
        }
    }
    answered(answer ? "input:" + encodeText(*answer) : "input-cancel");
    return answer;
}

std::optional<QString> Walker::openFile(const FileRequest& r) {
    std::optional<QString> answer;
    if (replaying()) {
        const std::optional<std::string> a = recorded("open");
        if (a && a->rfind("open:", 0) == 0)
            answer = m_folders.resolve(a->substr(5));
    } else {
        const bool data = r.filter.contains(QStringLiteral("*.dat"));
        QStringList pool = data ? m_folders.dataPool() : m_folders.storyPool();
        pool << m_folders.out() + QStringLiteral("/missing.rtf");
        if (data)
            pool << m_folders.pool() + QStringLiteral("/rtf-corpus/lo-empty.rtf");
        const int c = choose(int(pool.size()) + 2);
        if (c < int(pool.size()))
            answer = pool[c];
    }
    answered(answer ? "open:" + m_folders.relative(*answer) : "open-cancel");
    return answer;
}

// "opens:a|b" names the files chosen together, as the file dialog hands them over.
std::optional<QStringList> Walker::openFiles(const FileRequest&) {
    std::optional<QStringList> answer;
    if (replaying()) {
        const std::optional<std::string> a = recorded("opens");
        if (a && a->rfind("opens:", 0) == 0) {
            answer = QStringList();
            for (const QString& f : QString::fromStdString(a->substr(6)).split(u'|'))
                *answer << m_folders.resolve(f.toStdString());
        }
    } else if (const int n = choose(4); n > 0) {
        const QStringList pool = m_folders.picturePool() + m_folders.storyPool().mid(0, 2);
        answer = QStringList();
        for (int i = 0; i < n; ++i)
            *answer << pool[choose(int(pool.size()))];
    }
    std::string recordedAs = "opens";
    if (answer) {
        for (const QString& f : *answer)
            recordedAs += (recordedAs == "opens" ? ':' : '|') + m_folders.relative(f);
    } else {
        recordedAs += "-cancel";
    }
    answered(recordedAs);
    return answer;
}

std::optional<QString> Walker::saveFile(const FileRequest& r) {
    std::optional<QString> answer;
    if (replaying()) {
        const std::optional<std::string> a = recorded("save");
        if (a && a->rfind("save:", 0) == 0)
            answer = m_folders.resolve(a->substr(5));
    } else {
        const QString out = m_folders.out();
        const QStringList places = r.filter.contains(QStringLiteral("*.pdf")) ? QStringList{
            out + QStringLiteral("/book.pdf"),
            out + QStringLiteral("/story.pdf"),
            m_folders.refusing() + QStringLiteral("/book.pdf"),
        } : QStringList{
            out + QStringLiteral("/story.rtf"),
            out + QStringLiteral("/story-2.rtf"),
            out + QStringLiteral("/Life Story \u00e9t\u00e9.rtf"),
            out + QStringLiteral("/no-extension"),
            out + QStringLiteral("/answers.dat"),
            out + QStringLiteral("/folder.rtf"),
            m_folders.refusing() + QStringLiteral("/story.rtf"),
            m_folders.root() + QStringLiteral("/file-as-folder/story.rtf"),
        };
        const int c = choose(int(places.size()) + 2);
        if (c < int(places.size()))
            answer = places[c];
        else if (c == int(places.size()) && !r.initialName.isEmpty())
            answer = r.initialName;
    }
    answered(answer ? "save:" + m_folders.relative(*answer) : "save-cancel");
    return answer;
}

std::optional<FontChoice> Walker::font(const FontRequest& r) {
    std::optional<FontChoice> answer;
    if (replaying()) {
        const std::optional<std::string> a = recorded("font");
        if (a && a->rfind("font:", 0) == 0) {
            const QStringList parts = QString::fromStdString(a->substr(5)).split(u'|');
            if (parts.size() == 3)
                answer = FontChoice{parts[0], parts[1].toDouble(), parts[2].contains(u'b'),
                                    parts[2].contains(u'i'), parts[2].contains(u'u')};
        }
    } else if (const int c = choose(6); c > 0) {
        static const char* const families[] = {"arial", "Liberation Serif", "DejaVu Sans Mono",
                                               "No Such Font"};
        const int f = choose(5);
        const QString family = f < 4 ? QString::fromLatin1(families[f]) : r.initial.family;
        static const double sizes[] = {12, 8, 20, 48, 9.75, 72};
        const int style = choose(8);
        answer = FontChoice{family, sizes[choose(6)], (style & 1) != 0, (style & 2) != 0,
                            (style & 4) != 0};
    }
    if (answer)
        answered("font:" + answer->family.toStdString() + '|' +
                 QString::number(answer->pointSize).toStdString() + '|' +
                 (answer->bold ? "b" : "") + (answer->italic ? "i" : "") +
                 (answer->underline ? "u" : ""));
    else
        answered("font-cancel");
    return answer;
}

std::optional<QColor> Walker::color(const QColor& initial) {
    std::optional<QColor> answer;
    if (replaying()) {
        const std::optional<std::string> a = recorded("color");
        if (a && a->rfind("color:", 0) == 0)
            answer = QColor(QString::fromStdString(a->substr(6)));
    } else {
        switch (choose(6)) {
        case 0:
            answer = QColor(200, 0, 0);
            break;
        case 1:
            break;
        case 2:
            answer = initial;
            break;
        case 3:
            answer = QColor(Qt::black);
            break;
        case 4:
            answer = QColor(0, 0, 128);
            break;
        default:
            answer = QColor::fromRgb(static_cast<QRgb>(choose(1 << 24)));
        }
    }
    answered(answer ? "color:" + answer->name().toStdString() : "color-cancel");
    return answer;
}

bool Walker::printer(QPrinter& printer, const PrinterRequest&) {
    std::optional<QString> pdf;
    if (replaying()) {
        const std::optional<std::string> a = recorded("printer");
        if (a && a->rfind("printer:", 0) == 0)
            pdf = m_folders.resolve(a->substr(8));
    } else {
        const QStringList places = {m_folders.out() + QStringLiteral("/story.pdf"),
                                    m_folders.out() + QStringLiteral("/print.pdf"),
                                    m_folders.refusing() + QStringLiteral("/print.pdf")};
        const int c = choose(int(places.size()) + 1);
        if (c < int(places.size()))
            pdf = places[c];
    }
    answered(pdf ? "printer:" + m_folders.relative(*pdf) : "printer-cancel");
    if (!pdf)
        return false;
    printer.setPrinterName(QString());
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(*pdf);
    return true;
}

bool Walker::form(QDialog& dialog) {
    auto* book = qobject_cast<document::BookWindow*>(&dialog);
    if (!book) {
        fail("a window the walk does not know was asked: " + dialog.objectName().toStdString());
        return false;
    }
    // "book:<page size index>:<large print>" fills the window in; "book-cancel" closes it.
    std::optional<std::pair<int, bool>> answer;
    if (replaying()) {
        const std::optional<std::string> a = recorded("book");
        if (a && a->rfind("book:", 0) == 0 && a->size() >= 8)
            answer = std::pair((*a)[5] - '0', (*a)[7] == '1');
    } else if (choose(4) > 0) {
        answer = std::pair(choose(book->cboPageSize()->count()), choose(3) == 0);
    }
    answered(answer ? "book:" + std::to_string(answer->first) + ':' + (answer->second ? "1" : "0")
                    : "book-cancel");
    if (!answer)
        return false;
    book->cboPageSize()->setCurrentIndex(answer->first);
    book->chkLargePrint()->setChecked(answer->second);
    return true;
}

std::optional<int> Walker::choose(const ChoiceRequest& r) {
    std::optional<int> answer;
    if (replaying()) {
        const std::optional<std::string> a = recorded("choice");
        if (a && a->rfind("choice:", 0) == 0)
            answer = std::stoi(a->substr(7));
    } else if (const int c = choose(int(r.rows.size()) + 1); c < int(r.rows.size())) {
        answer = c;
    }
    answered(answer ? "choice:" + std::to_string(*answer) : "choice-cancel");
    return answer;
}

// ---------------------------------------------------------------------------------------------
// The rules checked after every act.

// The text as a saved story holds it: rich text keeps no NUL, and a lone surrogate (which only
// an input method or a paste can bring in) reads back as the replacement character.
QString storedForm(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.unicode() == 0)
            continue;
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += c;
            out += text[++i];
        } else if (c.isSurrogate()) {
            out += QChar(QChar::ReplacementCharacter);
        } else {
            out += c;
        }
    }
    return out;
}

Snapshot Walker::snapshot() {
    Snapshot s;
    s.files = m_folders.files();
    s.store = m_program->state().answers;
    for (QWidget* w : shownWindows())
        s.visible << w->objectName();
    if (ProgramWindow* a = wm().activeWindow())
        s.active = a->objectName();
    s.editor = qobject_cast<TextEditorWindow*>(wm().find(kEditor));
    if (s.editor) {
        s.editorText = s.editor->txtEdit()->Text();
        s.editorDocument = s.editor->txtEdit()->document();
        s.editorModified = s.editor->documentModified();
        s.editorFile = s.editor->currentFile();
    }
    for (const auto& design : questionnaire::answerPageDesigns()) {
        const QString name = QString::fromUtf8(design.name);
        ProgramWindow* page = wm().find(name);
        if (!page)
            continue;
        std::vector<std::string>& boxes = s.boxes[name];
        for (AnswerBox* b : page->findChildren<AnswerBox*>())
            boxes.push_back(b->objectName().toStdString() + '=' + b->answer());
    }
    s.messages = m_scripted.messages.size();
    return s;
}

void Walker::check(const Act& act) {
    if (!m_failure.empty() || !m_program)
        return;
    const Snapshot now = snapshot();
    checkWindows();
    checkFiles(now);
    checkStore(act, now);
    checkPages(act, now);
    checkEditor(now);
    checkMarks(now);
    m_prev = now;
    m_mayWrite.clear();
    m_mayWriteIn.clear();
    m_mayWriteBooks.clear();
}

void Walker::checkWindows() {
    std::vector<QWidget*> shown = shownWindows();
    if (wm().ending()) {
        if (!shown.empty())
            fail("the program ended but " + shown.front()->objectName().toStdString() +
                 " is still shown");
        return;
    }
    QStringList main;
    bool note = false;
    for (QWidget* w : shown) {
        if (!qobject_cast<ProgramWindow*>(w)) {
            fail("a window that is not the program's is shown: " +
                 QString::fromLatin1(w->metaObject()->className()).toStdString());
            return;
        }
        if (w->objectName() == kNote)
            note = true;
        else if (w->objectName() != kVersion)
            main << w->objectName();
    }
    if (main.size() != 1) {
        fail("the program shows " + std::to_string(main.size()) +
             " windows at once (besides the version window and the save note): " +
             main.join(u' ').toStdString());
        return;
    }
    if (note && main.front() != kEditor)
        fail("the save note is shown over " + main.front().toStdString() +
             ", not over the text editor");
    if (ProgramWindow* a = wm().activeWindow(); a && !a->isVisible())
        fail("the program's active window " + a->objectName().toStdString() + " is hidden");
}

void Walker::checkFiles(const Snapshot& now) {
    std::set<QString> allowed = m_mayWrite;
    std::set<QString> allowedIn = m_mayWriteIn;
    std::set<QString> books = m_mayWriteBooks;
    // The editor's Save writes its current file, also as it closes (and is gone by now).
    if (!m_prev.editorFile.isEmpty())
        allowSaveOf(m_prev.editorFile, allowed, allowedIn, books);
    const auto inAllowedFolder = [&allowedIn](const QString& path) {
        return std::any_of(allowedIn.begin(), allowedIn.end(),
                           [&path](const QString& folder) { return path.startsWith(folder); });
    };
    for (const auto& [path, was] : m_prev.files)
        if (!now.files.count(path) && !inAllowedFolder(path))
            fail("a file went away: " + m_folders.relative(path));
    for (const auto& [path, stamp] : now.files) {
        const auto was = m_prev.files.find(path);
        if (was != m_prev.files.end() && was->second == stamp)
            continue;
        const std::string rel = m_folders.relative(path);
        if (!allowed.count(path) && !inAllowedFolder(path)) {
            fail("a file was written that no command asked for: " + rel);
            return;
        }
        if (inAllowedFolder(path)) {
            // A photo folder: its index names only pictures that are there and read.
            if (path.endsWith(u'/' + QString::fromLatin1(kPhotoIndexName))) {
                PhotoStore read;
                std::string error;
                if (!readPhotoFolder(QFile::encodeName(QFileInfo(path).path()).toStdString(), read,
                                     &error))
                    fail("a saved photo folder does not read back: " + rel + ": " + error);
            }
        } else if (path.endsWith(QStringLiteral(".pdf"))) {
            QFile f(path);
            const QByteArray pdf = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
            if (!pdf.startsWith("%PDF-") || !pdf.trimmed().endsWith("%%EOF"))
                fail("a printed PDF is not whole: " + rel);
        } else if (books.count(path)) {
            // By where a save puts them, not by name: a story may be saved as "X book.txt".
            QFile f(path);
            BookOptions read;
            if (!f.open(QIODevice::ReadOnly) || !decodeBookOptions(f.readAll().toStdString(), read))
                fail("a book's saved settings do not read back: " + rel);
        } else if (path.endsWith(QStringLiteral(".dat"))) {
            AnswerStore read;
            std::string error;
            if (!readDataFile(QFile::encodeName(path).toStdString(), read, &error))
                fail("a saved answer data file does not read back: " + rel + ": " + error);
            else if (!(read == now.store))
                fail("a saved answer data file reads back to other answers than the store's: " +
                     rel);
        } else {
            if (!m_prev.editorText) {
                fail("a story was written with no text editor open: " + rel);
                return;
            }
            QString error;
            if (!m_reader.LoadFile(path, &error)) {
                fail("a saved story does not read back: " + rel + ": " + error.toStdString());
                return;
            }
            const QString back = m_reader.Text();
            const QString shown = storedForm(*m_prev.editorText);
            if (back != shown) {
                qsizetype at = 0;
                while (at < back.size() && at < shown.size() && back[at] == shown[at])
                    ++at;
                fail("a saved story reads back to another text than the editor showed: " + rel +
                     " (from character " + std::to_string(at) + ": shown \"" +
                     encodeText(shown.mid(at, 24)) + "\", read \"" + encodeText(back.mid(at, 24)) +
                     "\")");
            }
        }
    }
}

void Walker::checkStore(const Act& act, const Snapshot& now) {
    if (now.store == m_prev.store)
        return;
    const QString target = QString::fromStdString(act.target);
    const QString window = target.section(u'/', 0, 0);
    // A Load: the whole store is what the chosen file holds.
    if (window == QStringLiteral("frmMain")) {
        for (const std::string& a : act.answers) {
            if (a.rfind("open:", 0) != 0)
                continue;
            AnswerStore expected = m_prev.store;
            readDataFile(QFile::encodeName(m_folders.resolve(a.substr(5))).toStdString(), expected);
            if (!(expected == now.store))
                fail("Load left the store other than the file holds");
            return;
        }
        fail("the store changed on the main menu with no file loaded");
        return;
    }
    // A page's Save: only its own slots change, to what its boxes hold.
    for (const CatalogEntry& e : QuestionCatalog::instance().all()) {
        if (now.store.valueOf(e) == m_prev.store.valueOf(e))
            continue;
        const QString page = questionnaire::answerPageName(e.section(), e.page);
        if (page != window) {
            fail("the answer of " + std::string(e.key.stem) + " (" + page.toStdString() +
                 ") changed on an act in " + window.toStdString());
            return;
        }
    }
    auto* p = qobject_cast<AnswerPage*>(wm().find(window));
    if (!p)
        return;
    for (AnswerBox* b : p->findChildren<AnswerBox*>()) {
        const CatalogEntry* entry = nullptr;
        for (const CatalogEntry& e : QuestionCatalog::instance().all())
            if (questionnaire::answerPageName(e.section(), e.page) == window &&
                QStringLiteral("txt") + qs(e.key.stem) == b->objectName())
                entry = &e;
        if (entry && now.store.valueOf(*entry) != std::optional<std::string>(b->answer()))
            fail("after Save, the box " + b->objectName().toStdString() +
                 " holds other than its answer in the store");
    }
    if (p->modifiedFlag() == questionnaire::Modified::Yes)
        fail("a page saved its answers but still counts as modified");
    m_pages[window] = {};
}

void Walker::checkPages(const Act& act, const Snapshot& now) {
    const QString target = QString::fromStdString(act.target);
    const QString window = target.section(u'/', 0, 0);
    for (const auto& [name, boxes] : now.boxes) {
        auto* p = qobject_cast<AnswerPage*>(wm().find(name));
        if (!p)
            continue;
        PageTrack& track = m_pages[name];
        const bool yes =
            std::find(act.answers.begin(), act.answers.end(), "msg:Yes") != act.answers.end();
        const bool saved =
            window == name &&
            (target.endsWith(QStringLiteral("/cmdSave")) || act.text == "Alt+S" ||
             ((target.endsWith(QStringLiteral("/cmdReturn")) || act.text == "Alt+R") && yes));
        if (saved) {
            track = {}; // Save writes every box, changed or not, and clears the flag
        } else if (now.active == name && m_prev.active != name &&
                   m_prev.active != windows::kPhotos) {
            // Activation refills the boxes from the store and clears the flag; back from the
            // page's photo window the page is as it was left.
            track = {};
            for (AnswerBox* b : p->findChildren<AnswerBox*>())
                for (const CatalogEntry& e : QuestionCatalog::instance().all())
                    if (questionnaire::answerPageName(e.section(), e.page) == name &&
                        QStringLiteral("txt") + qs(e.key.stem) == b->objectName() &&
                        b->answer() != now.store.textOf(e))
                        fail("the page " + name.toStdString() + " came up with " +
                             b->objectName().toStdString() + " other than its stored answer");
        } else if (window == name && target.contains(u'/') &&
                   (act.what == "type" || act.what == "key" || act.what == "paste")) {
            ++track.editActs;
            const auto before = m_prev.boxes.find(name);
            if (before == m_prev.boxes.end() || before->second != boxes)
                track.changed = true;
        }
        if (track.changed && p->modifiedFlag() != questionnaire::Modified::Yes)
            fail("the answers on " + name.toStdString() +
                 " were edited but its ModifiedFlag is \"" + static_cast<char>(p->modifiedFlag()) +
                 "\"");
        if (track.editActs == 0 && p->modifiedFlag() == questionnaire::Modified::Yes)
            fail("nothing was typed on " + name.toStdString() + " but its ModifiedFlag is \"Y\"");
    }
}

void Walker::checkEditor(const Snapshot& now) {
    TextEditorWindow* e = now.editor;
    if (!e) {
        m_editorBaseline.reset();
        return;
    }
    if (e != m_baselineEditor) {
        // A new editor: its composed document counts as a change.
        m_baselineEditor = e;
        m_editorBaseline.reset();
        if (!now.editorModified)
            fail("a new text editor does not count its composed document as modified");
        return;
    }
    const QString expectedCaption = now.editorFile.isEmpty()
                                        ? QStringLiteral("Kithtale - Text Editor")
                                        : now.editorFile + QStringLiteral(" - Text Editor");
    if (e->windowTitle() != expectedCaption)
        fail("the editor's caption \"" + e->windowTitle().toStdString() +
             "\" does not name its current file");
    if (now.editorModified)
        return;
    if ((m_prev.editor == e && m_prev.editorModified) ||
        now.editorDocument != m_prev.editorDocument) {
        m_editorBaseline = now.editorText; // saved or opened just now
        return;
    }
    if (m_editorBaseline && now.editorText != *m_editorBaseline)
        fail("the story changed but the editor does not count it as modified, so closing it "
             "would not ask to save");
}

void Walker::checkMarks(const Snapshot& now) {
    if (now.active == m_prev.active)
        return;
    ProgramWindow* w = wm().find(now.active);
    if (!w)
        return;
    if (now.active == QStringLiteral("frmMain")) {
        static const char* const done[] = {"cmdChildhood2", "cmdHighSch2", "cmdFirstCar2",
                                           "cmdVolunteer2", "cmdJobs2",    "cmdCollege2",
                                           "cmdMilitary2",  "cmdWedding2", "cmdTravel2",
                                           "cmdLife2",      "cmdFinal2"};
        for (SectionId id : kAllSections) {
            auto* b = w->findChild<QWidget*>(QString::fromLatin1(done[indexOf(id)]));
            if (now.store.isSectionComplete(id) && !(b && b->isVisibleTo(w)))
                fail("a complete section is not marked on the main menu: " +
                     std::string(done[indexOf(id)]));
        }
        return;
    }
    for (const CatalogEntry& e : QuestionCatalog::instance().all()) {
        if (questionnaire::sectionScreenName(e.section()) != now.active)
            continue;
        auto* b =
            w->findChild<QWidget*>(QStringLiteral("cmd") + qs(e.screenStem) + QLatin1Char('2'));
        if (now.store.isAnsweredOf(e) && !(b && b->isVisibleTo(w)))
            fail("an answered question is not marked on " + now.active.toStdString() + ": " +
                 std::string(e.key.stem));
    }
}

} // namespace

Outcome walkSteps(const std::vector<Step>& steps,
                  const std::function<void(const std::string&)>& trace) {
    Walker walker;
    walker.setTrace(trace);
    std::size_t at = 0;
    return walker.run([&] { return walker.randomNext(steps, at); });
}

Outcome replay(const std::vector<Act>& acts) {
    Walker walker;
    walker.setReplaying(true);
    std::size_t at = 0;
    return walker.run([&] { return walker.replayNext(acts, at); });
}

} // namespace kt::walk
