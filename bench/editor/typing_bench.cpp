// Typing in the text editor window as a user has it: answers loaded whose lines each end with
// Enter, the story composed at the first activation, spelling on with the installed en_US
// dictionary, the wrap guard and the window's change handling. Each row is the median time from
// a key press to the repainted viewport (main-thread CPU time), in ms.
//   QT_QPA_PLATFORM=offscreen build/release/bench/editor/kithtale_typing_bench [--quick]
#include "core/document_composer.h"
#include "core/program_state.h"
#include "core/question_catalog.h"
#include "quiet_dialogs.h"
#include "system/memory.h"
#include "ui/dialogs.h"
#include "ui/rich_text_edit.h"
#include "ui/speller.h"
#include "ui/window_manager.h"
#include "windows/document/text_editor_window.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPrinter>
#include <QTextCursor>
#include <QTextEdit>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

using namespace kt;

namespace {

using bench::QuietDialogs;

double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// A story of about `bytes`, every answer lines of prose that each end with Enter; or, with
// `oneParagraph`, the last answer alone holding `bytes` as one paragraph.
void fillAnswers(AnswerStore& answers, std::size_t bytes, bool oneParagraph) {
    const std::string line = "We walked to school along the creek, and in spring the water came "
                             "up to the road by the mill.";
    const auto all = QuestionCatalog::instance().all();
    for (const CatalogEntry& e : all) {
        std::string text;
        if (!oneParagraph) {
            while (text.size() < bytes / all.size())
                text += line + "\r\n";
        } else if (&e == &all.back()) {
            while (text.size() < bytes)
                text += line + " ";
        }
        answers.setTextOf(e, text);
    }
}

// The editor made and shown as the main menu does, its first activation composing the story.
std::unique_ptr<document::TextEditorWindow> openEditor(ProgramState& state) {
    state.editorActivationCount = 0;
    auto w = std::make_unique<document::TextEditorWindow>(state);
    w->resize(900, 650);
    w->show();
    w->activated();
    QCoreApplication::processEvents();
    return w;
}

// Median time of `keys` letters typed at the insertion point, each to the repainted viewport
// with everything the key set going (the spelling check of the screen among it).
template <class Edit> double typeKeys(Edit& edit, int keys) {
    edit.ensureCursorVisible();
    QCoreApplication::processEvents();
    edit.viewport()->repaint();
    std::vector<double> times;
    for (int i = 0; i < keys; ++i) {
        const QString ch(QLatin1Char('a' + i % 26));
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A + i % 26, Qt::NoModifier, ch);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A + i % 26, Qt::NoModifier, ch);
        const double t0 = cpuMs();
        QApplication::sendEvent(&edit, &press);
        QApplication::sendEvent(&edit, &release);
        QCoreApplication::processEvents();
        edit.viewport()->repaint();
        times.push_back(cpuMs() - t0);
    }
    std::nth_element(times.begin(), times.begin() + keys / 2, times.end());
    return times[static_cast<std::size_t>(keys / 2)];
}

template <class Edit> void place(Edit& edit, bool middle) {
    QTextCursor c = edit.textCursor();
    c.movePosition(QTextCursor::End);
    if (middle)
        c.setPosition(c.position() / 2);
    c.movePosition(QTextCursor::EndOfBlock);
    edit.setTextCursor(c);
}

} // namespace

int main(int argc, char** argv) {
    system::keepFreedMemory(); // as the program does
    QApplication app(argc, argv);
    const bool quick = argc > 1 && std::string(argv[1]) == "--quick";
    ui::WindowManager windows;
    QuietDialogs dialogs;
    ui::Dialogs::install(&dialogs);
    ui::Speller::install(
        ui::Speller::forLocale(QStringLiteral("en_US"), {QStringLiteral("/usr/share/hunspell")}));
    if (!ui::Speller::current().hasDictionary()) {
        std::fprintf(stderr, "hunspell-en-us is not installed\n");
        return 1;
    }
    const int keys = quick ? 10 : 30;
    if (argc > 1 && std::string(argv[1]) == "--profile") {
        // The middle of 2 MB only, for a profiler.
        ProgramState state;
        fillAnswers(state.answers, 2048 * 1024, false);
        auto w = openEditor(state);
        place(*w->txtEdit(), true);
        std::printf("%.2f\n", typeKeys(*w->txtEdit(), 300));
        return 0;
    }
    std::printf("where\tstory\tkeys\tms a key\n");
    const auto row = [&](const char* where, const char* size, double ms) {
        std::printf("%s\t%s\t%d\t%.2f\n", where, size, keys, ms);
        std::fflush(stdout);
    };
    for (const std::size_t kb : {200, 1024, 2048}) {
        ProgramState state;
        fillAnswers(state.answers, kb * 1024, false);
        auto w = openEditor(state);
        ui::RichTextEdit& edit = *w->txtEdit();
        const std::string size = std::to_string(kb) + " KB of one-line paragraphs";
        place(edit, false);
        row("end", size.c_str(), typeKeys(edit, keys));
        place(edit, true);
        row("middle", size.c_str(), typeKeys(edit, keys));
        // An edit elsewhere: a line near the start, then back to the end.
        QTextCursor c(edit.document());
        c.setPosition(200);
        edit.setTextCursor(c);
        typeKeys(edit, 3);
        place(edit, false);
        row("end, after an edit elsewhere", size.c_str(), typeKeys(edit, keys));

        // The toolkit's own control with the same text, for reference.
        QTextEdit plain;
        plain.resize(900, 650);
        plain.show();
        plain.setPlainText(QString::fromStdString(DocumentComposer(state.answers)));
        QCoreApplication::processEvents();
        place(plain, false);
        row("end, the toolkit's own control", size.c_str(), typeKeys(plain, keys));
        place(plain, true);
        row("middle, the toolkit's own control", size.c_str(), typeKeys(plain, keys));
    }
    {
        ProgramState state;
        fillAnswers(state.answers, 200 * 1024, true);
        auto w = openEditor(state);
        place(*w->txtEdit(), false);
        row("end of an answer that is one paragraph", "200 KB", typeKeys(*w->txtEdit(), keys));
    }
    ui::Dialogs::install(nullptr);
    return 0;
}
