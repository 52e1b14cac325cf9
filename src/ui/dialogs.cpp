#include "ui/dialogs.h"

#include "ui/program_window.h"
#include "ui/window_manager.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace kt::ui {
namespace {

QWidget* dialogParent() {
    // Modal to the program, placed over the window the user is working in.
    return WindowManager::instance().activeWindow();
}

QMessageBox::StandardButton toQt(MsgButton b) {
    switch (b) {
    case MsgButton::Ok:
        return QMessageBox::Ok;
    case MsgButton::Yes:
        return QMessageBox::Yes;
    case MsgButton::No:
        return QMessageBox::No;
    case MsgButton::Cancel:
        return QMessageBox::Cancel;
    case MsgButton::None:
        break;
    }
    return QMessageBox::NoButton;
}

class QtDialogs final : public Dialogs {
public:
    MsgButton message(const MessageRequest& r) override {
        QMessageBox box(dialogParent());
        box.setWindowModality(Qt::ApplicationModal);
        box.setWindowTitle(r.title);
        box.setText(r.text);
        switch (r.icon) {
        case MsgIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case MsgIcon::Exclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case MsgIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case MsgIcon::Critical:
            box.setIcon(QMessageBox::Critical);
            break;
        case MsgIcon::None:
            break;
        }
        QMessageBox::StandardButtons buttons;
        for (MsgButton b : {MsgButton::Ok, MsgButton::Yes, MsgButton::No, MsgButton::Cancel})
            if (r.buttons.testFlag(b))
                buttons |= toQt(b);
        box.setStandardButtons(buttons);
        box.setDefaultButton(toQt(r.defaultButton));
        if (r.buttons.testFlag(MsgButton::Cancel))
            box.setEscapeButton(QMessageBox::Cancel);
        else if (r.buttons.testFlag(MsgButton::No))
            box.setEscapeButton(QMessageBox::No);
        switch (box.exec()) {
        case QMessageBox::Ok:
            return MsgButton::Ok;
        case QMessageBox::Yes:
            return MsgButton::Yes;
        case QMessageBox::No:
            return MsgButton::No;
        case QMessageBox::Cancel:
            return MsgButton::Cancel;
        default:
            // Closed by Escape or the title bar without an escape button: the safe answer.
            return r.buttons.testFlag(MsgButton::Cancel) ? MsgButton::Cancel
                   : r.buttons.testFlag(MsgButton::No)   ? MsgButton::No
                                                         : MsgButton::Ok;
        }
    }

    std::optional<QString> input(const InputRequest& r) override {
        bool ok = false;
        const QString text = QInputDialog::getText(dialogParent(), r.title, r.prompt,
                                                   QLineEdit::Normal, r.initial, &ok);
        if (!ok)
            return std::nullopt;
        return text;
    }

    std::optional<QString> openFile(const FileRequest& r) override {
        QFileDialog dialog(dialogParent());
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(r.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        return run(dialog, r);
    }

    std::optional<QStringList> openFiles(const FileRequest& r) override {
        QFileDialog dialog(dialogParent());
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFiles);
        if (!prepareAndRun(dialog, r))
            return std::nullopt;
        return dialog.selectedFiles();
    }

    std::optional<QString> saveFile(const FileRequest& r) override {
        QFileDialog dialog(dialogParent());
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (!r.confirmOverwrite)
            dialog.setOption(QFileDialog::DontConfirmOverwrite);
        return run(dialog, r);
    }

    std::optional<FontChoice> font(const FontRequest& r) override {
        QFont initial(r.initial.family);
        if (r.initial.pointSize > 0)
            initial.setPointSizeF(r.initial.pointSize);
        initial.setBold(r.initial.bold);
        initial.setItalic(r.initial.italic);
        initial.setUnderline(r.initial.underline);
        bool ok = false;
        const QFont f = QFontDialog::getFont(&ok, initial, dialogParent(), QString(),
                                             QFontDialog::ScalableFonts);
        if (!ok)
            return std::nullopt;
        return FontChoice{f.family(), f.pointSizeF(), f.bold(), f.italic(), f.underline()};
    }

    std::optional<QColor> color(const QColor& initial) override {
        const QColor c = QColorDialog::getColor(initial, dialogParent());
        if (!c.isValid())
            return std::nullopt;
        return c;
    }

