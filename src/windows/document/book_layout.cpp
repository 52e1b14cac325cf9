#include "windows/document/book_layout.h"

#include "ui/qs.h"

#include <QBuffer>
#include <QDateTime>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QImageReader>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <deque>
#include <memory>
#include <vector>

namespace kt::document {
namespace {

// Device units: fine enough that the glyphs' advances are not rounded visibly.
constexpr int kDpi = 1200;
constexpr qreal kPt = kDpi / 72.0;
// A picture's natural size: its pixels at this density, never wider than the text.
constexpr qreal kPictureDpi = 150;

using ui::qs;

// Sizes in points. Large print follows clear-print advice: large, plain, left-aligned,
// generous spacing.
struct Style {
    qreal body, heading, chapter, title, teller, running, spacing, side, top, bottom;
};

Style styleFor(const BookOptions& o) {
    const bool small = o.pageSize == BookPageSize::A5 || o.pageSize == BookPageSize::Trade6x9;
    if (o.largePrint)
        return {17,
                18,
                30,
                38,
                22,
                14,
                1.5,
                small ? 50.0 : 68.0,
                small ? 58.0 : 74.0,
                small ? 58.0 : 74.0};
    return {small ? 11.0 : 12.0,
            small ? 11.5 : 12.5,
            small ? 22.0 : 26.0,
            small ? 28.0 : 34.0,
            small ? 15.0 : 18.0,
            small ? 8.5 : 9.5,
            1.3,
            small ? 50.0 : 72.0,
            small ? 58.0 : 78.0,
            small ? 58.0 : 78.0};
}

QPageSize pageSizeOf(BookPageSize size) {
    switch (size) {
    case BookPageSize::Letter:
        return QPageSize(QPageSize::Letter);
    case BookPageSize::A5:
        return QPageSize(QPageSize::A5);
    case BookPageSize::Trade6x9:
        return QPageSize(QSizeF(6, 9), QPageSize::Inch, QStringLiteral("6 x 9 in"),
                         QPageSize::ExactMatch);
    case BookPageSize::A4:
        break;
    }
    return QPageSize(QPageSize::A4);
}

// One piece of the flow: a paragraph laid out in lines, or a picture.
struct Flow {
    std::unique_ptr<QTextLayout> text;
    qreal advance = 0; // from one line's top to the next
    qreal spaceBefore = 0;
    qreal spaceAfter = 0;
    bool keepWithNext = false; // a heading, or a photo with its caption
    bool whole = false;        // never split (headings, captions)
    const Photo* photo = nullptr;
    QSizeF size; // of the picture

    int lines() const { return text ? text->lineCount() : 0; }
    qreal height() const { return text ? lines() * advance : size.height(); }
};

struct Fonts {
    QFont body, heading, caption, chapter, title, teller, dedication, running;
};

QFont fontOf(const QString& family, qreal points, bool bold = false, bool italic = false) {
    QFont f(family);
    f.setStyleHint(QFont::Serif);
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setItalic(italic);
    f.setKerning(true);
    return f;
}

Fonts fontsFor(const Style& s) {
    const QString family = bookFontFamily();
    return {fontOf(family, s.body),
            fontOf(family, s.heading, true),
            fontOf(family, s.body - 1, false, true),
            fontOf(family, s.chapter),
            fontOf(family, s.title),
            fontOf(family, s.teller),
            fontOf(family, s.body + 1, false, true),
            fontOf(family, s.running, false, true)};
}

Flow textFlow(const QString& text, const QFont& font, QPaintDevice* device, qreal width,
              Qt::Alignment align, qreal spacing) {
    Flow f;
    f.text = std::make_unique<QTextLayout>(text, font, device);
    QTextOption option(align);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    f.text->setTextOption(option);
    f.text->setCacheEnabled(true);
    f.advance = QFontMetricsF(font, device).height() * spacing;
    f.text->beginLayout();
    for (qreal y = 0;; y += f.advance) {
        QTextLine line = f.text->createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
    }
    f.text->endLayout();
    return f;
}

QSizeF pictureSize(const Photo& photo, const QSizeF& box) {
    QByteArray bytes =
        QByteArray::fromRawData(photo.bytes.data(), static_cast<qsizetype>(photo.bytes.size()));
    QBuffer buffer(&bytes);
    const QSize pixels = QImageReader(&buffer).size(); // the header alone
    if (pixels.isEmpty())
        return {box.width() / 2, box.width() / 2};
    QSizeF size = QSizeF(pixels) * (kDpi / kPictureDpi);
    if (size.width() > box.width() || size.height() > box.height())
        size.scale(box, Qt::KeepAspectRatio);
    return size;
}

QImage decoded(const Photo& photo) {
    return QImage::fromData(reinterpret_cast<const uchar*>(photo.bytes.data()),
                            static_cast<int>(photo.bytes.size()));
}

// What a page shows: slices of the flow, each placed with its first line's top at `at`.
struct Placed {
    const Flow* flow;
    int from, to;
    QPointF at;
};
struct Page {
    int chapter = -1; // -1: the title page and the contents
    bool opening = false;
    std::vector<Placed> items;
};

class Book {
public:
    Book(std::span<const BookChapter> chapters, const BookOptions& options, QPdfWriter& device)
        : m_chapters(chapters), m_options(options), m_style(styleFor(options)),
          m_fonts(fontsFor(m_style)), m_device(device) {
        const qreal w = device.width();
        const qreal h = device.height();
        m_left = m_style.side * kPt;
        m_width = w - 2 * m_left;
        m_top = m_style.top * kPt;
        m_bottom = h - m_style.bottom * kPt;
        m_pageWidth = w;
        m_pageHeight = h;
    }

