// A story with 100 photos: composing and showing it, saving it (story, data file and photo
// folder), loading the answers and photos back, and printing it to a PDF file. The process's
// peak memory is reported with the last one, so these run in a process of their own:
//   build/release/bench/editor/kithtale_editor_bench --benchmark_filter=PhotoStory
// With KITHTALE_BENCH_KEEP=DIR the saved story, its folder and the PDF stay in DIR for a look.
#include "core/photo_folder.h"
#include "core/program_state.h"
#include "core/question_catalog.h"
#include "rtf/rtf.h"
#include "system/disk_sync.h"
#include "ui/picture.h"
#include "ui/print_pages.h"
#include "ui/rich_text_edit.h"
#include "windows/document/book_layout.h"
#include "windows/document/story_photos.h"
#include "windows/document/text_editor_window.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPrinter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <memory>

using namespace kt;

namespace {

constexpr int kPhotos = 100;

QString keptIn() {
    return QString::fromLocal8Bit(qgetenv("KITHTALE_BENCH_KEEP"));
}

// A photo-like picture: smooth light and shade with fine grain, prepared as the program
// prepares a phone photo (1600 x 1200, JPEG at quality 85).
ui::Picture photo(int n) {
    QImage image(1600, 1200, QImage::Format_RGB32);
    QRandomGenerator random(static_cast<quint32>(n));
    const int hue = (n * 37) % 360;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int light = 60 + (x + y) * 120 / 2800 + random.bounded(12);
            line[x] = QColor::fromHsv((hue + x / 40) % 360, 120 + y / 12, light).rgb();
        }
    }
    return *ui::preparePicture(image);
}

// 100 photos over the questions, every fourth with an answer of a few lines.
const ProgramState& story() {
    static const ProgramState s = [] {
        ProgramState state;
        const auto all = QuestionCatalog::instance().all();
        for (int i = 0; i < kPhotos; ++i) {
            const CatalogEntry& e = all[static_cast<std::size_t>(i * 3 % all.size())];
            const ui::Picture p = photo(i);
            state.photos.of(e).push_back({p.bytes.toStdString(), PhotoFormat::Jpeg,
                                          "Photo " + std::to_string(i + 1) + ", summer 1962"});
            state.answers.setTextOf(e, "We drove out to the lake every Sunday.\r\nIt was cold.");
        }
        return state;
    }();
    return s;
}

std::size_t photoBytes() {
    std::size_t n = 0;
    for (const auto& e : QuestionCatalog::instance().all())
        for (const Photo& p : story().photos.of(e))
            n += p.bytes.size();
    return n;
}

void show(document::TextEditorWindow& w) {
    w.show();
    QCoreApplication::processEvents();
    w.txtEdit()->viewport()->repaint();
}

// The composed story in an editor, shown.
std::unique_ptr<document::TextEditorWindow> shownStory(ProgramState& state) {
    auto w = std::make_unique<document::TextEditorWindow>(state);
    document::putComposedStory(*w->txtEdit(), state);
    show(*w);
    return w;
}

void BM_PhotoStoryComposeAndShow(benchmark::State& state) {
    ProgramState program = story();
    for (auto _ : state) {
        state.PauseTiming();
        auto w = std::make_unique<document::TextEditorWindow>(program);
        state.ResumeTiming();
        document::putComposedStory(*w->txtEdit(), program);
        show(*w);
        state.PauseTiming();
        w.reset();
        state.ResumeTiming();
    }
    state.counters["photos"] = kPhotos;
    state.counters["photo_mb"] = double(photoBytes()) / 1e6;
}
BENCHMARK(BM_PhotoStoryComposeAndShow)->Unit(benchmark::kMillisecond)->Iterations(3);

