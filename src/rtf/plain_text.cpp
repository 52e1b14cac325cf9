// Data that is not rich text: whether it is text at all, and reading it as plain text.
#include "reader.h"

#include "codepage.h"

#include <QStringDecoder>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace kt::rtf::detail {

namespace {

bool startsWithUtf16Mark(QByteArrayView data) {
    return data.startsWith("\xFF\xFE") || data.startsWith("\xFE\xFF");
}

} // namespace

bool looksLikeText(QByteArrayView data) {
    if (startsWithUtf16Mark(data))
        return true;
    const QByteArrayView start = data.first(std::min<qsizetype>(data.size(), 64 * 1024));
    qsizetype controls = 0;
    for (const char c : start) {
        const auto b = static_cast<unsigned char>(c);
        if (b == 0)
            return false;
        // Tab, line and page ends, and the old end-of-file mark are at home in text.
        if (b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != '\f' && b != '\v' && b != 0x1A)
            ++controls;
    }
    return controls <= start.size() / 32;
}

void readPlainText(QByteArrayView data, QTextDocument& document) {
    if (data.startsWith("\xEF\xBB\xBF"))
        data = data.sliced(3);
    QString text;
    if (startsWithUtf16Mark(data)) {
        QStringDecoder decoder(data.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE
                                                           : QStringConverter::Utf16BE);
        text = decoder(data.sliced(2));
        // The decoder passes a surrogate without its partner through; it is no character.
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                ++i;
            else if (text[i].isSurrogate())
                text[i] = QChar::ReplacementCharacter;
        }
    } else if (isValidUtf8(data)) {
        text = QString::fromUtf8(data);
    } else {
        TextDecoder decoder;
        decoder.decode(1252, data, text);
    }
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    // A final line end closes the last line; it does not open another one.
    if (text.endsWith(u'\n'))
        text.chop(1);
    text.replace(QChar(0), QString());
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    cursor.insertText(text);
    cursor.endEditBlock();
}

} // namespace kt::rtf::detail