    void layOut() {
        m_flows.resize(m_chapters.size());
        for (std::size_t c = 0; c < m_chapters.size(); ++c)
            flowChapter(c);
    }

    bool paint(const BookProgress& progress) {
        const int contentsPages = layOutContents();
        const int pages = 1 + contentsPages + static_cast<int>(m_pages.size());
        QPainter painter;
        if (!painter.begin(&m_device))
            return false;
        int number = 1;
        const auto next = [&] {
            if (progress && !progress(number, pages))
                return false;
            if (number > 1)
                m_device.newPage();
            return true;
        };
        if (!next())
            return false;
        paintTitlePage(painter);
        for (int p = 0; p < contentsPages; ++p) {
            ++number;
            if (!next())
                return false;
            paintContentsPage(painter, p, 1 + contentsPages);
            paintFooter(painter, number);
        }
        for (const Page& page : m_pages) {
            ++number;
            if (!next())
                return false;
            paintItems(painter, page.items);
            if (!page.opening)
                paintHeader(painter, qs(m_chapters[static_cast<std::size_t>(page.chapter)].title));
            paintFooter(painter, number);
        }
        return painter.end();
    }

private:
    qreal pt(qreal points) const { return points * kPt; }
    qreal bodySpace() const { return pt(m_style.body); }

    Flow text(const QString& s, const QFont& font, Qt::Alignment align, qreal spacing) {
        return textFlow(s, font, &m_device, m_width, align, spacing);
    }
    Qt::Alignment bodyAlignment() const {
        return m_options.largePrint ? Qt::AlignLeft : Qt::AlignJustify;
    }

    void flowChapter(std::size_t c) {
        std::vector<Flow>& flows = m_flows[c];
        const BookChapter& chapter = m_chapters[c];
        // The tallest a photo may be: with its caption and a heading it still fits a page.
        const QSizeF pictureBox(m_width, (m_bottom - m_top) * 0.6);
        for (const BookEntry& e : chapter.entries) {
            Flow heading = text(qs(e.question->text), m_fonts.heading, Qt::AlignLeft, 1.15);
            heading.spaceBefore = bodySpace() * 1.3;
            heading.spaceAfter = bodySpace() * 0.45;
            heading.keepWithNext = true;
            heading.whole = true;
            flows.push_back(std::move(heading));
            qreal gap = 0;
            for (const QString& line :
                 qs(e.answer).split(QRegularExpression(QStringLiteral("\r\n|\r|\n")))) {
                if (line.trimmed().isEmpty()) {
                    gap = bodySpace() * 0.5; // an empty line between paragraphs: a little more
                    continue;
                }
                Flow paragraph = text(line, m_fonts.body, bodyAlignment(), m_style.spacing);
                paragraph.spaceBefore = gap;
                paragraph.spaceAfter = bodySpace() * 0.45;
                flows.push_back(std::move(paragraph));
                gap = 0;
            }
            for (const Photo& photo : e.photos) {
                Flow picture;
                picture.photo = &photo;
                picture.size = pictureSize(photo, pictureBox);
                picture.spaceBefore = bodySpace() * 0.6;
                picture.spaceAfter = bodySpace() * 0.3;
                picture.keepWithNext = !photo.caption.empty();
                flows.push_back(std::move(picture));
                if (photo.caption.empty())
                    continue;
                Flow caption = text(qs(photo.caption), m_fonts.caption, Qt::AlignHCenter, 1.2);
                caption.whole = true;
                caption.spaceAfter = bodySpace() * 0.6;
                flows.push_back(std::move(caption));
            }
            // The keep of the last piece ends with its question.
            flows.back().keepWithNext = false;
        }
        paginate(static_cast<int>(c), flows);
    }