// What a save writes: the story, the data file and the photo folder, each synced. `again`
// saves over an earlier save, whose pictures are kept.
void save(benchmark::State& state, bool again) {
    ProgramState program = story();
    auto w = shownStory(program);
    QTemporaryDir dir;
    const QString rtf = (keptIn().isEmpty() ? dir.path() : keptIn()) + QStringLiteral("/Story.rtf");
    const std::string path = QFile::encodeName(rtf).toStdString();
    const std::string folder = photoFolderFor(path.substr(0, path.size() - 4) + ".dat");
    for (auto _ : state) {
        state.PauseTiming();
        if (!again)
            QDir(QString::fromStdString(folder)).removeRecursively();
        state.ResumeTiming();
        QString error;
        std::string why;
        if (!w->txtEdit()->SaveFile(rtf, &error) ||
            !SaveDataFile(path, program.answers, &why, system::syncToDisk) ||
            !SavePhotoFolder(path, program, &why, system::syncToDisk))
            state.SkipWithError("the story was not saved");
    }
    state.counters["rtf_mb"] = double(QFileInfo(rtf).size()) / 1e6;
}
void BM_PhotoStorySave(benchmark::State& state) {
    save(state, false);
}
void BM_PhotoStorySaveAgain(benchmark::State& state) {
    save(state, true);
}
BENCHMARK(BM_PhotoStorySave)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PhotoStorySaveAgain)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PhotoStoryLoad(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string dat =
        QFile::encodeName(dir.filePath(QStringLiteral("Story.dat"))).toStdString();
    if (!writeDataFile(dat, story().answers) ||
        !writePhotoFolder(photoFolderFor(dat), story().photos)) {
        state.SkipWithError("nothing to load");
        return;
    }
    for (auto _ : state) {
        ProgramState loaded;
        if (loadAnswersAndPhotos(dat, loaded) != LoadOutcome::Loaded ||
            loaded.photos.count() != kPhotos)
            state.SkipWithError("the story did not load");
    }
}
BENCHMARK(BM_PhotoStoryLoad)->Unit(benchmark::kMillisecond)->Iterations(3);

// The book of the same photos with all 77 questions answered at length (some 3 KB each, in
// paragraphs), made into a PDF and written as Make a Book writes it; arg 1 is large print.
void BM_PhotoStoryBook(benchmark::State& state) {
    ProgramState program = story();
    std::string answer;
    for (int i = 0; i < 20; ++i)
        answer += "We walked to school along the river every morning, and my brother found "
                  "something to carry home in his pockets. " +
                  std::string(i % 4 == 3 ? "\r\n\r\n" : "");
    for (const CatalogEntry& e : QuestionCatalog::instance().all())
        program.answers.setTextOf(e, answer);
    BookOptions options;
    options.teller = "Margaret O'Brien";
    options.largePrint = state.range(0) != 0;
    QTemporaryDir dir;
    const QString pdf =
        (keptIn().isEmpty() ? dir.path() : keptIn()) +
        (options.largePrint ? QStringLiteral("/Large.pdf") : QStringLiteral("/Book.pdf"));
    int pages = 0;
    for (auto _ : state) {
        const std::vector<BookChapter> chapters = bookChapters(program.answers, program.photos);
        const QByteArray bytes = document::makeBookPdf(chapters, options, [&pages](int, int n) {
            pages = n;
            return true;
        });
        if (bytes.isEmpty() || !rtf::saveBytes(pdf, bytes))
            state.SkipWithError("the book was not made");
    }
    state.counters["pages"] = pages;
    state.counters["pdf_mb"] = double(QFileInfo(pdf).size()) / 1e6;
}
BENCHMARK(BM_PhotoStoryBook)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_PhotoStoryPrintPdf(benchmark::State& state) {
    ProgramState program = story();
    auto w = shownStory(program);
    QTemporaryDir dir;
    const QString pdf = (keptIn().isEmpty() ? dir.path() : keptIn()) + QStringLiteral("/Story.pdf");
    for (auto _ : state) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        QString error;
        if (!ui::printDocument(*w->txtEdit()->document(), printer, &error))
            state.SkipWithError("the story was not printed");
    }
    state.counters["pdf_mb"] = double(QFileInfo(pdf).size()) / 1e6;
    // The whole run's peak, with the last figure: every step above has run by now.
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmHWM:"))
            state.counters["peak_mb"] = std::atof(line.c_str() + 6) / 1024;
}
BENCHMARK(BM_PhotoStoryPrintPdf)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
