// Pictures (PNG and JPEG become image resources holding the original bytes), shapes that hold
// a picture, embedded objects (only their result is read) and fields (hyperlinks are kept).
#include "reader_state.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QImageReader>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>

namespace kt::rtf::detail {

namespace {

QString hyperlinkTarget(const QString& instruction) {
    const QString trimmed = instruction.trimmed();
    if (!trimmed.startsWith(QLatin1String("HYPERLINK"), Qt::CaseInsensitive))
        return {};
    QStringView rest = QStringView(trimmed).mid(9).trimmed();
    QString target;
    QString anchor;
    while (!rest.isEmpty()) {
        QString value;
        bool isAnchor = false;
        if (rest.startsWith(QLatin1String("\\l"))) {
            isAnchor = true;
            rest = rest.mid(2).trimmed();
        } else if (rest.startsWith(u'\\')) {
            // Other switches (\o tooltip, \t target frame) take one argument we do not need.
            const qsizetype space = rest.indexOf(u' ');
            rest = space < 0 ? QStringView() : rest.mid(space).trimmed();
            if (rest.startsWith(u'"')) {
                const qsizetype end = rest.indexOf(u'"', 1);
                rest = end < 0 ? QStringView() : rest.mid(end + 1).trimmed();
            }
            continue;
        }
        if (rest.startsWith(u'"')) {
            const qsizetype end = rest.indexOf(u'"', 1);
            value = (end < 0 ? rest.mid(1) : rest.mid(1, end - 1)).toString();
            rest = end < 0 ? QStringView() : rest.mid(end + 1).trimmed();
        } else {
            const qsizetype space = rest.indexOf(u' ');
            value = (space < 0 ? rest : rest.left(space)).toString();
            rest = space < 0 ? QStringView() : rest.mid(space).trimmed();
        }
        if (isAnchor)
            anchor = value;
        else if (target.isEmpty())
            target = value;
    }
    if (!anchor.isEmpty())
        target += u'#' + anchor;
    return target;
}

// Picture data beyond this is dropped rather than exhaust memory.
constexpr qsizetype kMaxPictureBytes = qsizetype(1) << 30;

} // namespace

void Reader::objectWord(const ControlWord& w, const Token& t) {
    const int param = t.param;
    const Dest dest = m_state.dest;
    const bool body = dest == Dest::Body;
    std::vector<QString>& instructions = m_fields.instructions;
    switch (w.word) {
    case Cw::Pict:
        if (body || dest == Dest::Container ||
            (dest == Dest::ShapeValue && m_shape.property.trimmed() == "pib")) {
            enterDestination(Dest::Pict);
            m_picture = Picture();
            m_picture.inShape = dest == Dest::ShapeValue;
        } else {
            m_state.dest = Dest::Skip;
        }
        return;
    case Cw::ShpPict:
        m_state.dest = body ? Dest::Container : Dest::Skip;
        return;
    case Cw::Shp:
        if (body || dest == Dest::Container) {
            enterDestination(Dest::Shape);
            m_shape.left = m_shape.right = m_shape.top = m_shape.bottom = 0;
            m_shape.property.clear();
        } else {
            m_state.dest = Dest::Skip;
        }
        return;
    case Cw::ShpInst:
        if (dest != Dest::Shape)
            m_state.dest = Dest::Skip;
        return;
    case Cw::Sn:
        if (dest == Dest::Shape) {
            enterDestination(Dest::ShapeName);
            m_shape.property.clear();
        } else {
            m_state.dest = Dest::Skip;
        }
        return;
    case Cw::Sv:
        m_state.dest = dest == Dest::Shape ? Dest::ShapeValue : Dest::Skip;
        return;
    case Cw::ShpLeft:
        m_shape.left = param;
        return;
    case Cw::ShpRight:
        m_shape.right = param;
        return;
    case Cw::ShpTop:
        m_shape.top = param;
        return;
    case Cw::ShpBottom:
        m_shape.bottom = param;
        return;
    case Cw::Container:
        m_state.dest = body ? Dest::Container : Dest::Skip;
        return;
    case Cw::Result:
        m_state.dest = dest == Dest::Container ? Dest::Body : Dest::Skip;
        return;
    case Cw::Field:
        if (body) {
            if (instructions.size() < 100000) {
                m_state.field = static_cast<int>(instructions.size());
                instructions.emplace_back();
            } else {
                m_state.field = -1;
            }
        }
        return;
    case Cw::FldInst:
        m_state.dest = body ? Dest::FieldInst : Dest::Skip;
        return;
    case Cw::FldRslt:
        if (!body) {
            m_state.dest = Dest::Skip;
            return;
        }
        if (m_state.field >= 0 && static_cast<size_t>(m_state.field) < instructions.size()) {
            const QString target = hyperlinkTarget(instructions[m_state.field]);
            if (!target.isEmpty()) {
                m_fields.links.push_back(target);
                m_state.chr.link = static_cast<int>(m_fields.links.size());
            }
        }
        return;

    case Cw::PictureKind:
        if (dest == Dest::Pict)
            m_picture.kind = static_cast<PictureKind>(w.value);
        return;
    case Cw::PicW:
        m_picture.picw = param;
        return;
    case Cw::PicH:
        m_picture.pich = param;
        return;
    case Cw::PicWGoal:
        m_picture.goalw = param;
        return;
    case Cw::PicHGoal:
        m_picture.goalh = param;
        return;
    case Cw::PicScaleX:
        m_picture.scalex = param;
        return;
    case Cw::PicScaleY:
        m_picture.scaley = param;
        return;
    case Cw::Bin: {
        const QByteArrayView bytes = m_tokens.takeBinary(t.hasParam ? param : 0);
        if (dest == Dest::Pict && m_picture.data.size() < kMaxPictureBytes)
            m_picture.data.append(bytes.data(), bytes.size());
        return;
    }
    default:
        return;
    }
}

void Reader::pictureHex(QByteArrayView bytes) {
    for (char c : bytes) {
        const int v = hexValue(c);
        if (v < 0)
            continue;
        if (m_picture.nibble < 0) {
            m_picture.nibble = v;
        } else {
            if (m_picture.data.size() < kMaxPictureBytes)
                m_picture.data.append(static_cast<char>(m_picture.nibble * 16 + v));
            m_picture.nibble = -1;
        }
    }
}

void Reader::fieldInstructionBytes(QByteArrayView bytes) {
    if (m_state.field >= 0 && static_cast<size_t>(m_state.field) < m_fields.instructions.size() &&
        m_fields.instructions[m_state.field].size() < 100000)
        m_fields.instructions[m_state.field] += QString::fromLatin1(bytes);
}

void Reader::fieldInstructionByte(unsigned char b) {
    if (m_state.field >= 0 && static_cast<size_t>(m_state.field) < m_fields.instructions.size())
        m_decoder.decode(currentCodePage(), QByteArrayView(reinterpret_cast<char*>(&b), 1),
                         m_fields.instructions[m_state.field]);
}

void Reader::fieldInstructionSymbol(char c) {
    if ((c == '\\' || c == '{' || c == '}') && m_state.field >= 0 &&
        static_cast<size_t>(m_state.field) < m_fields.instructions.size())
        m_fields.instructions[m_state.field] += QLatin1Char(c);
}

void Reader::shapeNameBytes(QByteArrayView bytes) {
    if (m_shape.property.size() < 64)
        m_shape.property.append(bytes.data(), std::min<qsizetype>(bytes.size(), 64));
}

void Reader::emitPicture() {
    Picture pic = std::move(m_picture);
    m_picture = Picture();
    if (pic.kind == PictureKind::Other || pic.data.isEmpty())
        return;
    const QByteArray hash =
        QCryptographicHash::hash(pic.data, QCryptographicHash::Sha1).toHex().left(20);
    const QString name =
        QStringLiteral("rtfimage:%1.%2")
            .arg(QString::fromLatin1(hash),
                 pic.kind == PictureKind::Png ? QStringLiteral("png") : QStringLiteral("jpg"));
    m_document.addResource(QTextDocument::ImageResource, QUrl(name), QVariant(pic.data));

    double width = 0;
    double height = 0;
    const double sx = std::clamp(pic.scalex, 1, 10000) / 100.0;
    const double sy = std::clamp(pic.scaley, 1, 10000) / 100.0;
    if (pic.goalw > 0 && pic.goalh > 0) {
        width = pic.goalw / 15.0 * sx;
        height = pic.goalh / 15.0 * sy;
    } else if (pic.inShape && m_shape.right > m_shape.left && m_shape.bottom > m_shape.top) {
        width = (static_cast<double>(m_shape.right) - m_shape.left) / 15.0;
        height = (static_cast<double>(m_shape.bottom) - m_shape.top) / 15.0;
    } else {
        QBuffer buffer(&pic.data);
        QImageReader reader(&buffer);
        const QSize size = reader.size();
        if (size.isValid()) {
            width = size.width() * sx;
            height = size.height() * sy;
        }
    }
    QTextImageFormat format;
    format.setName(name);
    if (width > 0 && height > 0 && width < 100000 && height < 100000) {
        format.setWidth(width);
        format.setHeight(height);
    }
    if (!m_state.chr.hidden)
        m_builder.image(format, m_state.para.inTable);
}

} // namespace kt::rtf::detail