    void newPage(int chapter) {
        m_pages.emplace_back();
        m_pages.back().chapter = chapter;
        m_y = m_top;
    }

    // The height that must stand on one page at the start of flows[i].
    qreal lead(const std::vector<Flow>& flows, std::size_t i) const {
        const Flow& f = flows[i];
        qreal h =
            f.text && !f.whole && !f.keepWithNext ? std::min(f.lines(), 2) * f.advance : f.height();
        if (f.keepWithNext && i + 1 < flows.size())
            h += f.spaceAfter + flows[i + 1].spaceBefore + lead(flows, i + 1);
        return h;
    }

    void paginate(int chapter, const std::vector<Flow>& flows) {
        newPage(chapter);
        m_pages.back().opening = true;
        // The chapter's name stands lower on its first page, as a book has it.
        m_y = m_top + (m_bottom - m_top) * 0.12;
        m_chapterTitles.push_back(text(qs(m_chapters[static_cast<std::size_t>(chapter)].title),
                                       m_fonts.chapter, Qt::AlignHCenter, 1.1));
        const Flow& title = m_chapterTitles.back();
        m_pages.back().items.push_back({&title, 0, title.lines(), {m_left, m_y}});
        m_y += title.height() + bodySpace() * 1.5;
        m_chapterStart.push_back(static_cast<int>(m_pages.size()) - 1);

        for (std::size_t i = 0; i < flows.size(); ++i) {
            const Flow& f = flows[i];
            const bool atTop = m_y <= m_top;
            if (!atTop) {
                m_y += f.spaceBefore;
                if (m_y + lead(flows, i) > m_bottom)
                    newPage(chapter);
            }
            if (f.photo) {
                m_pages.back().items.push_back(
                    {&f, 0, 0, {m_left + (m_width - f.size.width()) / 2, m_y}});
                m_y += f.size.height() + f.spaceAfter;
                continue;
            }
            const int n = f.lines();
            for (int line = 0; line < n;) {
                int take = std::min(n - line, static_cast<int>((m_bottom - m_y) / f.advance));
                if (take <= 0 && m_y > m_top) {
                    newPage(chapter);
                    continue;
                }
                take = std::max(take, 1); // a line taller than a page still goes somewhere
                // No last line of a paragraph alone at the top of a page.
                if (take < n - line && n - line - take == 1 && take >= 3)
                    --take;
                m_pages.back().items.push_back({&f, line, line + take, {m_left, m_y}});
                m_y += take * f.advance;
                line += take;
                if (line < n)
                    newPage(chapter);
            }
            m_y += f.spaceAfter;
        }
    }

    // The contents: its heading and a line per chapter. Its number of pages does not depend on
    // the page numbers it lists, so laying it out once before painting is enough.
    int layOutContents() {
        m_contentsHeading =
            text(QStringLiteral("Contents"), m_fonts.chapter, Qt::AlignHCenter, 1.1);
        m_contentsLine = QFontMetricsF(m_fonts.body, &m_device).height() * m_style.spacing * 1.5;
        const qreal first =
            m_top + (m_bottom - m_top) * 0.12 + m_contentsHeading.height() + bodySpace() * 2;
        m_contentsPerPage = std::max(1, static_cast<int>((m_bottom - first) / m_contentsLine));
        m_contentsFirst = first;
        const int n = static_cast<int>(m_chapters.size());
        return std::max(1, (n + m_contentsPerPage - 1) / m_contentsPerPage);
    }

