// The composed life story of a long questionnaire: 77 answers of 20 KB, about 1.5 MB.
#include "core/answer_store.h"
#include "core/document_composer.h"
#include "core/question_catalog.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

kt::AnswerStore storeOf(std::size_t answerBytes) {
    kt::AnswerStore answers;
    std::string text;
    text.reserve(answerBytes);
    while (text.size() < answerBytes)
        text += "We lived by the river, and every summer we swam there.\r\n";
    text.resize(answerBytes);
    for (const auto& e : kt::QuestionCatalog::instance().all())
        answers.setTextOf(e, text);
    return answers;
}

void BM_ComposeDocument(benchmark::State& state) {
    const auto answers = storeOf(static_cast<std::size_t>(state.range(0)));
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string doc = kt::DocumentComposer(answers);
        bytes = doc.size();
        benchmark::DoNotOptimize(doc.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["doc_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ComposeDocument)
    ->Arg(0)
    ->Arg(20 * 1024)
    ->Arg(100 * 1024)
    ->Unit(benchmark::kMicrosecond);

} // namespace
