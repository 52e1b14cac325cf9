// File > Make a Book...: the window as a user meets it, and the book read back out of its PDF
// with poppler-utils: title page, contents that point at the pages the chapters start on,
// only what was answered, photos and captions, page sizes, large print, metadata and fonts.
#include "core/question_catalog.h"
#include "editor_fixture.h"
#include "windows/document/book_window.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

#include <cmath>
#include <tuple>

using namespace kt;
using namespace kt::ui;

namespace {

using test::tool;

const CatalogEntry& entry(SectionId s, std::string_view stem) {
    return QuestionCatalog::instance().entry({s, stem});
}

Photo photo(QRgb colour, const std::string& caption) {
    QImage image(480, 320, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    return {bytes.toStdString(), PhotoFormat::Jpeg, caption};
}

QString info(const QString& pdf, const QString& field) {
    const auto m =
        QRegularExpression(QStringLiteral("(?m)^") + field + QStringLiteral(":\\s+(.*)$"))
            .match(tool(QStringLiteral("pdfinfo"), {pdf}));
    return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

// The page size pdfinfo tells, within the point the PDF writer rounds to.
bool sizeIs(const QString& pdf, double width, double height) {
    const auto m = QRegularExpression(QStringLiteral("([\\d.]+) x ([\\d.]+) pts"))
                       .match(info(pdf, QStringLiteral("Page size")));
    return m.hasMatch() && std::abs(m.captured(1).toDouble() - width) < 1 &&
           std::abs(m.captured(2).toDouble() - height) < 1;
}

QString pageText(const QString& pdf, int page) {
    const QString n = QString::number(page);
    return tool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-f"), n,
                                              QStringLiteral("-l"), n, pdf, QStringLiteral("-")});
}

class Book : public test::EditorFixture {
protected:
    // A story with three sections answered (one only by a blank answer elsewhere) and photos.
    void SetUp() override {
        EditorFixture::SetUp();
        const std::string prose =
            "We walked to school along the river every morning, whatever the weather, and "
            "my brother always found something to carry home in his pockets. ";
        std::string longAnswer;
        for (int i = 0; i < 12; ++i)
            longAnswer += prose + (i % 3 == 2 ? "\r\n\r\n" : "");
        for (const CatalogEntry& e : QuestionCatalog::instance().questions(SectionId::Childhood))
            if (e.key.stem != "Toys")
                state().answers.setTextOf(e, longAnswer);
        state().answers.setTextOf(entry(SectionId::HighSchool, "Grad"), "  \r\n ");
        state().answers.setTextOf(entry(SectionId::Wedding, "Where"), "St Mary's, June 1961.");
        state().answers.setTextOf(entry(SectionId::Final, "Comments"), longAnswer);
        state()
            .photos.of(entry(SectionId::Childhood, "Lived"))
            .push_back(photo(qRgb(180, 120, 60), "Our house on Mill Lane"));
        state()
            .photos.of(entry(SectionId::Wedding, "Where"))
            .push_back(photo(qRgb(60, 90, 160), "Outside the church"));
        state()
            .photos.of(entry(SectionId::Wedding, "Where"))
            .push_back(photo(qRgb(20, 160, 60), ""));
        openEditor();
    }

    // Makes a book through the menu, filling the window in as given.
    void make(const QString& pdf, BookPageSize size, bool large) {
        dialogs->answerForm([&](QDialog& d) {
            auto& w = static_cast<document::BookWindow&>(d);
            w.txtTitle()->setText(QStringLiteral("A Life on the River"));
            w.txtTeller()->setText(QStringLiteral("Margaret Ó Brien"));
            w.txtDedication()->setText(QStringLiteral("For Ann and Tom"));
            w.cboPageSize()->setCurrentIndex(static_cast<int>(size));
            w.chkLargePrint()->setChecked(large);
            return true;
        });
        dialogs->answerSave(pdf);
        trigger("mnuFileMakeBook");
    }
};

TEST_F(Book, TheWindowAsAUserMeetsIt) {
    QAction* make = item("mnuFileMakeBook");
    ASSERT_NE(make, nullptr);
    EXPECT_EQ(make->text(), QStringLiteral("Make a &Book..."));
    QStringList keys; // the File menu's access keys, each once
    for (QAction* a : editor()->findChild<QMenu*>(QStringLiteral("mnuFile"))->actions())
        if (const qsizetype amp = a->text().indexOf(u'&'); amp >= 0)
            keys << a->text().mid(amp + 1, 1).toUpper();
    EXPECT_EQ(keys.removeDuplicates(), 0) << keys.join(u' ').toStdString();

    // The real window, once: focus, access keys, the default button.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::Canada));
    {
        document::BookWindow w(document::startingBookOptions(state()));
        w.show();
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([&w] { return QApplication::activeWindow() == &w; }));
        EXPECT_EQ(QApplication::focusWidget(), w.txtTitle());
        EXPECT_EQ(w.txtTitle()->selectedText(), QStringLiteral("The Story of My Life"));
        EXPECT_EQ(w.cboPageSize()->currentText(), QStringLiteral("US Letter"));
        EXPECT_TRUE(w.findChild<QLabel*>(QStringLiteral("lblNote"))
                        ->text()
                        .contains(QStringLiteral("not in it")));
        for (const auto& [key, target] :
             std::vector<std::pair<Qt::Key, QWidget*>>{{Qt::Key_N, w.txtTeller()},
                                                       {Qt::Key_D, w.txtDedication()},
                                                       {Qt::Key_Z, w.cboPageSize()},
                                                       {Qt::Key_T, w.txtTitle()}}) {
            QTest::keyClick(&w, key, Qt::AltModifier);
            EXPECT_EQ(QApplication::focusWidget(), target) << char(key);
        }
        QTest::keyClick(&w, Qt::Key_L, Qt::AltModifier); // a button's key clicks it shortly
        EXPECT_TRUE(QTest::qWaitFor([&w] { return w.chkLargePrint()->isChecked(); }));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_EQ(w.result(), QDialog::Accepted) << "OK is the default button";
        EXPECT_TRUE(w.options().largePrint);
    }
    QLocale::setDefault(QLocale::system());