    void paintContentsPage(QPainter& painter, int index, int pagesBefore) {
        QFont font(m_fonts.body, &m_device);
        if (index == 0) {
            paintItems(painter, {{&m_contentsHeading,
                                  0,
                                  m_contentsHeading.lines(),
                                  {m_left, m_top + (m_bottom - m_top) * 0.12}}});
        }
        painter.setFont(font);
        const QFontMetricsF metrics(font, &m_device);
        const qreal dot = metrics.horizontalAdvance(QStringLiteral(". "));
        const int from = index * m_contentsPerPage;
        const int to = std::min<int>(from + m_contentsPerPage, static_cast<int>(m_chapters.size()));
        qreal y = index == 0 ? m_contentsFirst : m_top;
        for (int c = from; c < to; ++c, y += m_contentsLine) {
            const QString name = qs(m_chapters[static_cast<std::size_t>(c)].title);
            const QString number =
                QString::number(pagesBefore + m_chapterStart[static_cast<std::size_t>(c)] + 1);
            const qreal baseline = y + metrics.ascent();
            painter.drawText(QPointF(m_left, baseline), name);
            const qreal numberWidth = metrics.horizontalAdvance(number);
            painter.drawText(QPointF(m_left + m_width - numberWidth, baseline), number);
            // Dot leaders on a grid of their own, so the dots of all lines stand in columns.
            const qreal start = m_left + metrics.horizontalAdvance(name) + dot;
            const qreal end = m_left + m_width - numberWidth - dot;
            painter.setPen(QColor(110, 110, 110));
            for (qreal x = m_left + std::ceil((start - m_left) / dot) * dot; x + dot <= end;
                 x += dot)
                painter.drawText(QPointF(x, baseline), QStringLiteral("."));
            painter.setPen(Qt::black);
        }
    }

    void paintTitlePage(QPainter& painter) {
        const qreal height = m_bottom - m_top;
        qreal y = m_top + height * 0.14;
        Flow title = text(qs(m_options.title), m_fonts.title, Qt::AlignHCenter, 1.15);
        paintItems(painter, {{&title, 0, title.lines(), {m_left, y}}});
        y += title.height() + bodySpace() * 1.2;
        if (!m_options.teller.empty()) {
            Flow teller = text(qs(m_options.teller), m_fonts.teller, Qt::AlignHCenter, 1.2);
            paintItems(painter, {{&teller, 0, teller.lines(), {m_left, y}}});
            y += teller.height();
        }
        y += bodySpace() * 2.5;
        qreal bottom = m_bottom;
        Flow dedication;
        if (!m_options.dedication.empty()) {
            dedication = text(qs(m_options.dedication), m_fonts.dedication, Qt::AlignHCenter,
                              m_style.spacing);
            const qreal top = m_bottom - dedication.height();
            paintItems(painter, {{&dedication, 0, dedication.lines(), {m_left, top}}});
            bottom = top - bodySpace() * 2.5;
        }
        if (const Photo* photo = firstBookPhoto(m_chapters); photo && bottom - y > pt(72)) {
            const QSizeF size = pictureSize(*photo, QSizeF(m_width * 0.8, bottom - y));
            painter.drawImage(QRectF(QPointF(m_left + (m_width - size.width()) / 2, y), size),
                              decoded(*photo));
        }
    }

    void paintItems(QPainter& painter, const std::vector<Placed>& items) {
        for (const Placed& p : items) {
            if (p.flow->photo) {
                painter.drawImage(QRectF(p.at, p.flow->size), decoded(*p.flow->photo));
                continue;
            }
            const QPointF origin(p.at.x(), p.at.y() - p.from * p.flow->advance);
            for (int i = p.from; i < p.to; ++i)
                p.flow->text->lineAt(i).draw(&painter, origin);
        }
    }

    void paintHeader(QPainter& painter, const QString& chapter) {
        painter.setFont(QFont(m_fonts.running, &m_device));
        painter.setPen(QColor(80, 80, 80));
        painter.drawText(QRectF(m_left, 0, m_width, m_top - bodySpace() * 1.2),
                         Qt::AlignHCenter | Qt::AlignBottom, chapter);
        painter.setPen(Qt::black);
    }

