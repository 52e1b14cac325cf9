#pragma once

#include "core/question_catalog.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <string>

namespace kt::windows {

// A story brought back from a safety copy for the editor's next opening: its rich text, and the
// file it was opened from or saved to (empty for none).
struct RestoredStory {
    QByteArray rtf;
    QString file;
};

// What the windows tell the safety copy that keeps their unsaved work (app/safety_copy), and
// what it hands back to them after a restore. The program installs its safety copy; without one
// (tests, tools) nothing is kept and nothing is waiting.
class UnsavedWork {
public:
    virtual ~UnsavedWork();

    static UnsavedWork& current();
    // nullptr restores the one that keeps nothing. The caller keeps ownership.
    static void install(UnsavedWork* work);

    // The answers (and the editor's story) are in the files just saved or loaded.
    virtual void filed() {}
    // Restored text for the question's box, which its page shows at its next activation instead
    // of the stored answer; handed out once.
    virtual std::optional<std::string> takeBoxText(const CatalogEntry&) { return std::nullopt; }
    // The restored story for the editor's next opening; handed out once.
    virtual std::optional<RestoredStory> takeStory() { return std::nullopt; }
};

} // namespace kt::windows