    bool printer(QPrinter& printer, const PrinterRequest& r) override {
        // Without a printer a PDF file is the one thing that can be printed, so it is chosen.
        const bool noPrinter = QPrinterInfo::availablePrinterNames().isEmpty();
        if (noPrinter) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(r.pdfFileName);
        }
        QPrintDialog dialog(&printer, dialogParent());
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
        // The file box shows the whole name. With a printer chosen it still offers the story's
        // own name; setting that through the printer would choose the file instead.
        if (auto* file = dialog.findChild<QLineEdit*>(QStringLiteral("filename"))) {
            if (!noPrinter)
                file->setText(r.pdfFileName);
            file->setMinimumWidth(std::min(
                file->fontMetrics().horizontalAdvance(r.pdfFileName + QStringLiteral("MM")),
                file->screen()->availableGeometry().width() / 2));
        }
        return dialog.exec() == QDialog::Accepted;
    }

    bool form(QDialog& dialog) override {
        if (!dialog.parentWidget())
            dialog.setParent(dialogParent(), dialog.windowFlags());
        dialog.setWindowModality(Qt::ApplicationModal);
        return dialog.exec() == QDialog::Accepted;
    }

    std::optional<int> choose(const ChoiceRequest& r) override {
        QDialog dialog(dialogParent());
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.setWindowTitle(r.title);
        auto* layout = new QVBoxLayout(&dialog);
        auto* text = new QLabel(r.text, &dialog);
        text->setWordWrap(true);
        text->setTextFormat(Qt::PlainText);
        layout->addWidget(text);

        auto* list = new QTreeWidget(&dialog);
        list->setRootIsDecorated(false);
        list->setUniformRowHeights(true);
        list->setHeaderLabels(r.columns);
        list->setAccessibleName(r.title);
        for (const QStringList& row : r.rows)
            list->addTopLevelItem(new QTreeWidgetItem(row));
        for (int c = 0; c < r.columns.size(); ++c)
            list->resizeColumnToContents(c);
        list->header()->setStretchLastSection(false);
        if (list->topLevelItemCount() > 0)
            list->setCurrentItem(list->topLevelItem(0));
        layout->addWidget(list);
        text->setBuddy(list);

        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, &dialog);
        QPushButton* take = buttons->addButton(r.acceptText, QDialogButtonBox::AcceptRole);
        take->setDefault(true);
        take->setEnabled(list->topLevelItemCount() > 0);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        QObject::connect(list, &QTreeWidget::itemActivated, &dialog, &QDialog::accept);
        layout->addWidget(buttons);

        // Wide enough for every column, within half the screen.
        int width = 0;
        for (int c = 0; c < r.columns.size(); ++c)
            width += list->columnWidth(c);
        const QRect screen = dialog.screen()->availableGeometry();
        dialog.resize(std::clamp(width + 60, 420, screen.width() / 2),
                      std::min(dialog.sizeHint().height() + 120, screen.height() / 2));
        list->setFocus();
        if (dialog.exec() != QDialog::Accepted || !list->currentItem())
            return std::nullopt;
        return list->indexOfTopLevelItem(list->currentItem());
    }

private:
    static bool prepareAndRun(QFileDialog& dialog, const FileRequest& r) {
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.setNameFilters(qtNameFilters(r.filter));
        if (!r.initialName.isEmpty())
            dialog.selectFile(r.initialName);
        return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    }
    static std::optional<QString> run(QFileDialog& dialog, const FileRequest& r) {
        if (!prepareAndRun(dialog, r))
            return std::nullopt;
        return dialog.selectedFiles().constFirst();
    }
};

QtDialogs g_qtDialogs;
Dialogs* g_current = &g_qtDialogs;

} // namespace

Dialogs::~Dialogs() = default;

std::optional<QStringList> Dialogs::openFiles(const FileRequest& request) {
    const std::optional<QString> one = openFile(request);
    if (!one)
        return std::nullopt;
    return QStringList{*one};
}

Dialogs& Dialogs::current() {
    return *g_current;
}

void Dialogs::install(Dialogs* dialogs) {
    g_current = dialogs ? dialogs : &g_qtDialogs;
}

MsgButton messageBox(const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons,
                     MsgButton defaultButton) {
    return Dialogs::current().message({text, title, icon, buttons, defaultButton});
}

QStringList qtNameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& name = parts[i];
        if (name.isEmpty())
            continue;
        // Qt reads the patterns from the parentheses, so keep the name when it names them
        // and otherwise append the pattern.
        if (name.contains(QLatin1Char('(')))
            out << name;
        else
            out << name + QStringLiteral(" (") +
                       QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return out;
}

} // namespace kt::ui