    // Through the menu: a cancelled save dialog makes nothing and keeps nothing.
    dialogs->answerForm([](QDialog&) { return true; });
    dialogs->answerSave(std::nullopt);
    trigger("mnuFileMakeBook");
    ASSERT_EQ(dialogs->saves.size(), 1u);
    EXPECT_TRUE(
        dialogs->saves[0].initialName.endsWith(QStringLiteral("/The Story of My Life.pdf")));
    EXPECT_FALSE(state().book) << "a cancel changes nothing";
    EXPECT_TRUE(dialogs->allAnswersUsed());
}

TEST_F(Book, ReadBackFromItsPdf) {
    const QString pdf = path(QStringLiteral("book.pdf"));
    make(pdf, BookPageSize::A4, false);
    ASSERT_TRUE(QFileInfo::exists(pdf));
    ASSERT_TRUE(state().book);
    EXPECT_EQ(state().book->teller, "Margaret Ó Brien");

    EXPECT_EQ(info(pdf, QStringLiteral("Title")), QStringLiteral("A Life on the River"));
    EXPECT_EQ(info(pdf, QStringLiteral("Author")), QStringLiteral("Margaret Ó Brien"));
    EXPECT_TRUE(sizeIs(pdf, 595.3, 841.9));
    const QStringList fonts = tool(QStringLiteral("pdffonts"), {pdf}).split(u'\n').mid(2);
    ASSERT_FALSE(fonts.join(QString()).trimmed().isEmpty());
    const QRegularExpression embedded(
        QStringLiteral("\\s(yes|no)\\s+(yes|no)\\s+(yes|no)\\s+\\d+\\s+\\d+$"));
    for (const QString& f : fonts) {
        if (!f.trimmed().isEmpty()) {
            EXPECT_EQ(embedded.match(f.trimmed()).captured(1), QStringLiteral("yes"))
                << f.toStdString();
        }
    }
    // The title page's photo and the three in the chapters.
    EXPECT_EQ(test::pdfImageCount(pdf), 4);

    const QString title = pageText(pdf, 1);
    EXPECT_TRUE(title.contains(QStringLiteral("A Life on the River")));
    EXPECT_TRUE(title.contains(QStringLiteral("Margaret Ó Brien")));
    EXPECT_TRUE(title.contains(QStringLiteral("For Ann and Tom")));
    EXPECT_FALSE(title.contains(
        QRegularExpression(QStringLiteral("^\\s*1\\s*$"), QRegularExpression::MultilineOption)))
        << "no number on the title page";

    // The contents: exactly the sections with answers, each at the page it starts on.
    const QString contents = pageText(pdf, 2);
    const QRegularExpression line(QStringLiteral("(?m)^\\s*(\\S.*?)[ .]+(\\d+)\\s*$"));
    QStringList listed;
    for (auto it = line.globalMatch(contents); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(1) == QStringLiteral("Contents") || m.captured(1).isEmpty())
            continue;
        listed << m.captured(1);
        const QString start = pageText(pdf, m.captured(2).toInt()).trimmed();
        EXPECT_TRUE(start.startsWith(m.captured(1)))
            << m.captured(1).toStdString() << " is not at the top of page "
            << m.captured(2).toStdString() << ": " << start.left(60).toStdString();
    }
    EXPECT_EQ(listed, (QStringList{QStringLiteral("Childhood"), QStringLiteral("Wedding"),
                                   QStringLiteral("Final Thoughts")}));

    const QString all = tool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}).simplified();
    EXPECT_FALSE(all.contains(QStringLiteral("toys you remember"))) << "unanswered";
    EXPECT_FALSE(all.contains(QStringLiteral("finish high school"))) << "blank answer";
    EXPECT_FALSE(all.contains(QStringLiteral("High School")));
    EXPECT_TRUE(all.contains(QStringLiteral("Were your parents strict? How?")));
    EXPECT_TRUE(all.contains(QStringLiteral("St Mary's, June 1961.")));
    EXPECT_TRUE(all.contains(QStringLiteral("Our house on Mill Lane")));
    EXPECT_TRUE(all.contains(QStringLiteral("Outside the church")));

    // Large print: the same book on many more pages.
    const QString large = path(QStringLiteral("large.pdf"));
    make(large, BookPageSize::A4, true);
    const int normalPages = info(pdf, QStringLiteral("Pages")).toInt();
    EXPECT_GE(info(large, QStringLiteral("Pages")).toInt(), normalPages * 1.4) << normalPages;

    // Each sheet its own size, in points.
    for (const auto& [size, w, h] : std::vector<std::tuple<BookPageSize, double, double>>{
             {BookPageSize::Letter, 612, 792},
             {BookPageSize::A5, 419.5, 595.3},
             {BookPageSize::Trade6x9, 432, 648}}) {
        const QString file = path(QStringLiteral("size-%1.pdf").arg(static_cast<int>(size)));
        make(file, size, false);
        EXPECT_TRUE(sizeIs(file, w, h)) << info(file, QStringLiteral("Page size")).toStdString();
    }
    EXPECT_TRUE(dialogs->allAnswersUsed());
}

} // namespace
