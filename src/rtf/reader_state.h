#pragma once

// The RTF reader's class and its state, shared by the files that make up the reader:
//   reader.cpp               the token loop, groups, text and the dispatch of control words
//   reader_format.cpp        character and paragraph properties and the formats made of them
//   reader_destinations.cpp  the font, colour and list tables
//   reader_rows.cpp          table rows and cells
//   reader_objects.cpp       pictures, shapes, objects and fields
// Control words are registered in control_words.cpp.

#include "builder.h"
#include "codepage.h"
#include "control_words.h"
#include "scripts.h"
#include "tokenizer.h"

#include <QColor>
#include <QHash>
#include <QTextCharFormat>

#include <cstdint>
#include <type_traits>
#include <unordered_map>
#include <vector>

class QTextDocument;

namespace kt::rtf::detail {

enum class Dest : std::uint8_t {
    Body,
    Skip,
    FontTable,
    ColorTable,
    Pict,
    FieldInst,
    ListTable,
    ListOverride,
    LevelText,
    Pn,
    Container, // text dropped, but \ud, \result and pictures inside are read
    Shape,
    ShapeName,
    ShapeValue,
    StyleSheet,
};

struct CharState {
    int font = -1; // -1: the document's default font
    int size = 24; // half-points
    int fg = -1;
    int bg = -1;
    int link = 0;    // 1-based index into the reader's links
    int spacing = 0; // added between letters, twips
    bool bold = false;
    bool italic = false;
    bool strike = false;
    bool hidden = false;
    std::uint8_t underline = QTextCharFormat::NoUnderline;
    std::uint8_t valign = QTextCharFormat::AlignNormal;
    Caps caps = Caps::None;
    std::uint8_t unused = 0; // no padding: the hash reads the state's bytes
    bool operator==(const CharState&) const = default;
};

// The state's bytes are its value, so a new field needs nothing here; one that leaves padding
// bytes (whose contents are unspecified) stops the build.
static_assert(std::has_unique_object_representations_v<CharState>,
              "CharState has padding: fill it with a field of its own");
struct CharStateHash {
    size_t operator()(const CharState& c) const { return qHashBits(&c, sizeof c); }
};

// Bold, italic, size and font of one kind of script where a word processor set them apart from
// the rest of the run (\ab, \ai, \afs, \af): -1 and 0 mean as the rest.
struct ScriptProps {
    std::int8_t bold = -1;
    std::int8_t italic = -1;
    int size = 0;
    int font = -1;
};

struct AssociatedProps {
    ScriptProps complex;                       // after \rtlch: right-to-left, Indic, Thai...
    ScriptProps eastAsian;                     // after \dbch
    AssocTarget target = AssocTarget::Complex; // which of them the associated words set
    bool any = false;                          // any of them set
};

// Old-style paragraph numbering (\pn): none, a list of a style, or (\pnlvlcont) a paragraph
// inside the item before it, with no number of its own.
struct OldNumbering {
    enum class Kind : std::uint8_t { None, List, Continuation };
    Kind kind = Kind::None;
    QTextListFormat::Style style = QTextListFormat::ListDecimal;
};

struct ParaState {
    int li = 0, ri = 0, fi = 0, sb = 0, sa = 0; // twips
    int sl = 0;                                 // line spacing: twips, negative exact
    bool slMult = false;                        // sl is in 240ths of a line
    int ls = 0, ilvl = 0, itap = 0;
    OldNumbering pn;
    int pnLevel = 0;
    int style = 0;    // \s: the paragraph style
    int outline = -1; // \outlinelevel: 0 a first-level heading, -1 none
    Align align = Align::None;
    Direction direction = Direction::None;
    bool pageBreakBefore = false;
    bool inTable = false;
};

struct GroupState {
    CharState chr;
    AssociatedProps assoc;
    ParaState para;
    int uc = 1;
    int field = -1; // index of the field this group belongs to
    Dest dest = Dest::Body;
    bool star = false; // \* seen: an unknown destination word skips the group
};

// Raw text bytes awaiting decoding, and what is left of a \u fallback or a surrogate pair.
struct PendingText {
    // A lone text token stays a view into the data; only text joined with escaped bytes is
    // copied.
    QByteArrayView view;
    QByteArray bytes;
    bool nul = false; // a \'00 is among them
    QString decoded;  // the pending bytes decoded
    int skip = 0;     // \uc fallback still to skip
    char16_t highSurrogate = 0;
};

// The document's code page and default font, and currentCodePage() for the last font asked.
struct CodePages {
    int document = 1252;
    int defaultFont = -1;
    bool valid = false;
    int font = 0, documentSeen = 0, defaultSeen = 0, page = 0;
};

struct Font {
    QString name;
    int codePage = 0; // 0: the document's code page
};

// The font table, and the entry being read.
struct FontTable {
    std::unordered_map<int, Font> fonts;
    int entryFont = -1;
    int entryCharset = -1;
    int entryCpg = 0;
    QByteArray entryBytes;
    QString entryName;
    bool entryOpen = false;
};

// The colour table, and the entry being read.
struct ColorTable {
    std::vector<QColor> colors;
    int red = 0, green = 0, blue = 0;
    bool set = false;
};

struct ListLevel {
    int nfc = 0;
    QString text;
};

struct ListDef {
    int id = 0;
    std::vector<ListLevel> levels;
};

// The outline level of each paragraph style that has one (a heading style), and the name of
// the style sheet entry being read.
struct StyleSheet {
    std::unordered_map<int, int> outlines;
    QByteArray entryName;
};

struct ListTables {
    std::vector<ListDef> lists;
    std::unordered_map<int, int> overrides; // \ls -> \listid
    int overrideListId = 0;
};

// The table row definition being read.
struct RowDefinition {
    int cells = 0;
    int cellFlags = 0;
    std::vector<std::pair<int, int>> merges;
    std::vector<int> edges; // right edge of each cell, twips
};

struct Shape {
    QByteArray property;
    int left = 0, right = 0, top = 0, bottom = 0;
};

struct Picture {
    PictureKind kind = PictureKind::Other;
    QByteArray data;
    int nibble = -1;
    int picw = 0, pich = 0, goalw = 0, goalh = 0, scalex = 100, scaley = 100;
    bool inShape = false;
};

struct Fields {
    std::vector<QString> links;
    std::vector<QString> instructions;
};

// Every distinct character state becomes one shared format, so runs compare by number and the
// document's format collection finds each format at once.
struct FormatCache {
    std::unordered_map<CharState, int, CharStateHash> ids;
    std::vector<QTextCharFormat> formats;
    int idBase = 0; // added to an index into formats to make the id the builder sees
    // The last two states asked for: text mostly alternates between a group's format and the
    // one around it.
    CharState currentState;
    int currentId = -1;
    CharState previousState;
    int previousId = -1;
};

class Reader {
public:
    Reader(QByteArrayView data, QTextDocument& document)
        : m_tokens(data), m_document(document), m_builder(document) {
        m_builder.reserveText(data.size());
    }