    void paintFooter(QPainter& painter, int number) {
        painter.setFont(QFont(m_fonts.running, &m_device));
        QFont upright = painter.font();
        upright.setItalic(false);
        painter.setFont(upright);
        painter.drawText(QRectF(m_left, m_bottom + bodySpace() * 1.2, m_width,
                                m_pageHeight - m_bottom - bodySpace() * 1.2),
                         Qt::AlignHCenter | Qt::AlignTop, QString::number(number));
    }

    std::span<const BookChapter> m_chapters;
    const BookOptions& m_options;
    Style m_style;
    Fonts m_fonts;
    QPdfWriter& m_device;
    qreal m_left = 0, m_width = 0, m_top = 0, m_bottom = 0, m_pageWidth = 0, m_pageHeight = 0;
    qreal m_y = 0;
    std::vector<std::vector<Flow>> m_flows;
    std::deque<Flow> m_chapterTitles; // placed by address
    std::vector<int> m_chapterStart;  // index into m_pages
    std::vector<Page> m_pages;
    Flow m_contentsHeading;
    qreal m_contentsLine = 0, m_contentsFirst = 0;
    int m_contentsPerPage = 1;
};

// A PDF text string: UTF-16 with its byte-order mark, in hexadecimal.
QByteArray pdfString(const QString& s) {
    QByteArray out = "<FEFF";
    for (const QChar c : s)
        out += QByteArray::number(c.unicode(), 16).rightJustified(4, '0').toUpper();
    return out + '>';
}

// The toolkit's writer sets no author, so the document's information is given again in an
// update appended to the file, which readers take over the first.
bool addDocumentInfo(QByteArray& pdf, const BookOptions& options) {
    const qsizetype trailer = pdf.lastIndexOf("trailer");
    const qsizetype startxref = pdf.lastIndexOf("startxref");
    if (trailer < 0 || startxref < trailer)
        return false;
    const QString dict = QString::fromLatin1(pdf.mid(trailer, startxref - trailer));
    const auto size = QRegularExpression(QStringLiteral("/Size\\s+(\\d+)")).match(dict);
    const auto root =
        QRegularExpression(QStringLiteral("/Root\\s+(\\d+\\s+\\d+\\s+R)")).match(dict);
    const auto prev = QRegularExpression(QStringLiteral("startxref\\s+(\\d+)"))
                          .match(QString::fromLatin1(pdf.mid(startxref)));
    if (!size.hasMatch() || !root.hasMatch() || !prev.hasMatch())
        return false;
    const QByteArray object = size.captured(1).toLatin1();
    if (!pdf.endsWith('\n'))
        pdf += '\n';
    const qsizetype at = pdf.size();
    pdf += object + " 0 obj\n<<\n/Title " + pdfString(qs(options.title)) + "\n/Author " +
           pdfString(qs(options.teller)) + "\n/Creator (Kithtale)\n/CreationDate (D:" +
           QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1() +
           "Z)\n>>\nendobj\n";
    const qsizetype xref = pdf.size();
    pdf += "xref\n" + object + " 1\n" + QByteArray::number(at).rightJustified(10, '0') +
           " 00000 n \ntrailer\n<<\n/Size " + QByteArray::number(object.toLongLong() + 1) +
           "\n/Root " + root.captured(1).toLatin1() + "\n/Info " + object + " 0 R\n/Prev " +
           prev.captured(1).toLatin1() + "\n>>\nstartxref\n" + QByteArray::number(xref) +
           "\n%%EOF\n";
    return true;
}

} // namespace

QString bookFontFamily() {
    for (const QString& family :
         {QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif"),
          QStringLiteral("Noto Serif"), QStringLiteral("FreeSerif")})
        if (QFontDatabase::hasFamily(family))
            return family;
    QFont serif;
    serif.setStyleHint(QFont::Serif);
    return serif.defaultFamily();
}

QByteArray makeBookPdf(std::span<const BookChapter> chapters, const BookOptions& options,
                       const BookProgress& progress) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(kDpi);
        writer.setTitle(qs(options.title));
        writer.setCreator(QStringLiteral("Kithtale"));
        writer.setPageLayout(QPageLayout(pageSizeOf(options.pageSize), QPageLayout::Portrait,
                                         QMarginsF(), QPageLayout::Point));
        Book book(chapters, options, writer);
        book.layOut();
        if (!book.paint(progress))
            return {};
    }
    QByteArray pdf = buffer.data();
    addDocumentInfo(pdf, options);
    return pdf;
}

} // namespace kt::document
