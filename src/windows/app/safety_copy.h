#pragma once

#include "core/answer_data_file.h"
#include "windows/common/unsaved_work.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <future>
#include <memory>
#include <optional>
#include <string>

class QLockFile;
class QTextDocument;

namespace kt {
struct ProgramState;
namespace ui {
class WindowManager;
}
} // namespace kt

namespace kt::app {

// Keeps what the user has typed and no file holds yet in a safety copy (core/safety_copy.h), and
// offers the copy of a run that did not end through its own exit back at the next start.
//
// Each run keeps its copy in a folder of its own, holding a lock file while it runs, so a start
// tells a live run's copy from a dead one's. The copy is brought up to date after the user
// pauses (no key, click or drop for `pause`), at least every `longest` while input goes on, and
// at once after a save, a load or a restore. What it holds is put into bytes on the
// user-interface thread; the files are written and put on the disk on a thread of their own,
// one write at a time. A deliberate end (the program's own exits) drops the copy; any other
// end leaves it.
class SafetyCopy final : public QObject, public windows::UnsavedWork {
    Q_OBJECT
public:
    struct Timings {
        std::chrono::milliseconds pause{2000};
        std::chrono::milliseconds longest{60000};
    };

    // `folder` holds every run's copy: "Safety copy" in the program's data folder when empty.
    SafetyCopy(ProgramState& state, ui::WindowManager& windows, const QString& folder = {});
    ~SafetyCopy() override;
    SafetyCopy(const SafetyCopy&) = delete;
    SafetyCopy& operator=(const SafetyCopy&) = delete;

    // Offers the newest copy a dead run left, on top of the main menu when it first shows.
    void offerAtMainMenu();

    void setTimings(const Timings& timings);
    // Brings the copy up to date now; the files are written on the copy's own thread.
    void update();
    // Waits for a write under way to end, and lets its outcome be known.
    void finishWriting();

    QString runFolder() const { return m_run; }
    // No input waits to be kept and no write is under way.
    bool idle() const {
        return !m_job.valid() && !m_pauseTimer.isActive() && !m_longestTimer.isActive();
    }
    // The last write failed; the next one that succeeds clears it.
    bool failing() const { return m_failing; }

    // UnsavedWork.
    void filed() override;
    std::optional<std::string> takeBoxText(const CatalogEntry& entry) override;
    std::optional<windows::RestoredStory> takeStory() override;

Q_SIGNALS:
    // After each write, whether it succeeded.
    void written(bool ok);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What was last written of each part, so an update writes only what changed.
    struct StoryKey {
        const void* document = nullptr;
        quint64 textRevision = 0;
        int documentRevision = 0;
        bool operator==(const StoryKey&) const = default;
    };
    struct Written {
        std::optional<std::uint64_t> answers; // the store's revision
        std::optional<std::uint64_t> photos;  // the photos' revision
        std::optional<AnswerFields> boxes;
        std::optional<std::optional<StoryKey>> story; // written, and which; or removed
        bool about = false;                           // a copy is there to offer
        bool empty = true;                            // no file of a copy is there
    };
    struct Job;

    void noteInput();
    void pauseEnded();
    // The update that brings the files to what the program holds now; none when they hold it.
    std::optional<Job> prepare();
    void start(Job job, bool now);
    void jobDone();
    AnswerFields unsavedBoxText() const;
    void tellFailureOnce();
    void offer();
    void dropRun();
    void flush();
    bool lockRun();

    ProgramState& m_state;
    ui::WindowManager& m_windows;
    QString m_root;
    QString m_run;
    std::unique_ptr<QLockFile> m_lock;

    Timings m_timings;
    QTimer m_pauseTimer;
    QTimer m_longestTimer;
    QElapsedTimer m_sinceInput;

    std::uint64_t m_filedRevision = 0;
    std::uint64_t m_filedPhotos = 0;
    Written m_written;
    Written m_writing;
    bool m_writingHoldsRestored = false;
    std::future<std::string> m_job; // the reason it failed; empty when it succeeded
    bool m_again = false;
    bool m_failing = false;
    bool m_told = false;
    bool m_ended = false;
    bool m_offerAtShow = false;

    // Brought back from a dead run's copy, until the windows take it.
    AnswerFields m_restoredBoxes;
    std::optional<windows::RestoredStory> m_restoredStory;
    // The copy restored from, dropped once this run's copy holds its work.
    QString m_restoredFrom;
    std::unique_ptr<QLockFile> m_restoredLock;
};

} // namespace kt::app
