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
    const Dest dest = st_.dest;
    const bool body = dest == Dest::Body;
    std::vector<QString>& instructions = fields_.instructions;
    switch (w.word) {
    case Cw::Pict:
        if (body || dest == Dest::Container ||
            (dest == Dest::ShapeValue && shape_.property.trimmed() == "pib")) {
            enterDestination(Dest::Pict);
            picture_ = Picture();
            picture_.inShape = dest == Dest::ShapeValue;
        } else {
            st_.dest = Dest::Skip;
        }
        return;
    case Cw::ShpPict:
        st_.dest = body ? Dest::Container : Dest::Skip;
        return;
    case Cw::Shp:
        if (body || dest == Dest::Container) {
            enterDestination(Dest::Shape);
            shape_.left = shape_.right = shape_.top = shape_.bottom = 0;
            shape_.property.clear();
        } else {
            st_.dest = Dest::Skip;
        }
        return;
    case Cw::ShpInst:
        if (dest != Dest::Shape)
            st_.dest = Dest::Skip;
        return;
    case Cw::Sn:
        if (dest == Dest::Shape) {
            enterDestination(Dest::ShapeName);
            shape_.property.clear();
        } else {
            st_.dest = Dest::Skip;
        }
        return;
    case Cw::Sv:
        st_.dest = dest == Dest::Shape ? Dest::ShapeValue : Dest::Skip;
        return;
    case Cw::ShpLeft:
        shape_.left = param;
        return;
    case Cw::ShpRight:
        shape_.right = param;
        return;
    case Cw::ShpTop:
        shape_.top = param;
        return;
    case Cw::ShpBottom:
        shape_.bottom = param;
        return;
    case Cw::Container:
        st_.dest = body ? Dest::Container : Dest::Skip;
        return;
    case Cw::Result:
        st_.dest = dest == Dest::Container ? Dest::Body : Dest::Skip;
        return;
    case Cw::Field:
        if (body) {
            if (instructions.size() < 100000) {
                st_.field = static_cast<int>(instructions.size());
                instructions.emplace_back();
            } else {
                st_.field = -1;
            }
        }
        return;
    case Cw::FldInst:
        st_.dest = body ? Dest::FieldInst : Dest::Skip;
        return;
    case Cw::FldRslt:
        if (!body) {
            st_.dest = Dest::Skip;
            return;
        }
        if (st_.field >= 0 && static_cast<size_t>(st_.field) < instructions.size()) {
            const QString target = hyperlinkTarget(instructions[st_.field]);
            if (!target.isEmpty()) {
                fields_.links.push_back(target);
                st_.chr.link = static_cast<int>(fields_.links.size());
            }
        }
        return;

    case Cw::PictureKind:
        if (dest == Dest::Pict)
            picture_.kind = w.value;
        return;
    case Cw::PicW:
        picture_.picw = param;
        return;
    case Cw::PicH:
        picture_.pich = param;
        return;
    case Cw::PicWGoal:
        picture_.goalw = param;
        return;
    case Cw::PicHGoal:
        picture_.goalh = param;
        return;
    case Cw::PicScaleX:
        picture_.scalex = param;
        return;
    case Cw::PicScaleY:
        picture_.scaley = param;
        return;
    case Cw::Bin: {
        const QByteArrayView bytes = tokens_.takeBinary(t.hasParam ? param : 0);
        if (dest == Dest::Pict && picture_.data.size() < kMaxPictureBytes)
            picture_.data.append(bytes.data(), bytes.size());
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
        if (picture_.nibble < 0) {
            picture_.nibble = v;
        } else {
            if (picture_.data.size() < kMaxPictureBytes)
                picture_.data.append(static_cast<char>(picture_.nibble * 16 + v));
            picture_.nibble = -1;
        }
    }
}

void Reader::fieldInstructionBytes(QByteArrayView bytes) {
    if (st_.field >= 0 && static_cast<size_t>(st_.field) < fields_.instructions.size() &&
        fields_.instructions[st_.field].size() < 100000)
        fields_.instructions[st_.field] += QString::fromLatin1(bytes);
}

void Reader::fieldInstructionByte(unsigned char b) {
    if (st_.field >= 0 && static_cast<size_t>(st_.field) < fields_.instructions.size())
        decoder_.decode(currentCodePage(), QByteArrayView(reinterpret_cast<char*>(&b), 1),
                        fields_.instructions[st_.field]);
}

void Reader::fieldInstructionSymbol(char c) {
    if ((c == '\\' || c == '{' || c == '}') && st_.field >= 0 &&
        static_cast<size_t>(st_.field) < fields_.instructions.size())
        fields_.instructions[st_.field] += QLatin1Char(c);
}

void Reader::shapeNameBytes(QByteArrayView bytes) {
    if (shape_.property.size() < 64)
        shape_.property.append(bytes.data(), std::min<qsizetype>(bytes.size(), 64));
}

void Reader::emitPicture() {
    Picture pic = std::move(picture_);
    picture_ = Picture();
    if (pic.kind == 0 || pic.data.isEmpty())
        return;
    const QByteArray hash =
        QCryptographicHash::hash(pic.data, QCryptographicHash::Sha1).toHex().left(20);
    const QString name = QStringLiteral("rtfimage:%1.%2")
                             .arg(QString::fromLatin1(hash),
                                  pic.kind == 1 ? QStringLiteral("png") : QStringLiteral("jpg"));
    document_.addResource(QTextDocument::ImageResource, QUrl(name), QVariant(pic.data));

    double width = 0;
    double height = 0;
    const double sx = std::clamp(pic.scalex, 1, 10000) / 100.0;
    const double sy = std::clamp(pic.scaley, 1, 10000) / 100.0;
    if (pic.goalw > 0 && pic.goalh > 0) {
        width = pic.goalw / 15.0 * sx;
        height = pic.goalh / 15.0 * sy;
    } else if (pic.inShape && shape_.right > shape_.left && shape_.bottom > shape_.top) {
        width = (static_cast<double>(shape_.right) - shape_.left) / 15.0;
        height = (static_cast<double>(shape_.bottom) - shape_.top) / 15.0;
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
    if (!st_.chr.hidden)
        builder_.image(format, st_.para.inTable);
}

} // namespace kt::rtf::detail
