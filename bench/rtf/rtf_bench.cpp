// Reader and writer throughput on generated documents with formatting every few words, at
// growing sizes, so that a non-linear cost shows as falling bytes per second.
#include "rtf/document.h"
#include "rtf/rtf.h"

#include <QGuiApplication>
#include <QRandomGenerator>
#include <QTextCursor>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

QByteArray sampleRtf(qsizetype bytes) {
    static const char* const words[] = {"grandmother", "kitchen", "summer",  "river",    "school",
                                        "letters",     "bicycle", "wedding", "caf\\'e9", "\\u8212?",
                                        "the",         "and",     "of"};
    static const char* const formats[] = {"\\b ", "\\i ", "\\ul ", "\\cf1 ", "\\fs28 ", "\\f1 "};
    QRandomGenerator rng(1947);
    QByteArray out =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fswiss\\fcharset0 "
        "Arial;}{\\f1\\froman\\fcharset0 Times;}}{\\colortbl;\\red192\\green0\\blue0;}\n";
    out.reserve(bytes + 4096);
    while (out.size() < bytes) {
        out += "\\pard ";
        for (int run = 0; run < 40; ++run) {
            out += '{';
            out += formats[rng.bounded(6)];
            for (quint32 w = 0, n = 2 + rng.bounded(4); w < n; ++w) {
                out += words[rng.bounded(13)];
                out += ' ';
            }
            out += "} ";
        }
        out += "\\par\n";
    }
    out += '}';
    return out;
}

void BM_Read(benchmark::State& state) {
    const QByteArray rtf = sampleRtf(state.range(0));
    for (auto _ : state) {
        kt::rtf::Document doc;
        kt::rtf::read(rtf, doc);
        benchmark::DoNotOptimize(doc.characterCount());
    }
    state.SetBytesProcessed(state.iterations() * rtf.size());
}
BENCHMARK(BM_Read)->Arg(100 << 10)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

// Writes the document once per iteration, reported in bytes of RTF written.
void timeWrites(benchmark::State& state, const QTextDocument& doc) {
    qsizetype written = 0;
    for (auto _ : state) {
        const QByteArray out = kt::rtf::write(doc);
        written = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * written);
}

void BM_Write(benchmark::State& state) {
    kt::rtf::Document doc;
    kt::rtf::read(sampleRtf(state.range(0)), doc);
    timeWrites(state, doc);
}
BENCHMARK(BM_Write)->Arg(100 << 10)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

// The composed life-story document: Arial 12 pt plain paragraphs.
void BM_WriteComposed(benchmark::State& state) {
    kt::rtf::Document doc;
    QTextCursor c(&doc);
    QTextCharFormat f;
    f.setFontFamilies({QStringLiteral("arial")});
    f.setFontPointSize(12);
    QString text;
    while (text.size() < state.range(0))
        text +=
            QStringLiteral("Where did you grow up?\nOn a farm by the river, with my sisters.\n\n");
    c.insertText(text, f);
    timeWrites(state, doc);
}
BENCHMARK(BM_WriteComposed)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