    void run();

private:
    // reader.cpp. Those marked inline are defined there only, for the token loop to inline them:
    // a document is millions of tokens.
    inline void groupOpen();
    inline bool groupClose(); // false once the outermost group has closed
    void controlWord(const Token& t);
    void controlSymbol(char c);
    inline void textBytes(QByteArrayView bytes);
    inline void hexByte(unsigned char b);
    void documentWord(const ControlWord& w, const Token& t);
    void textWord(const ControlWord& w, const Token& t);

    bool hasPending() const { return !m_pending.view.isEmpty() || !m_pending.bytes.isEmpty(); }
    inline void appendPending(QByteArrayView bytes);
    inline void appendPendingByte(char b);
    void flushPending();
    inline void emitText(QStringView text);
    void emitScripts(QStringView text);
    void emitChar(char16_t c);
    void unicode(int value);
    void closeSurrogate() {
        if (m_pending.highSurrogate) {
            m_pending.highSurrogate = 0;
            emitChar(0xFFFD);
        }
    }
    void paragraphEnd(bool soft);
    int fontCodePage(int font) const;
    // Asked for every text run; the answer changes only with the font or the tables.
    int currentCodePage() {
        CodePages& cp = m_codePages;
        if (!cp.valid || cp.font != m_state.chr.font || cp.documentSeen != cp.document ||
            cp.defaultSeen != cp.defaultFont) {
            cp.font = m_state.chr.font;
            cp.documentSeen = cp.document;
            cp.defaultSeen = cp.defaultFont;
            cp.page = fontCodePage(m_state.chr.font);
            cp.valid = true;
        }
        return cp.page;
    }
    void enterDestination(Dest dest) { m_state.dest = dest; }

    // reader_format.cpp
    void paragraphWord(const ControlWord& w, const Token& t);
    void characterWord(const ControlWord& w, const Token& t);
    int formatId() { return formatId(m_state.chr); }
    int formatId(const CharState& state);
    void associatedWord(const ControlWord& w, const Token& t);
    CharState scriptState(Script script) const;
    const QTextCharFormat& charFormat() {
        return m_formats.formats[static_cast<size_t>(formatId())];
    }
    QTextCharFormat makeFormat(const CharState& c) const;
    void forgetFormats();
    ParagraphProps paragraphProps() const;

    // reader_destinations.cpp
    void tableWord(const ControlWord& w, const Token& t);
    void fontTableBytes(QByteArrayView bytes);
    void colorTableBytes(QByteArrayView bytes);
    void levelTextBytes(QByteArrayView bytes);
    void levelTextByte(unsigned char b);
    void levelTextChar(char16_t c);
    void fontNameChar(char16_t c);
    void commitFont();
    void commitColor();
    void commitStyle();
    // The list style of a paragraph in list \ls at level ilvl; false for a list without numbers.
    bool listStyle(int ls, int ilvl, QTextListFormat::Style& style) const;

    // reader_rows.cpp
    void rowWord(const ControlWord& w, const Token& t);

    // reader_objects.cpp
    void objectWord(const ControlWord& w, const Token& t);
    void pictureHex(QByteArrayView bytes);
    void fieldInstructionBytes(QByteArrayView bytes);
    void fieldInstructionByte(unsigned char b);
    void fieldInstructionSymbol(char c);
    void shapeNameBytes(QByteArrayView bytes);
    void emitPicture();

    Tokenizer m_tokens;
    QTextDocument& m_document;
    DocumentBuilder m_builder;
    TextDecoder m_decoder;

    std::vector<GroupState> m_stack;
    GroupState m_state;
    size_t m_overflow = 0;
    bool m_started = false;

    PendingText m_pending;
    CodePages m_codePages;
    FontTable m_fontTable;
    ColorTable m_colorTable;
    ListTables m_listTables;
    StyleSheet m_styleSheet;
    RowDefinition m_row;
    Shape m_shape;
    Picture m_picture;
    Fields m_fields;
    FormatCache m_formats;
    Script m_lastScript = Script::Latin; // of the last letter, for the neutral text after it
};

} // namespace kt::rtf::detail
