#include "windows/document/book_window.h"

#include "windows/window_names.h"

#include "core/program_state.h"
#include "rtf/rtf.h"
#include "ui/busy_cursor.h"
#include "ui/dialogs.h"
#include "ui/progress.h"
#include "ui/qs.h"
#include "windows/document/book_layout.h"
#include "windows/document/story_print.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>

namespace kt::document {

using ui::qs;

namespace {

struct PageSizeChoice {
    BookPageSize size;
    const char* caption;
};
constexpr std::array<PageSizeChoice, 4> kPageSizes = {{
    {BookPageSize::A4, "A4"},
    {BookPageSize::Letter, "US Letter"},
    {BookPageSize::A5, "A5"},
    {BookPageSize::Trade6x9, "6 x 9 in"},
}};

QLineEdit* field(const QString& name, const QString& text, const QString& description) {
    auto* edit = new QLineEdit(text);
    edit->setObjectName(name);
    edit->setAccessibleDescription(description);
    return edit;
}

QString toStd(const QLineEdit* e) {
    return e->text().trimmed();
}

// A file name from the title: what no file system takes, left out.
QString fileNameFor(const QString& title) {
    QString name;
    for (const QChar c : title)
        if (c >= u' ' && !QStringLiteral("/\\:*?\"<>|").contains(c))
            name += c;
    name = name.trimmed();
    while (name.startsWith(u'.'))
        name.remove(0, 1);
    return (name.isEmpty() ? QStringLiteral("Book") : name) + QStringLiteral(".pdf");
}

} // namespace

BookWindow::BookWindow(const BookOptions& options, QWidget* parent) : QDialog(parent) {
    setObjectName(windows::kBook);
    setWindowTitle(QStringLiteral("Kithtale - Make a Book"));

    m_title = field(QStringLiteral("txtTitle"), qs(options.title),
                    QStringLiteral("The book's title, on its title page."));
    m_teller = field(QStringLiteral("txtTeller"), qs(options.teller),
                     QStringLiteral("Your name, under the title."));
    m_dedication = field(QStringLiteral("txtDedication"), qs(options.dedication),
                         QStringLiteral("Optional: a few words to whom the book is given."));
    m_pageSize = new QComboBox;
    m_pageSize->setObjectName(QStringLiteral("cboPageSize"));
    for (const PageSizeChoice& p : kPageSizes) {
        m_pageSize->addItem(QString::fromLatin1(p.caption), static_cast<int>(p.size));
        if (p.size == options.pageSize)
            m_pageSize->setCurrentIndex(m_pageSize->count() - 1);
    }
    m_pageSize->setAccessibleDescription(QStringLiteral("The paper the book is printed on."));
    m_largePrint = new QCheckBox(QStringLiteral("&Large print"));
    m_largePrint->setObjectName(QStringLiteral("chkLargePrint"));
    m_largePrint->setChecked(options.largePrint);
    m_largePrint->setAccessibleName(QStringLiteral("Large print"));
    m_largePrint->setAccessibleDescription(
        QStringLiteral("Larger letters and more space between the lines, easier to read."));

    auto* form = new QFormLayout;
    const auto row = [form](const QString& caption, QWidget* w, const QString& name) {
        auto* label = new QLabel(caption);
        label->setBuddy(w);
        w->setAccessibleName(name);
        form->addRow(label, w);
    };
    row(QStringLiteral("&Title:"), m_title, QStringLiteral("Title"));
    row(QStringLiteral("Your &name:"), m_teller, QStringLiteral("Your name"));
    row(QStringLiteral("&Dedication:"), m_dedication, QStringLiteral("Dedication"));
    row(QStringLiteral("Page si&ze:"), m_pageSize, QStringLiteral("Page size"));
    form->addRow(QString(), m_largePrint);

    auto* note = new QLabel(QStringLiteral(
        "The book is made from your answers and their photos: changes made only here in the "
        "editor are not in it."));
    note->setObjectName(QStringLiteral("lblNote"));
    note->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    ok->setAccessibleDescription(QStringLiteral("Choose where to save the book, then make it."));
    QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    cancel->setAccessibleDescription(QStringLiteral("Close this window without making a book."));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(buttons);
    setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 34);

    setTabOrder(m_title, m_teller);
    setTabOrder(m_teller, m_dedication);
    setTabOrder(m_dedication, m_pageSize);
    setTabOrder(m_pageSize, m_largePrint);
    m_title->setFocus();
    m_title->selectAll();
}

BookOptions BookWindow::options() const {
    BookOptions o;
    o.title = toStd(m_title).toStdString();
    if (o.title.empty())
        o.title = BookOptions().title;
    o.teller = toStd(m_teller).toStdString();
    o.dedication = toStd(m_dedication).toStdString();
    o.pageSize = static_cast<BookPageSize>(m_pageSize->currentData().toInt());
    o.largePrint = m_largePrint->isChecked();
    return o;
}

BookOptions startingBookOptions(const ProgramState& state) {
    if (state.book)
        return *state.book;
    BookOptions o;
    o.pageSize = usualPageSize(QLocale::territoryToCode(QLocale().territory()).toStdString());
    return o;
}

void makeBook(ProgramState& state, const QString& storyFile, QWidget* window) {
    const std::vector<BookChapter> chapters = bookChapters(state.answers, state.photos);
    if (chapters.empty()) {
        ui::messageBox(QStringLiteral("There is nothing to put in a book yet.  Answer some of the "
                                      "questions first, then make your book."),
                       QStringLiteral("Kithtale"), ui::MsgIcon::Information, ui::MsgButton::Ok,
                       ui::MsgButton::Ok);
        return;
    }
    BookWindow ask(startingBookOptions(state), window);
    if (!ui::Dialogs::current().form(ask))
        return;
    const BookOptions options = ask.options();

    ui::FileRequest request;
    request.filter = QStringLiteral("PDF Files (*.pdf)|*.pdf");
    request.initialName =
        QFileInfo(pdfFileFor(storyFile)).dir().filePath(fileNameFor(qs(options.title)));
    request.confirmOverwrite = true;
    request.pathMustExist = true;
    const std::optional<QString> path = ui::Dialogs::current().saveFile(request);
    if (!path)
        return;

    QByteArray pdf;
    {
        const ui::BusyCursor busy(true, window);
        ui::Progress progress(QStringLiteral("Making your book..."), window);
        pdf = makeBookPdf(chapters, options,
                          [&progress](int page, int pages) { return progress.step(page, pages); });
    }
    if (pdf.isEmpty())
        return; // cancelled while it was being made
    QString reason;
    if (!rtf::saveBytes(*path, pdf, &reason)) {
        ui::messageBox(QStringLiteral("Your book could not be saved to this file:\n") + *path +
                           QStringLiteral("\n\nReason: ") + reason +
                           QStringLiteral("\n\nPlease make it again, for example in another "
                                          "folder."),
                       QStringLiteral("Kithtale"), ui::MsgIcon::Exclamation, ui::MsgButton::Ok,
                       ui::MsgButton::Ok);
        return;
    }
    state.book = options;
}

} // namespace kt::document
