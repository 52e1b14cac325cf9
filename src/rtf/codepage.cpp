#include "codepage.h"

#include "codepage_tables.h"
#include "core/encoding.h"

#include <QStringDecoder>

#include <array>

namespace kt::rtf::detail {

namespace {

const SingleByteTable* singleByteTable(int codePage) {
    for (const SingleByteTable& t : kSingleByteTables)
        if (t.codePage == codePage)
            return &t;
    return nullptr;
}

// Names under which the toolkit's converter knows the double-byte pages.
const char* multiByteName(int codePage) {
    switch (codePage) {
    case 932:
    case 10001:
        return "Shift_JIS";
    case 936:
    case 10008:
        return "GBK";
    case 950:
    case 10002:
        return "Big5";
    case 949:
    case 10003:
        return "windows-949";
    case 1361:
        return "x-Johab";
    case 54936:
        return "GB18030";
    default:
        return nullptr;
    }
}

// Adobe Symbol encoding, bytes 0x20..0xFF; 0 where the byte has no character.
constexpr std::array<char16_t, 224> kSymbol = {
    // 0x20
    0x0020, 0x0021, 0x2200, 0x0023, 0x2203, 0x0025, 0x0026, 0x220B, 0x0028, 0x0029, 0x2217, 0x002B,
    0x002C, 0x2212, 0x002E, 0x002F,
    // 0x30
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037, 0x0038, 0x0039, 0x003A, 0x003B,
    0x003C, 0x003D, 0x003E, 0x003F,
    // 0x40
    0x2245, 0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393, 0x0397, 0x0399, 0x03D1, 0x039A,
    0x039B, 0x039C, 0x039D, 0x039F,
    // 0x50
    0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9, 0x039E, 0x03A8, 0x0396, 0x005B,
    0x2234, 0x005D, 0x22A5, 0x005F,
    // 0x60
    0x203E, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3, 0x03B7, 0x03B9, 0x03D5, 0x03BA,
    0x03BB, 0x03BC, 0x03BD, 0x03BF,
    // 0x70
    0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9, 0x03BE, 0x03C8, 0x03B6, 0x007B,
    0x007C, 0x007D, 0x223C, 0x0000,
    // 0x80
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    // 0x90
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    // 0xA0
    0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663, 0x2666, 0x2665, 0x2660, 0x2194,
    0x2190, 0x2191, 0x2192, 0x2193,
    // 0xB0
    0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022, 0x00F7, 0x2260, 0x2261, 0x2248,
    0x2026, 0x23D0, 0x23AF, 0x21B5,
    // 0xC0
    0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229, 0x222A, 0x2283, 0x2287, 0x2284,
    0x2282, 0x2286, 0x2208, 0x2209,
    // 0xD0
    0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5, 0x00AC, 0x2227, 0x2228, 0x21D4,
    0x21D0, 0x21D1, 0x21D2, 0x21D3,
    // 0xE0
    0x25CA, 0x2329, 0x00AE, 0x00A9, 0x2122, 0x2211, 0x239B, 0x239C, 0x239D, 0x23A1, 0x23A2, 0x23A3,
    0x23A7, 0x23A8, 0x23A9, 0x23AA,
    // 0xF0
    0x0000, 0x232A, 0x222B, 0x2320, 0x23AE, 0x2321, 0x239E, 0x239F, 0x23A0, 0x23A4, 0x23A5, 0x23A6,
    0x23AB, 0x23AC, 0x23AD, 0x0000};

} // namespace

int codePageForCharset(int charset) {
    switch (charset) {
    case 0:
        return 1252;
    case 2:
        return kCodePageSymbol;
    case 77:
        return 10000;
    case 78:
        return 10001;
    case 79:
        return 10003;
    case 80:
        return 10008;
    case 81:
        return 10002;
    case 83:
        return 10005;
    case 84:
        return 10004;
    case 85:
        return 10006;
    case 88:
        return 10007;
    case 89:
        return 10029;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    case 255:
        return 850;
    default:
        return 0;
    }
}

TextDecoder::TextDecoder() = default;
TextDecoder::~TextDecoder() = default;

QStringDecoder* TextDecoder::multiByte(int codePage) {
    auto it = m_decoders.find(codePage);
    if (it != m_decoders.end())
        return it->second.get();
    std::unique_ptr<QStringDecoder> decoder;
    if (const char* name = multiByteName(codePage)) {
        decoder = std::make_unique<QStringDecoder>(name);
        if (!decoder->isValid())
            decoder.reset();
    }
    QStringDecoder* result = decoder.get();
    m_decoders.emplace(codePage, std::move(decoder));
    return result;
}

void TextDecoder::decode(int codePage, QByteArrayView bytes, QString& out) {
    if (bytes.isEmpty())
        return;
    if (codePage == kCodePageUtf8) {
        out += QString::fromUtf8(bytes);
        return;
    }
    if (codePage == kCodePageSymbol) {
        out.reserve(out.size() + bytes.size());
        for (char b : bytes) {
            const auto u = static_cast<unsigned char>(b);
            const char16_t c = u >= 0x20 ? kSymbol[u - 0x20] : char16_t(u);
            out += QChar(c ? c : char16_t(0xFFFD));
        }
        return;
    }
    // The page rarely changes between runs; its table is looked up once per change.
    if (codePage != m_tablePage) {
        m_tablePage = codePage;
        m_table = nullptr;
        // Single-byte pages; an unknown page reads as Windows-1252 so text still survives.
        if (!multiByte(codePage)) {
            m_table = singleByteTable(codePage);
            if (!m_table)
                m_table = singleByteTable(1252);
        }
    }
    if (!m_table) {
        QStringDecoder* decoder = multiByte(codePage);
        out += decoder->decode(bytes);
        // A run is always whole: a lead byte left waiting at its end has lost its trail byte.
        decoder->resetState();
        return;
    }
    const SingleByteTable* table = m_table;
    const qsizetype start = out.size();
    out.resize(start + bytes.size());
    char16_t* p = reinterpret_cast<char16_t*>(out.data()) + start;
    for (char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        *p++ = u < 0x80 ? char16_t(u) : table->high[u - 0x80];
    }
}

int windows1252Byte(char16_t c) {
    const std::optional<unsigned char> b = text::unicodeToWindows1252(c);
    return b ? *b : -1;
}

char16_t symbolCharacter(unsigned char byte) {
    return byte >= 0x20 ? kSymbol[byte - 0x20] : char16_t(byte);
}

bool isValidUtf8(QByteArrayView bytes) {
    return text::isValidUtf8(std::string_view(bytes.data(), static_cast<size_t>(bytes.size())));
}

} // namespace kt::rtf::detail
