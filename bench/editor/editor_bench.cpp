// The editor with long stories: composing and showing them, Find Next across them, and typing
// in them with and without the safety copy.
//   QT_QPA_PLATFORM=offscreen build/release/bench/editor/kithtale_editor_bench
#include "core/document_composer.h"
#include "core/program_state.h"
#include "core/question_catalog.h"
#include "quiet_dialogs.h"
#include "ui/dialogs.h"
#include "ui/rich_text_edit.h"
#include "ui/window_manager.h"
#include "windows/app/safety_copy.h"
#include "windows/document/text_editor_window.h"
#include "windows/window_names.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTextBlock>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

using namespace kt;

namespace {

using bench::QuietDialogs;

QuietDialogs g_dialogs;

// Answers of about 20 KB each, in lines of ordinary prose.
void fillAnswers(AnswerStore& answers, std::size_t bytesPerAnswer) {
    const std::string line =
        "We walked to school along the creek, and in spring the water came up to the road.\r\n";
    for (const CatalogEntry& e : QuestionCatalog::instance().all()) {
        std::string text;
        while (text.size() < bytesPerAnswer)
            text += line;
        answers.setTextOf(e, text);
    }
}

QString storyOfSize(qsizetype chars) {
    const QString line = QStringLiteral(
        "Grandpa kept bees behind the barn and sold the honey at the Saturday market.\r\n");
    QString text;
    text.reserve(chars + line.size());
    while (text.size() < chars)
        text += line;
    return text;
}

void show(document::TextEditorWindow& w) {
    w.show();
    QCoreApplication::processEvents();
    w.txtEdit()->viewport()->repaint();
}

void BM_ComposeAndShow1_5MB(benchmark::State& state) {
    ProgramState program;
    fillAnswers(program.answers, 20 * 1024);
    for (auto _ : state) {
        state.PauseTiming();
        auto w = std::make_unique<document::TextEditorWindow>(program);
        state.ResumeTiming();
        w->txtEdit()->setText(QString::fromStdString(DocumentComposer(program.answers)));
        show(*w);
        state.PauseTiming();
        w.reset();
        state.ResumeTiming();
    }
    state.counters["chars"] = double(DocumentComposer(program.answers).size());
}
BENCHMARK(BM_ComposeAndShow1_5MB)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Show10MB(benchmark::State& state) {
    ProgramState program;
    const QString text = storyOfSize(10 * 1000 * 1000);
    for (auto _ : state) {
        state.PauseTiming();
        auto w = std::make_unique<document::TextEditorWindow>(program);
        state.ResumeTiming();
        w->txtEdit()->setText(text);
        show(*w);
        state.PauseTiming();
        w.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Show10MB)->Unit(benchmark::kMillisecond)->Iterations(3);

// Find Next from the start of a 10 MB story to a match on its last line. "Cold" is the first
// search after a change of the content, which builds the plain text and its folded copy.
void findNext10MB(benchmark::State& state, bool cold) {
    ProgramState program;
    document::TextEditorWindow w(program);
    w.txtEdit()->setText(storyOfSize(10 * 1000 * 1000) + QStringLiteral("The END of it all"));
    show(w);
    g_dialogs.findText = QStringLiteral("end of it");
    w.Find();
    const qsizetype found = w.txtEdit()->SelStart();
    for (auto _ : state) {
        state.PauseTiming();
        if (cold) {
            w.txtEdit()->setSelStart(0);
            w.txtEdit()->setSelText(QStringLiteral("x"));
        }
        w.txtEdit()->setSelStart(0);
        state.ResumeTiming();
        w.FindNext();
        if (w.txtEdit()->SelStart() != found + (cold ? 1 : 0))
            state.SkipWithError("Find Next did not land on the match");
        if (cold) {
            state.PauseTiming();
            w.txtEdit()->undo();
            state.ResumeTiming();
        }
    }
}
void BM_FindNext10MB_Warm(benchmark::State& state) {
    findNext10MB(state, false);
}
void BM_FindNext10MB_Cold(benchmark::State& state) {
    findNext10MB(state, true);
}
BENCHMARK(BM_FindNext10MB_Warm)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_FindNext10MB_Cold)->Unit(benchmark::kMillisecond)->Iterations(5);

// One key typed into a 1 MB story and the repaint, alternately a letter and Backspace, without
// (0) and with (1) the safety copy. With it, every key passes its filter and keeps its wait for a
// pause; its writes come after a pause (BM_SafetyWrite1MB), so none falls in here.
void BM_Keystroke1MB(benchmark::State& state) {
    ProgramState program;
    QTemporaryDir folder;
    std::unique_ptr<app::SafetyCopy> copy;
    if (state.range(0) != 0)
        copy = std::make_unique<app::SafetyCopy>(program, ui::WindowManager::instance(),
                                                 folder.path());
    document::TextEditorWindow w(program);
    w.txtEdit()->setText(storyOfSize(1000 * 1000));
    show(w);
    QTextCursor c(w.txtEdit()->document()->findBlockByNumber(3));
    c.setPosition(c.position() + 7); // after "Grandpa"
    w.txtEdit()->setTextCursor(c);
    bool letter = true;
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, letter ? Qt::Key_X : Qt::Key_Backspace, Qt::NoModifier,
                        letter ? QStringLiteral("x") : QString());
        QCoreApplication::sendEvent(w.txtEdit(), &press);
        QCoreApplication::processEvents();
        w.txtEdit()->viewport()->repaint();
        letter = !letter;
    }
}
BENCHMARK(BM_Keystroke1MB)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->MinTime(0.5);

// One write of the safety copy while a 1 MB story is being edited, beside 1 MB of answers: the
// row's time is the whole write, made on the user-interface thread ("ui_ms": the story through
// the codec) and then written and synced on the copy's own thread. The bytes written are the
// story's and copy.txt's; the answers' were written once before and are kept as they are.
void BM_SafetyWrite1MB(benchmark::State& state) {
    ProgramState program;
    fillAnswers(program.answers, 13 * 1024);
    QTemporaryDir folder;
    ui::WindowManager& windows = ui::WindowManager::instance();
    windows.registerWindow(windows::kTextEditor,
                           [&program] { return new document::TextEditorWindow(program); });
    auto& w = windows.get<document::TextEditorWindow>(windows::kTextEditor);
    w.txtEdit()->setText(QString::fromStdString(DocumentComposer(program.answers)));
    w.txtEdit()->setSelText(QStringLiteral("x")); // edited: the story is unsaved now
    app::SafetyCopy copy(program, windows, folder.path());
    copy.update();
    copy.finishWriting();
    const QString run = copy.runFolder();
    double ui = 0;
    for (auto _ : state) {
        state.PauseTiming();
        w.txtEdit()->setSelText(QStringLiteral("x"));
        state.ResumeTiming();
        QElapsedTimer clock;
        clock.start();
        copy.update();
        ui += double(clock.nsecsElapsed());
        copy.finishWriting();
    }
    state.counters["ui_ms"] = ui / double(state.iterations()) / 1e6;
    state.counters["story_bytes"] = double(QFileInfo(run + QStringLiteral("/story.rtf")).size() +
                                           QFileInfo(run + QStringLiteral("/copy.txt")).size());
    state.counters["answers_bytes"] =
        double(QFileInfo(run + QStringLiteral("/answers.dat")).size());
    state.counters["chars"] = double(w.txtEdit()->document()->characterCount());
    windows.destroyAll();
}
BENCHMARK(BM_SafetyWrite1MB)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    ui::WindowManager windows;
    ui::Dialogs::install(&g_dialogs);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ui::Dialogs::install(nullptr);
    return 0;
}
