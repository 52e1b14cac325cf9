// Writing and reading the answer data file of a long story: 77 answers of N KB each. Reported
// in bytes of file per second; linear in size when the MB/s stay level as N grows.
#include "core/answer_data_file.h"
#include "core/answer_store.h"
#include "core/question_catalog.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

// Prose with line breaks, commas and the odd quote and accented letter, as people write.
kt::AnswerStore storeOf(std::size_t answerBytes, bool cp1252Only) {
    const std::string piece =
        cp1252Only ? "We lived by the river, and Grandma said \"caf\xC3\xA9\" the French way.\r\n"
                   : "We lived by the river, and Babcia said \"\xC5\x81\xC3\xB3\x64\xC5\xBA\" the "
                     "Polish way.\r\n";
    std::string text;
    while (text.size() < answerBytes)
        text += piece;
    text.resize(answerBytes - 2);
    text += "\r\n";
    kt::AnswerStore answers;
    for (const auto& e : kt::QuestionCatalog::instance().all())
        answers.setTextOf(e, text);
    return answers;
}

fs::path benchFile() {
    return fs::temp_directory_path() / "kithtale-bench-answers.dat";
}

void BM_EncodeRecord(benchmark::State& state) {
    const auto answers = storeOf(static_cast<std::size_t>(state.range(0)) * 1024, state.range(1));
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string record = kt::encodeAnswerRecord(answers);
        bytes = record.size();
        benchmark::DoNotOptimize(record.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void BM_DecodeRecord(benchmark::State& state) {
    const std::string record = kt::encodeAnswerRecord(
        storeOf(static_cast<std::size_t>(state.range(0)) * 1024, state.range(1)));
    for (auto _ : state) {
        kt::AnswerStore answers;
        if (!kt::decodeAnswerRecord(record, answers))
            state.SkipWithError("record did not decode");
        benchmark::DoNotOptimize(&answers);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * record.size()));
}

void BM_WriteDataFile(benchmark::State& state) {
    const auto answers = storeOf(static_cast<std::size_t>(state.range(0)) * 1024, state.range(1));
    const std::string path = benchFile().string();
    for (auto _ : state) {
        if (!kt::writeDataFile(path, answers))
            state.SkipWithError("write failed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fs::file_size(path)));
    fs::remove(path);
}

void BM_ReadDataFile(benchmark::State& state) {
    const std::string path = benchFile().string();
    kt::writeDataFile(path,
                      storeOf(static_cast<std::size_t>(state.range(0)) * 1024, state.range(1)));
    for (auto _ : state) {
        kt::AnswerStore answers;
        if (!kt::readDataFile(path, answers))
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(&answers);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fs::file_size(path)));
    fs::remove(path);
}

// {KB per answer, Windows-1252 file (1) or UTF-8 file (0)}
void sizes(benchmark::internal::Benchmark* b) {
    for (int cp1252 : {1, 0})
        for (int kb : {10, 100, 1000})
            b->Args({kb, cp1252});
    b->ArgNames({"KB", "cp1252"})->Unit(benchmark::kMillisecond)->UseRealTime();
}
BENCHMARK(BM_EncodeRecord)->Apply(sizes);
BENCHMARK(BM_DecodeRecord)->Apply(sizes);
BENCHMARK(BM_WriteDataFile)->Apply(sizes);
BENCHMARK(BM_ReadDataFile)->Apply(sizes);

} // namespace
