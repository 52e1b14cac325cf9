// What marking misspelt words costs the editor's rich-text control: showing a 10 MB story, a
// page down through it, and one keystroke, each with the installed en_US dictionary ("on") and with
// no dictionary ("off").
//   QT_QPA_PLATFORM=offscreen build/release/bench/editor/kithtale_spelling_bench
#include "ui/rich_text_edit.h"
#include "ui/spell_marker.h"
#include "ui/speller.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTextBlock>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

using namespace kt;
using ui::Speller;

namespace {

// Every line holds one misspelt word, the costliest case: each line gets a mark.
QString misspeltStory() {
    const QString line = QStringLiteral(
        "Grandpa kept bees behinde the barn and sold the honey at the Saturday market.\r\n");
    return line.repeated(10 * 1000 * 1000 / line.size());
}

void useDictionary(bool on) {
    Speller::install(
        on ? Speller::forLocale(QStringLiteral("en_US"), {QStringLiteral("/usr/share/hunspell")})
           : std::make_unique<Speller>());
    if (on && !Speller::current().hasDictionary())
        std::abort(); // hunspell-en-us is not installed: the "on" rows would measure nothing
}

// The editor's rich-text control alone, at the size of the editor window, so that nothing but
// the control and its marks is timed.
struct Editor {
    ui::RichTextEdit edit;
    ui::SpellMarker& marker = *edit.findChild<ui::SpellMarker*>();

    Editor() { edit.resize(1000, 700); }
    void show(const QString& text) {
        edit.setText(text);
        edit.show();
        QCoreApplication::processEvents();
        edit.viewport()->repaint();
    }
    // One key as the user types it, then the marks of the next turn and the repaint.
    void key(Qt::Key key, const QString& text = {}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(&edit, &press);
        QCoreApplication::processEvents();
        edit.viewport()->repaint();
    }
};

void BM_Show10MB(benchmark::State& state) {
    useDictionary(state.range(0) != 0);
    const QString text = misspeltStory();
    for (auto _ : state) {
        state.PauseTiming();
        auto editor = std::make_unique<Editor>();
        state.ResumeTiming();
        editor->show(text);
        state.PauseTiming();
        editor.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Show10MB)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

// Page Down through the story: every page brings new lines, and so new marks, on screen.
void BM_PageDown10MB(benchmark::State& state) {
    useDictionary(state.range(0) != 0);
    Editor editor;
    editor.show(misspeltStory());
    for (auto _ : state)
        editor.key(Qt::Key_PageDown);
}
BENCHMARK(BM_PageDown10MB)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(40);

// One key typed into a word on screen and the repaint, alternately a letter that makes the word
// misspelt and Backspace that mends it, in the fully marked 10 MB story.
void BM_Keystroke10MB(benchmark::State& state) {
    useDictionary(state.range(0) != 0);
    Editor editor;
    editor.show(misspeltStory());
    QTextCursor c(editor.edit.document()->findBlockByNumber(3));
    c.setPosition(c.position() + 7); // after "Grandpa"
    editor.edit.setTextCursor(c);
    bool letter = true;
    for (auto _ : state) {
        if (letter)
            editor.key(Qt::Key_X, QStringLiteral("x"));
        else
            editor.key(Qt::Key_Backspace);
        letter = !letter;
    }
    if (editor.edit.document()->findBlockByNumber(3).text().startsWith(QStringLiteral("Grandpax")))
        editor.edit.undo();
}
BENCHMARK(BM_Keystroke10MB)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->MinTime(0.5);

void BM_LoadDictionary(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(
            Speller::forLocale(QStringLiteral("en_US"), {QStringLiteral("/usr/share/hunspell")}));
}
BENCHMARK(BM_LoadDictionary)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
