#include "writer.h"

#include "format_keys.h"
#include "writer_state.h"

namespace kt::rtf::detail {

QString Writer::familyOf(const QTextCharFormat& format) const {
    const QVariant families = format.property(QTextFormat::FontFamilies);
    if (families.isValid()) {
        const QStringList list = families.toStringList();
        for (const QString& f : list)
            if (!f.isEmpty())
                return f;
    }
    return m_defaultFamily;
}

double Writer::pointSizeOf(const QTextCharFormat& format) const {
    // A relative size (as headings from other formats carry) scales the document's size and
    // wins over any size of its own, as it does on screen.
    if (format.hasProperty(QTextFormat::FontSizeAdjustment)) {
        static constexpr double kScale[] = {0.7, 0.8, 1.0, 1.2, 1.5, 2.0, 2.4};
        const int step = std::clamp(format.intProperty(QTextFormat::FontSizeAdjustment) + 2, 0, 6);
        return kScale[step] * m_defaultSize;
    }
    if (format.hasProperty(QTextFormat::FontPointSize) && format.fontPointSize() > 0)
        return format.fontPointSize();
    if (format.hasProperty(QTextFormat::FontPixelSize) &&
        format.intProperty(QTextFormat::FontPixelSize) > 0)
        return format.intProperty(QTextFormat::FontPixelSize) * 0.75;
    return m_defaultSize;
}

void Writer::text(QStringView s) {
    const char16_t* p = reinterpret_cast<const char16_t*>(s.data());
    const char16_t* const end = p + s.size();
    while (p < end) {
        // Plain printable ASCII goes out in one piece.
        const char16_t* q = p;
        while (q < end && *q >= 0x20 && *q < 0x7F && *q != '\\' && *q != '{' && *q != '}')
            ++q;
        if (q > p) {
            const qsizetype n = q - p;
            const qsizetype at = m_out.size();
            m_out.resize(at + n);
            char* o = m_out.data() + at;
            for (qsizetype i = 0; i < n; ++i)
                o[i] = static_cast<char>(p[i]);
            p = q;
            if (p == end)
                break;
        }
        const char16_t u = *p++;
        if (u < 0x80) {
            if (u >= 0x20 && u < 0x7F) {
                if (u == '\\' || u == '{' || u == '}')
                    m_out.append('\\');
                m_out.append(static_cast<char>(u));
            } else if (u == '\t') {
                m_out.append("\\tab ");
            } else if (u == '\n' || u == '\r') {
                m_out.append("\\line ");
            } else if (u != 0) {
                word("\\u", u);
                m_out.append('?');
            }
            continue;
        }
        switch (u) {
        case 0x2028:
            m_out.append("\\line ");
            continue;
        case 0x00A0:
            m_out.append("\\~");
            continue;
        case 0x00AD:
            m_out.append("\\-");
            continue;
        case 0x2011:
            m_out.append("\\_");
            continue;
        case 0x2029:
        case 0xFDD0:
        case 0xFDD1:
            continue;
        default:
            break;
        }
        const int b = windows1252Byte(u);
        if (b >= 0) {
            m_out.append("\\'");
            m_out.append(kHex[b >> 4]);
            m_out.append(kHex[b & 15]);
        } else {
            word("\\u", u > 32767 ? static_cast<int>(u) - 65536 : static_cast<int>(u));
            m_out.append('?');
        }
    }
}

void Writer::runProps(const QTextCharFormat& f, QByteArray& props) {
    props.append("\\f");
    appendNumber(props, fontIndex(familyOf(f)));
    props.append("\\fs");
    appendNumber(props, std::llround(pointSizeOf(f) * 2.0));
    if (f.fontWeight() >= 600)
        props.append("\\b");
    if (f.fontItalic())
        props.append("\\i");
    switch (f.underlineStyle()) {
    case QTextCharFormat::NoUnderline:
        if (f.fontUnderline())
            props.append("\\ul");
        break;
    case QTextCharFormat::DashUnderline:
        props.append("\\uldash");
        break;
    case QTextCharFormat::DotLine:
        props.append("\\uld");
        break;
    case QTextCharFormat::DashDotLine:
        props.append("\\uldashd");
        break;
    case QTextCharFormat::DashDotDotLine:
        props.append("\\uldashdd");
        break;
    case QTextCharFormat::WaveUnderline:
    case QTextCharFormat::SpellCheckUnderline:
        props.append("\\ulwave");
        break;
    default:
        props.append("\\ul");
        break;
    }
    if (f.fontStrikeOut())
        props.append("\\strike");
    if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        props.append("\\super");
    else if (f.verticalAlignment() == QTextCharFormat::AlignSubScript)
        props.append("\\sub");
    if (f.hasProperty(QTextFormat::FontCapitalization)) {
        if (f.fontCapitalization() == QFont::AllUppercase)
            props.append("\\caps");
        else if (f.fontCapitalization() == QFont::SmallCaps)
            props.append("\\scaps");
    }
    if (f.hasProperty(QTextFormat::FontLetterSpacing) &&
        f.fontLetterSpacingType() == QFont::AbsoluteSpacing) {
        if (const long long spacing = twips(f.fontLetterSpacing())) {
            props.append("\\expndtw");
            appendNumber(props, spacing);
        }
    }
    if (f.foreground().style() != Qt::NoBrush) {
        props.append("\\cf");
        appendNumber(props, colorIndex(f.foreground().color()));
    }
    if (f.background().style() != Qt::NoBrush) {
        props.append("\\highlight");
        appendNumber(props, colorIndex(f.background().color()));
    }
}

void Writer::image(const QTextImageFormat& format) {
    const QVariant resource =
        m_document.resource(QTextDocument::ImageResource, QUrl(format.name()));
    QByteArray data;
    QSize pixels;
    bool jpeg = false;
    if (resource.userType() == QMetaType::QByteArray) {
        data = resource.toByteArray();
        if (data.startsWith("\xFF\xD8\xFF")) {
            jpeg = true;
        } else if (!data.startsWith("\x89PNG\r\n\x1A\n")) {
            // Some other format the toolkit can read becomes PNG; bytes nobody can read are
            // kept as they are, so a picture is never silently lost on save.
            QImage decoded;
            decoded.loadFromData(data);
            if (!decoded.isNull()) {
                QByteArray png;
                QBuffer buffer(&png);
                buffer.open(QIODevice::WriteOnly);
                if (decoded.save(&buffer, "PNG"))
                    data = png;
            } else {
                jpeg = format.name().endsWith(QLatin1String(".jpg"));
            }
        }
        QBuffer buffer(&data);
        QImageReader reader(&buffer);
        pixels = reader.size();
    } else if (resource.canConvert<QImage>()) {
        const QImage img = resource.value<QImage>();
        if (!img.isNull()) {
            QBuffer buffer(&data);
            buffer.open(QIODevice::WriteOnly);
            img.save(&buffer, "PNG");
            pixels = img.size();
        }
    }
    if (data.isEmpty())
        return;
    if (!pixels.isValid())
        pixels = QSize(1, 1);
    const double width = format.width() > 0 ? format.width() : pixels.width();
    const double height = format.height() > 0 ? format.height() : pixels.height();
    m_out.append(jpeg ? "{\\pict\\jpegblip" : "{\\pict\\pngblip");
    word("\\picw", pixels.width());
    word("\\pich", pixels.height());
    word("\\picwgoal", std::llround(width * 15.0));
    word("\\pichgoal", std::llround(height * 15.0));
    m_out.append("\r\n");
    const qsizetype start = m_out.size();
    m_out.resize(start + data.size() * 2 + data.size() / 64 * 2);
    char* p = m_out.data() + start;
    for (qsizetype i = 0; i < data.size(); ++i) {
        const auto b = static_cast<unsigned char>(data[i]);
        *p++ = kHex[b >> 4];
        *p++ = kHex[b & 15];
        if ((i + 1) % 64 == 0) {
            *p++ = '\r';
            *p++ = '\n';
        }
    }
    m_out.resize(p - m_out.data());
    m_out.append('}');
}

void Writer::paragraphProps(const QTextBlock& b, bool inTable) {
    m_out.append("\\pard");
    if (inTable)
        m_out.append("\\intbl");
    // Paragraph properties are worked out once per block format; list items are per block.
    const int index = b.blockFormatIndex();
    auto cached = m_paragraphs.find(index);
    if (cached == m_paragraphs.end()) {
        const bool mayBeList = b.blockFormat().hasProperty(QTextFormat::ObjectIndex);
        QByteArray props;
        if (!mayBeList) {
            props.swap(m_out);
            blockProps(b);
            props.swap(m_out);
        }
        cached = m_paragraphs.emplace(index, std::make_pair(mayBeList, props)).first;
    }
    if (cached->second.first)
        blockProps(b);
    else
        m_out.append(cached->second.second);
}

void Writer::blockProps(const QTextBlock& b) {
    const QTextBlockFormat f = b.blockFormat();
    if (const int level = f.headingLevel(); level >= 1 && level <= 6) {
        m_headingLevels |= 1u << level;
        word("\\s", level);
        word("\\outlinelevel", level - 1);
    }
    if (f.hasProperty(QTextFormat::BlockAlignment)) {
        const Qt::Alignment a = f.alignment() & Qt::AlignHorizontal_Mask;
        if (a & Qt::AlignHCenter)
            m_out.append("\\qc");
        else if (a & Qt::AlignJustify)
            m_out.append("\\qj");
        else if (a & Qt::AlignRight)
            m_out.append("\\qr");
        else
            m_out.append("\\ql");
    }
    const QTextList* list = b.textList();
    if (list) {
        const int level = std::clamp(list->format().indent() - 1, 0, 8);
        word("\\fi-360\\li", (level + 1) * 360);
    } else {
        if (const long long li = twips(f.leftMargin()))
            word("\\li", li);
        if (const long long fi = twips(f.textIndent()))
            word("\\fi", fi);
    }
    if (const long long ri = twips(f.rightMargin()))
        word("\\ri", ri);
    if (const long long sb = twips(f.topMargin()))
        word("\\sb", sb);
    if (const long long sa = twips(f.bottomMargin()))
        word("\\sa", sa);
    if (f.hasProperty(QTextFormat::LineHeightType)) {
        switch (f.lineHeightType()) {
        case QTextBlockFormat::ProportionalHeight:
            if (f.lineHeight() > 0 && f.lineHeight() != 100) {
                word("\\sl", std::llround(f.lineHeight() * 240.0 / 100.0));
                m_out.append("\\slmult1");
            }
            break;
        case QTextBlockFormat::FixedHeight:
            if (f.lineHeight() > 0) {
                word("\\sl", -twips(f.lineHeight()));
                m_out.append("\\slmult0");
            }
            break;
        case QTextBlockFormat::MinimumHeight:
            if (f.lineHeight() > 0) {
                word("\\sl", twips(f.lineHeight()));
                m_out.append("\\slmult0");
            }
            break;
        default:
            break;
        }
    }
    if (f.hasProperty(QTextFormat::LayoutDirection))
        m_out.append(f.layoutDirection() == Qt::RightToLeft ? "\\rtlpar" : "\\ltrpar");
    if (f.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
        m_out.append("\\pagebb");
    if (list) {
        const int level = std::clamp(list->format().indent() - 1, 0, 8);
        word("\\ls", listIndex(list));
        word("\\ilvl", level);
        m_out.append("{\\listtext ");
        const QString marker =
            listMarker(list->format(), itemNumber(list, b) + 1, f.layoutDirection());
        if (!marker.isEmpty()) {
            text(marker);
        } else {
            const ListStyleInfo info = styleInfo(list->format().style());
            m_out.append(info.bullet ? info.bullet : "\\'95");
        }
        m_out.append("\\tab}");
    }
}

const Writer::RunInfo& Writer::runInfo(int formatIndex, const QTextCharFormat& f) {
    auto it = m_runs.find(formatIndex);
    if (it != m_runs.end())
        return it->second;
    RunInfo info;
    info.image = f.isImageFormat();
    if (f.isAnchor())
        info.href = f.anchorHref();
    if (!info.image) {
        runProps(f, info.props);
        QByteArray associated;
        if (f.fontWeight() >= 600)
            associated.append("\\ab");
        if (f.fontItalic())
            associated.append("\\ai");
        associated.append("\\afs");
        appendNumber(associated, std::llround(pointSizeOf(f) * 2.0));
        info.complexProps = info.props + "\\rtlch" + associated;
        info.eastAsianProps = info.props + "\\dbch" + associated;
    }
    return m_runs.emplace(formatIndex, std::move(info)).first->second;
}

const Writer::RunInfo& Writer::runInfo(const QTextFragment& fragment) {
    const int index = fragment.charFormatIndex();
    auto known = m_runs.find(index);
    return known != m_runs.end() ? known->second : runInfo(index, fragment.charFormat());
}

void Writer::closeGroup(RunGroups& groups) {
    if (groups.open)
        m_out.append('}');
    groups.open = nullptr;
}

void Writer::openGroup(RunGroups& groups, const QByteArray& props) {
    // Runs whose properties write the same stay in one group.
    if (!groups.open || (groups.open != &props && *groups.open != props)) {
        closeGroup(groups);
        m_out.append('{');
        m_out.append(props);
        m_out.append(' ');
    }
    groups.open = &props;
}

void Writer::switchField(RunGroups& groups, const QString& href) {
    closeGroup(groups);
    if (groups.fieldOpen)
        m_out.append("}}");
    groups.fieldOpen = false;
    groups.href = href;
    if (href.isEmpty())
        return;
    m_out.append("{\\field{\\*\\fldinst HYPERLINK \"");
    QString escaped = href;
    escaped.replace(u'"', QLatin1String("%22"));
    text(escaped);
    m_out.append("\"}{\\fldrslt ");
    groups.fieldOpen = true;
}

void Writer::scriptRuns(RunGroups& groups, const RunInfo& info, QStringView piece) {
    // Complex and East Asian text go in groups of their own that carry their scripts'
    // properties too. Spaces, digits, punctuation and emoji go with the letters before them in
    // the paragraph, in the next run too: a word processor takes an emoji after right-to-left
    // text for part of it and gives it that script's properties, so such a group carries both
    // sets.
    const bool latin =
        groups.script == Script::Latin &&
        std::all_of(piece.begin(), piece.end(), [](QChar c) { return c.unicode() < 0x0590; });
    qsizetype start = 0;
    Script script = groups.script;
    for (qsizetype i = latin ? piece.size() : 0; i <= piece.size(); ++i) {
        Script next = script;
        if (i < piece.size()) {
            next = scriptOf(piece[i].unicode());
            if (next == Script::Neutral || next == script)
                continue;
        }
        if (i > start || i == piece.size()) {
            openGroup(groups, script == Script::Complex     ? info.complexProps
                              : script == Script::EastAsian ? info.eastAsianProps
                                                            : info.props);
            text(piece.sliced(start, i - start));
            start = i;
        }
        script = next;
    }
    groups.script = script;
}

void Writer::emptyBlock(const QTextBlock& b, const char* ending) {
    // An empty paragraph keeps its own character format, which sets the line's height.
    const RunInfo& mark = runInfo(b.charFormatIndex(), b.charFormat());
    m_out.append('{');
    m_out.append(mark.props);
    m_out.append(ending);
    m_out.append("}\r\n");
}

void Writer::block(const QTextBlock& b, bool inTable, const char* ending) {
    paragraphProps(b, inTable);
    if (b.begin().atEnd()) {
        emptyBlock(b, ending);
        return;
    }
    RunGroups groups;
    const QString blockText = b.text();
    qsizetype offset = 0;
    for (QTextBlock::iterator it = b.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const int length = fragment.length();
        const QStringView piece = QStringView(blockText).mid(offset, length);
        offset += length;
        const RunInfo& info = runInfo(fragment);
        if (info.href != groups.href)
            switchField(groups, info.href);
        if (info.image) {
            closeGroup(groups);
            const QTextImageFormat imageFormat = fragment.charFormat().toImageFormat();
            for (int i = 0; i < length; ++i)
                image(imageFormat);
        } else {
            scriptRuns(groups, info, piece);
        }
    }
    switchField(groups, QString());
    m_out.append(ending);
    m_out.append("\r\n");
}

void Writer::blockRange(int first, int last, bool inTable, bool endWithCell) {
    QTextBlock b = m_document.findBlock(first);
    while (b.isValid() && b.position() <= last) {
        const QTextBlock next = b.next();
        const bool final = !next.isValid() || next.position() > last;
        block(b, inTable, final && endWithCell ? "\\cell" : "\\par");
        b = next;
    }
}

void Writer::table(QTextTable* t) {
    const int rows = t->rows();
    const int columns = t->columns();
    // Cell edges from the table's fixed column widths, else 6.5 inches shared out evenly.
    std::vector<long long> edges(static_cast<size_t>(columns));
    const QList<QTextLength> widths = t->format().columnWidthConstraints();
    bool fixed = widths.size() == columns;
    for (const QTextLength& w : widths)
        fixed = fixed && w.type() == QTextLength::FixedLength && w.rawValue() > 0;
    long long edge = 0;
    for (int c = 0; c < columns; ++c) {
        edge = fixed ? edge + twips(widths[c].rawValue()) : 9360LL * (c + 1) / columns;
        edges[static_cast<size_t>(c)] = edge;
    }
    for (int r = 0; r < rows; ++r) {
        m_out.append("\\trowd\\trgaph108");
        for (int c = 0; c < columns; ++c) {
            const QTextTableCell cell = t->cellAt(r, c);
            if (cell.row() != r)
                m_out.append("\\clvmrg");
            else if (cell.rowSpan() > 1)
                m_out.append("\\clvmgf");
            if (cell.column() != c)
                m_out.append("\\clmrg");
            else if (cell.columnSpan() > 1)
                m_out.append("\\clmgf");
            m_out.append(
                "\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10\\clbrdrb\\brdrs\\brdrw10"
                "\\clbrdrr\\brdrs\\brdrw10");
            word("\\cellx", edges[static_cast<size_t>(c)]);
        }
        m_out.append("\r\n");
        for (int c = 0; c < columns; ++c) {
            const QTextTableCell cell = t->cellAt(r, c);
            if (cell.row() != r || cell.column() != c) {
                m_out.append("\\pard\\intbl\\cell\r\n");
                continue;
            }
            blockRange(cell.firstPosition(), cell.lastPosition(), true, true);
        }
        m_out.append("\\row\r\n");
    }
}

void Writer::frame(QTextFrame* f) {
    bool afterTable = false;
    for (QTextFrame::iterator it = f->begin(); !it.atEnd(); ++it) {
        if (QTextFrame* child = it.currentFrame()) {
            if (auto* t = qobject_cast<QTextTable*>(child))
                table(t);
            else
                blockRange(child->firstPosition(), child->lastPosition(), false, false);
            afterTable = true;
            continue;
        }
        const QTextBlock b = it.currentBlock();
        QTextFrame::iterator next = it;
        ++next;
        // Nor is the empty block before a table that opens the document: written out, it would
        // be an empty paragraph a word processor shows, and writes back, before the table.
        if (b.position() == 0 && b.length() <= 1 && !next.atEnd() &&
            qobject_cast<QTextTable*>(next.currentFrame()) &&
            !b.blockFormat().hasProperty(kOwnParagraphKey))
            continue;
        // The empty block a document always keeps after a final table is not content.
        if (afterTable && next.atEnd() && b.length() <= 1 && f == m_document.rootFrame())
            break;
        afterTable = false;
        block(b, false, "\\par");
    }
}

QByteArray Writer::run() {
    defaults();
    // The body is written first, in one pass: the header's tables list what it used.
    m_out.reserve(m_document.characterCount() * 2 + 256);
    frame(m_document.rootFrame());
    m_out.append("}\r\n");
    if (m_fonts.items().empty())
        fontIndex(m_defaultFamily);
    QByteArray body;
    body.swap(m_out);
    header();
    m_out.append(body);
    return m_out;
}

QByteArray writeRtf(const QTextDocument& document) {
    Writer writer(document);
    return writer.run();
}

} // namespace kt::rtf::detail
