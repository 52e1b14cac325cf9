#pragma once

#include <QColor>
#include <QFlags>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class QDialog;
class QPrinter;

namespace kt::ui {

enum class MsgIcon { None, Information, Exclamation, Question, Critical };

enum class MsgButton { None = 0, Ok = 1, Yes = 2, No = 4, Cancel = 8 };
Q_DECLARE_FLAGS(MsgButtons, MsgButton)

struct MessageRequest {
    QString text;
    QString title;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButton::Ok;
    MsgButton defaultButton = MsgButton::Ok;
    friend bool operator==(const MessageRequest&, const MessageRequest&) = default;
};

struct InputRequest {
    QString prompt;
    QString title;
    QString initial;
    friend bool operator==(const InputRequest&, const InputRequest&) = default;
};

// Filters are written as "Name (*.x)|*.x|Other (*.y)|*.y", the pairs of a name and its pattern.
struct FileRequest {
    QString filter;
    QString initialName;
    bool confirmOverwrite = false; // ask before replacing an existing file
    bool pathMustExist = false;    // the folder must exist
    bool fileMustExist = false;
    friend bool operator==(const FileRequest&, const FileRequest&) = default;
};

struct FontChoice {
    QString family;
    double pointSize = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    friend bool operator==(const FontChoice&, const FontChoice&) = default;
};

struct FontRequest {
    FontChoice initial;
    friend bool operator==(const FontRequest&, const FontRequest&) = default;
};

struct PrinterRequest {
    // The file that "Print to File (PDF)" starts with.
    QString pdfFileName;
    friend bool operator==(const PrinterRequest&, const PrinterRequest&) = default;
};

// One row to choose from a list, in a small window: the text above the list, a heading per
// column, and a button that takes the chosen row (its caption, with its access key) beside
// Cancel. The first row starts chosen.
struct ChoiceRequest {
    QString title;
    QString text;
    QStringList columns;
    QList<QStringList> rows;
    QString acceptText;
    friend bool operator==(const ChoiceRequest&, const ChoiceRequest&) = default;
};

// The one seam for everything modal. The Qt implementation is installed by default; tests
// install a scripted one that checks exactly what was asked. Nothing outside ui/ shows a
// QMessageBox or a QFileDialog itself.
class Dialogs {
public:
    virtual ~Dialogs();

    virtual MsgButton message(const MessageRequest& request) = 0;
    // nullopt when the user cancels.
    virtual std::optional<QString> input(const InputRequest& request) = 0;
    virtual std::optional<QString> openFile(const FileRequest& request) = 0;
    // Several existing files at once. A seam without such a dialog offers one file.
    virtual std::optional<QStringList> openFiles(const FileRequest& request);
    virtual std::optional<QString> saveFile(const FileRequest& request) = 0;
    virtual std::optional<FontChoice> font(const FontRequest& request) = 0;
    virtual std::optional<QColor> color(const QColor& initial) = 0;
    // The printer dialog, which also offers "Print to File (PDF)": the choice already made when
    // no printer is installed. On OK the printer is set up as chosen; false when cancelled.
    virtual bool printer(QPrinter& printer, const PrinterRequest& request) = 0;
    // A window of the program's own that asks several things at once, shown modally over the
    // active window; true when accepted, with the answers in its controls.
    virtual bool form(QDialog& dialog) = 0;
    // The chosen row, from 0; nullopt when cancelled.
    virtual std::optional<int> choose(const ChoiceRequest& request) = 0;

    static Dialogs& current();
    // nullptr restores the Qt implementation. The caller keeps ownership.
    static void install(Dialogs* dialogs);
};

// Answers every request as a user who cancels it would, and a message with its default button:
// for programs that run without anyone to ask (benchmarks, child processes). Override what is
// expected.
class CancellingDialogs : public Dialogs {
public:
    MsgButton message(const MessageRequest& request) override { return request.defaultButton; }
    std::optional<QString> input(const InputRequest&) override { return {}; }
    std::optional<QString> openFile(const FileRequest&) override { return {}; }
    std::optional<QString> saveFile(const FileRequest&) override { return {}; }
    std::optional<FontChoice> font(const FontRequest&) override { return {}; }
    std::optional<QColor> color(const QColor&) override { return {}; }
    bool printer(QPrinter&, const PrinterRequest&) override { return false; }
    bool form(QDialog&) override { return false; }
    std::optional<int> choose(const ChoiceRequest&) override { return {}; }
};

// Shorthand for the common message box.
MsgButton messageBox(const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons,
                     MsgButton defaultButton);

// Converts "Name (*.x)|*.x|..." to the filter list a Qt file dialog takes.
QStringList qtNameFilters(const QString& filter);

} // namespace kt::ui

Q_DECLARE_OPERATORS_FOR_FLAGS(kt::ui::MsgButtons)
