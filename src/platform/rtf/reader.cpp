// RTF reader: tokens -> explicit group-state stack -> destinations -> document builder.
#include "reader.h"

#include "builder.h"
#include "codepage.h"
#include "tokenizer.h"

#include <QBuffer>
#include <QColor>
#include <QCryptographicHash>
#include <QImageReader>
#include <QStringDecoder>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kt::rtf::detail {

namespace {

// Groups nested deeper than this share the innermost saved state; their text is still read.
constexpr size_t kMaxDepth = 8192;

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
};

enum class Cw : std::uint8_t {
    Unknown,
    // header and tables
    Rtf,
    Ansi,
    Mac,
    Pc,
    Pca,
    AnsiCpg,
    Deff,
    FontTbl,
    ColorTbl,
    F,
    FCharset,
    Cpg,
    Red,
    Green,
    Blue,
    // destinations
    SkipDest,
    Pict,
    ShpPict,
    NonShpPict,
    Shp,
    ShpInst,
    ShpRslt,
    Sn,
    Sv,
    ShpLeft,
    ShpRight,
    ShpTop,
    ShpBottom,
    Object,
    Result,
    Field,
    FldInst,
    FldRslt,
    ListTable,
    ListOverrideTable,
    List,
    ListLevel,
    LevelNfc,
    LevelText,
    ListId,
    ListOverride,
    Ls,
    Ilvl,
    ListText,
    PnText,
    Pn,
    PnLvlBlt,
    PnLvlBody,
    PnLvlCont,
    PnLvl,
    PnDec,
    PnUcLtr,
    PnLcLtr,
    PnUcRm,
    PnLcRm,
    Upr,
    Ud,
    // pictures
    PngBlip,
    JpegBlip,
    PicW,
    PicH,
    PicWGoal,
    PicHGoal,
    PicScaleX,
    PicScaleY,
    Bin,
    // unicode
    U,
    Uc,
    // breaks and special characters
    Par,
    Sect,
    Page,
    Column,
    Line,
    Tab,
    Cell,
    Row,
    NestCell,
    NestRow,
    EmDash,
    EnDash,
    Bullet,
    LQuote,
    RQuote,
    LDblQuote,
    RDblQuote,
    EmSpace,
    EnSpace,
    QmSpace,
    Zwj,
    Zwnj,
    LtrMark,
    RtlMark,
    Zwbo,
    // paragraph
    Pard,
    Ql,
    Qr,
    Qc,
    Qj,
    Li,
    Ri,
    Fi,
    Sb,
    Sa,
    Sl,
    SlMult,
    RtlPar,
    LtrPar,
    PageBb,
    InTbl,
    Itap,
    // table rows
    Trowd,
    Cellx,
    ClMgf,
    ClMrg,
    ClVmgf,
    ClVmrg,
    // character
    Plain,
    B,
    I,
    Ul,
    UlNone,
    UlD,
    UlDash,
    UlDashD,
    UlDashDD,
    UlWave,
    UlDb,
    UlTh,
    Strike,
    StrikeD,
    Super,
    Sub,
    NoSuperSub,
    Up,
    Dn,
    V,
    Fs,
    Cf,
    Highlight,
    ChCbPat,
    Cb,
    Caps,
    Scaps,
};

const std::unordered_map<std::string_view, Cw>& words() {
    static const std::unordered_map<std::string_view, Cw> table = [] {
        std::unordered_map<std::string_view, Cw> t{
            {"rtf", Cw::Rtf},
            {"ansi", Cw::Ansi},
            {"mac", Cw::Mac},
            {"pc", Cw::Pc},
            {"pca", Cw::Pca},
            {"ansicpg", Cw::AnsiCpg},
            {"deff", Cw::Deff},
            {"fonttbl", Cw::FontTbl},
            {"colortbl", Cw::ColorTbl},
            {"f", Cw::F},
            {"fcharset", Cw::FCharset},
            {"cpg", Cw::Cpg},
            {"red", Cw::Red},
            {"green", Cw::Green},
            {"blue", Cw::Blue},
            {"pict", Cw::Pict},
            {"shppict", Cw::ShpPict},
            {"nonshppict", Cw::NonShpPict},
            {"shp", Cw::Shp},
            {"shpinst", Cw::ShpInst},
            {"shprslt", Cw::ShpRslt},
            {"sn", Cw::Sn},
            {"sv", Cw::Sv},
            {"shpleft", Cw::ShpLeft},
            {"shpright", Cw::ShpRight},
            {"shptop", Cw::ShpTop},
            {"shpbottom", Cw::ShpBottom},
            {"object", Cw::Object},
            {"result", Cw::Result},
            {"field", Cw::Field},
            {"fldinst", Cw::FldInst},
            {"fldrslt", Cw::FldRslt},
            {"listtable", Cw::ListTable},
            {"listoverridetable", Cw::ListOverrideTable},
            {"list", Cw::List},
            {"listlevel", Cw::ListLevel},
            {"levelnfc", Cw::LevelNfc},
            {"levelnfcn", Cw::LevelNfc},
            {"leveltext", Cw::LevelText},
            {"listid", Cw::ListId},
            {"listoverride", Cw::ListOverride},
            {"ls", Cw::Ls},
            {"ilvl", Cw::Ilvl},
            {"listtext", Cw::ListText},
            {"pntext", Cw::PnText},
            {"pn", Cw::Pn},
            {"pnlvlblt", Cw::PnLvlBlt},
            {"pnlvlbody", Cw::PnLvlBody},
            {"pnlvlcont", Cw::PnLvlCont},
            {"pnlvl", Cw::PnLvl},
            {"pndec", Cw::PnDec},
            {"pnucltr", Cw::PnUcLtr},
            {"pnlcltr", Cw::PnLcLtr},
            {"pnucrm", Cw::PnUcRm},
            {"pnlcrm", Cw::PnLcRm},
            {"upr", Cw::Upr},
            {"ud", Cw::Ud},
            {"pngblip", Cw::PngBlip},
            {"jpegblip", Cw::JpegBlip},
            {"picw", Cw::PicW},
            {"pich", Cw::PicH},
            {"picwgoal", Cw::PicWGoal},
            {"pichgoal", Cw::PicHGoal},
            {"picscalex", Cw::PicScaleX},
            {"picscaley", Cw::PicScaleY},
            {"bin", Cw::Bin},
            {"u", Cw::U},
            {"uc", Cw::Uc},
            {"par", Cw::Par},
            {"sect", Cw::Sect},
            {"page", Cw::Page},
            {"column", Cw::Column},
            {"line", Cw::Line},
            {"lbr", Cw::Line},
            {"tab", Cw::Tab},
            {"cell", Cw::Cell},
            {"row", Cw::Row},
            {"nestcell", Cw::NestCell},
            {"nestrow", Cw::NestRow},
            {"emdash", Cw::EmDash},
            {"endash", Cw::EnDash},
            {"bullet", Cw::Bullet},
            {"lquote", Cw::LQuote},
            {"rquote", Cw::RQuote},
            {"ldblquote", Cw::LDblQuote},
            {"rdblquote", Cw::RDblQuote},
            {"emspace", Cw::EmSpace},
            {"enspace", Cw::EnSpace},
            {"qmspace", Cw::QmSpace},
            {"zwj", Cw::Zwj},
            {"zwnj", Cw::Zwnj},
            {"ltrmark", Cw::LtrMark},
            {"rtlmark", Cw::RtlMark},
            {"zwbo", Cw::Zwbo},
            {"pard", Cw::Pard},
            {"ql", Cw::Ql},
            {"qr", Cw::Qr},
            {"qc", Cw::Qc},
            {"qj", Cw::Qj},
            {"li", Cw::Li},
            {"lin", Cw::Li},
            {"ri", Cw::Ri},
            {"rin", Cw::Ri},
            {"fi", Cw::Fi},
            {"sb", Cw::Sb},
            {"sa", Cw::Sa},
            {"sl", Cw::Sl},
            {"slmult", Cw::SlMult},
            {"rtlpar", Cw::RtlPar},
            {"ltrpar", Cw::LtrPar},
            {"pagebb", Cw::PageBb},
            {"intbl", Cw::InTbl},
            {"itap", Cw::Itap},
            {"trowd", Cw::Trowd},
            {"cellx", Cw::Cellx},
            {"clmgf", Cw::ClMgf},
            {"clmrg", Cw::ClMrg},
            {"clvmgf", Cw::ClVmgf},
            {"clvmrg", Cw::ClVmrg},
            {"plain", Cw::Plain},
            {"b", Cw::B},
            {"i", Cw::I},
            {"ul", Cw::Ul},
            {"ulnone", Cw::UlNone},
            {"uld", Cw::UlD},
            {"ulhwave", Cw::UlWave},
            {"ulwave", Cw::UlWave},
            {"ululdbwave", Cw::UlWave},
            {"uldash", Cw::UlDash},
            {"ulthdash", Cw::UlDash},
            {"ulldash", Cw::UlDash},
            {"ulthldash", Cw::UlDash},
            {"uldashd", Cw::UlDashD},
            {"ulthdashd", Cw::UlDashD},
            {"uldashdd", Cw::UlDashDD},
            {"ulthdashdd", Cw::UlDashDD},
            {"ulthd", Cw::UlD},
            {"uldb", Cw::UlDb},
            {"ulth", Cw::UlTh},
            {"ulw", Cw::Ul},
            {"strike", Cw::Strike},
            {"striked", Cw::StrikeD},
            {"super", Cw::Super},
            {"sub", Cw::Sub},
            {"nosupersub", Cw::NoSuperSub},
            {"up", Cw::Up},
            {"dn", Cw::Dn},
            {"v", Cw::V},
            {"deleted", Cw::V}, // a tracked deletion is not in the document's text
            {"fs", Cw::Fs},
            {"cf", Cw::Cf},
            {"highlight", Cw::Highlight},
            {"chcbpat", Cw::ChCbPat},
            {"cb", Cw::Cb},
            {"caps", Cw::Caps},
            {"scaps", Cw::Scaps},
        };
        // Destinations whose content is never body text.
        for (std::string_view skip : {"stylesheet",
                                      "info",
                                      "header",
                                      "headerl",
                                      "headerr",
                                      "headerf",
                                      "footer",
                                      "footerl",
                                      "footerr",
                                      "footerf",
                                      "footnote",
                                      "annotation",
                                      "atnid",
                                      "atnauthor",
                                      "atndate",
                                      "atnref",
                                      "atntime",
                                      "atrfstart",
                                      "atrfend",
                                      "xe",
                                      "tc",
                                      "txe",
                                      "rxe",
                                      "ftnsep",
                                      "ftnsepc",
                                      "aftnsep",
                                      "aftnsepc",
                                      "ftncn",
                                      "aftncn",
                                      "template",
                                      "revtbl",
                                      "pgdsctbl",
                                      "do",
                                      "private",
                                      "objdata",
                                      "objclass",
                                      "objname",
                                      "pntxta",
                                      "pntxtb",
                                      "listpicture",
                                      "levelnumbers",
                                      "listname",
                                      "author",
                                      "operator",
                                      "title",
                                      "subject",
                                      "comment",
                                      "company",
                                      "keywords",
                                      "doccomm",
                                      "buptim",
                                      "creatim",
                                      "printim",
                                      "revtim",
                                      "datafield",
                                      "bkmkstart",
                                      "bkmkend",
                                      "shptxt",
                                      "picprop",
                                      "blipuid",
                                      "userprops",
                                      "docvar",
                                      "fname",
                                      "falt",
                                      "panose",
                                      "generator",
                                      "themedata",
                                      "colorschememapping",
                                      "latentstyles",
                                      "datastore",
                                      "xmlnstbl",
                                      "rsidtbl",
                                      "mmathPr",
                                      "pgptbl",
                                      "protusertbl",
                                      "wgrffmtfilter",
                                      "filetbl",
                                      "pnseclvl",
                                      "nesttableprops",
                                      "listpicture",
                                      "hlinkbase",
                                      "manager",
                                      "category",
                                      "docproperties",
                                      "xmlopen",
                                      "xmlclose",
                                      "ftnalt",
                                      "passwordhash",
                                      "ebcstart",
                                      "ebcend"})
            t.emplace(skip, Cw::SkipDest);
        return t;
    }();
    return table;
}

Cw lookup(QByteArrayView name) {
    const auto& t = words();
    auto it = t.find(std::string_view(name.data(), static_cast<size_t>(name.size())));
    return it == t.end() ? Cw::Unknown : it->second;
}

bool isDestinationWord(Cw cw) {
    switch (cw) {
    case Cw::SkipDest:
    case Cw::FontTbl:
    case Cw::ColorTbl:
    case Cw::Pict:
    case Cw::ShpPict:
    case Cw::NonShpPict:
    case Cw::Shp:
    case Cw::ShpInst:
    case Cw::ShpRslt:
    case Cw::Sn:
    case Cw::Sv:
    case Cw::Object:
    case Cw::Result:
    case Cw::Field:
    case Cw::FldInst:
    case Cw::FldRslt:
    case Cw::ListTable:
    case Cw::ListOverrideTable:
    case Cw::LevelText:
    case Cw::ListText:
    case Cw::PnText:
    case Cw::Pn:
    case Cw::Upr:
    case Cw::Ud:
        return true;
    default:
        return false;
    }
}

struct CharState {
    int font = -1; // -1: the document's default font
    int size = 24; // half-points
    int fg = -1;
    int bg = -1;
    int link = 0; // 1-based index into the reader's links
    bool bold = false;
    bool italic = false;
    bool strike = false;
    bool hidden = false;
    std::uint8_t underline = QTextCharFormat::NoUnderline;
    std::uint8_t valign = QTextCharFormat::AlignNormal;
    std::uint8_t caps = 0; // 0 none, 1 all capitals, 2 small capitals
    bool operator==(const CharState&) const = default;
};

struct CharStateHash {
    size_t operator()(const CharState& c) const {
        size_t h = static_cast<size_t>(c.font) * 1000003u;
        for (int v :
             {c.size, c.fg, c.bg, c.link,
              (c.bold ? 1 : 0) | (c.italic ? 2 : 0) | (c.strike ? 4 : 0) | (c.hidden ? 8 : 0) |
                  (c.underline << 4) | (c.valign << 8) | (c.caps << 12)})
            h = (h ^ static_cast<size_t>(v)) * 1099511628211u;
        return h;
    }
};

struct ParaState {
    int li = 0, ri = 0, fi = 0, sb = 0, sa = 0; // twips
    int sl = 0;                                 // line spacing: twips, negative exact
    bool slMult = false;                        // sl is in 240ths of a line
    int ls = 0, ilvl = 0, itap = 0;
    int pnStyle = 0; // a QTextListFormat::Style (all negative), 0 none, 1 a continuation
    int pnLevel = 0;
    char align = 0;       // 'l', 'r', 'c', 'j' or none
    std::uint8_t dir = 0; // 1 left-to-right, 2 right-to-left
    bool pageBreakBefore = false;
    bool inTable = false;
};

struct GroupState {
    CharState chr;
    ParaState para;
    int uc = 1;
    int field = -1; // index of the field this group belongs to
    Dest dest = Dest::Body;
    bool star = false; // \* seen: an unknown destination word skips the group
};

struct Font {
    QString name;
    int codePage = 0; // 0: the document's code page
};

struct ListLevel {
    int nfc = 0;
    QString text;
};

struct ListDef {
    int id = 0;
    std::vector<ListLevel> levels;
};

struct Picture {
    int kind = 0; // 1 PNG, 2 JPEG, 0 anything else
    QByteArray data;
    int nibble = -1;
    int picw = 0, pich = 0, goalw = 0, goalh = 0, scalex = 100, scaley = 100;
    bool inShape = false;
};

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

QTextListFormat::Style styleForNfc(int nfc, const QString& text) {
    switch (nfc) {
    case 1:
        return QTextListFormat::ListUpperRoman;
    case 2:
        return QTextListFormat::ListLowerRoman;
    case 3:
        return QTextListFormat::ListUpperAlpha;
    case 4:
        return QTextListFormat::ListLowerAlpha;
    case 23:
        if (text.contains(QChar(0x25E6)) || text.contains(QChar(0x25CB)) || text.contains(u'o'))
            return QTextListFormat::ListCircle;
        if (text.contains(QChar(0x25AA)) || text.contains(QChar(0x25A0)) ||
            text.contains(QChar(0xF0A7)))
            return QTextListFormat::ListSquare;
        return QTextListFormat::ListDisc;
    default:
        return QTextListFormat::ListDecimal;
    }
}

class Reader {
public:
    Reader(QByteArrayView data, QTextDocument& document)
        : tokens_(data), document_(document), builder_(document) {}

    void run();

private:
    void groupOpen();
    bool groupClose(); // false once the outermost group has closed
    void controlWord(const Token& t);
    void controlSymbol(char c);
    void textBytes(QByteArrayView bytes);
    void hexByte(unsigned char b);

    bool hasPending() const { return !pendingView_.isEmpty() || !pending_.isEmpty(); }
    void appendPending(QByteArrayView bytes);
    void appendPendingByte(char b);
    void flushPending();
    void emitText(QStringView text);
    void emitChar(char16_t c);
    void unicode(int value);
    void paragraphEnd(bool soft);

    int fontCodePage(int font) const;
    int currentCodePage();
    int formatId();
    const QTextCharFormat& charFormat() { return formats_[static_cast<size_t>(formatId())]; }
    QTextCharFormat makeFormat(const CharState& c) const;
    void forgetFormats() {
        // The builder tells runs apart by id: ids of forgotten formats are never given again.
        idBase_ += static_cast<int>(formats_.size());
        formatIds_.clear();
        formats_.clear();
        currentFormatId_ = previousFormatId_ = -1;
    }
    ParagraphProps paragraphProps() const;
    void commitFont();
    void commitColor();
    void emitPicture();
    void enterDestination(Dest dest) { st_.dest = dest; }

    Tokenizer tokens_;
    QTextDocument& document_;
    DocumentBuilder builder_;
    TextDecoder decoder_;

    std::vector<GroupState> stack_;
    GroupState st_;
    size_t overflow_ = 0;
    bool started_ = false;

    // Raw text bytes awaiting decoding. A lone text token stays a view into the data; only text
    // joined with escaped bytes is copied.
    QByteArrayView pendingView_;
    QByteArray pending_;
    bool pendingNul_ = false; // a \'00 is among them
    QString decoded_;         // the pending bytes decoded
    int skip_ = 0;            // \uc fallback still to skip
    char16_t highSurrogate_ = 0;

    int docCodePage_ = 1252;
    int defaultFont_ = -1;
    // currentCodePage() for these font, document page and default font.
    bool codePageValid_ = false;
    int codePageFont_ = 0, codePageDoc_ = 0, codePageDefault_ = 0, codePage_ = 0;
    std::unordered_map<int, Font> fonts_;
    std::vector<QColor> colors_;
    std::vector<QString> links_;
    std::vector<QString> fieldInstructions_;

    // Font and colour table entries being read.
    int entryFont_ = -1;
    int entryCharset_ = -1;
    int entryCpg_ = 0;
    QByteArray entryBytes_;
    QString entryName_;
    bool entryOpen_ = false;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colorSet_ = false;

    // List definitions.
    std::vector<ListDef> lists_;
    std::unordered_map<int, int> overrides_; // \ls -> \listid
    int overrideListId_ = 0;

    // Table row definition.
    int rowCells_ = 0;
    int cellFlags_ = 0;
    std::vector<std::pair<int, int>> rowMerges_;
    std::vector<int> rowEdges_; // right edge of each cell, twips

    // Shapes and pictures.
    QByteArray shapeProperty_;
    int shapeLeft_ = 0, shapeRight_ = 0, shapeTop_ = 0, shapeBottom_ = 0;
    Picture picture_;

    // Every distinct character state becomes one shared format, so runs compare by number and
    // the document's format collection finds each format at once.
    std::unordered_map<CharState, int, CharStateHash> formatIds_;
    std::vector<QTextCharFormat> formats_;
    int idBase_ = 0; // added to an index into formats_ to make the id the builder sees
    // The last two states asked for: text mostly alternates between a group's format and the
    // one around it.
    CharState currentState_;
    int currentFormatId_ = -1;
    CharState previousState_;
    int previousFormatId_ = -1;
};

void Reader::run() {
    for (;;) {
        const Token t = tokens_.next();
        if (t.kind != Token::Text && t.kind != Token::HexByte && hasPending())
            flushPending();
        switch (t.kind) {
        case Token::End:
            break;
        case Token::GroupOpen:
            groupOpen();
            continue;
        case Token::GroupClose:
            if (!groupClose())
                break;
            continue;
        case Token::Word:
            controlWord(t);
            continue;
        case Token::Symbol:
            controlSymbol(t.symbol);
            continue;
        case Token::HexByte:
            hexByte(t.byte);
            continue;
        case Token::Text:
            textBytes(t.text);
            continue;
        }
        break;
    }
    flushPending();
    if (highSurrogate_) {
        highSurrogate_ = 0;
        emitChar(0xFFFD);
    }
    // A file cut short keeps what it had; the open paragraph becomes the last block.
    builder_.finish(paragraphProps(), charFormat());
}

void Reader::groupOpen() {
    skip_ = 0;
    if (!started_) {
        started_ = true;
        stack_.push_back(st_);
        return;
    }
    if (stack_.size() >= kMaxDepth) {
        ++overflow_;
        return;
    }
    stack_.push_back(st_);
    st_.star = false;
}

bool Reader::groupClose() {
    skip_ = 0;
    if (overflow_ > 0) {
        --overflow_;
        return true;
    }
    if (stack_.empty())
        return false;
    const Dest closing = st_.dest;
    const Dest parent = stack_.back().dest;
    if (closing == Dest::FontTable) {
        commitFont();
        forgetFormats();
    }
    if (closing == Dest::ColorTable)
        forgetFormats();
    if (closing == Dest::Pn && parent != Dest::Pn) {
        // The numbering definition belongs to the paragraph around the group.
        stack_.back().para.pnStyle = st_.para.pnStyle;
        stack_.back().para.pnLevel = st_.para.pnLevel;
    }
    if (closing == Dest::Pict && parent != Dest::Pict)
        emitPicture();
    if (highSurrogate_ && closing == Dest::Body) {
        // A high surrogate never completed inside its group.
        highSurrogate_ = 0;
        emitChar(0xFFFD);
    }
    st_ = stack_.back();
    stack_.pop_back();
    return !stack_.empty();
}

int Reader::fontCodePage(int font) const {
    if (font < 0)
        font = defaultFont_;
    if (font >= 0) {
        auto it = fonts_.find(font);
        if (it != fonts_.end() && it->second.codePage != 0)
            return it->second.codePage;
    }
    return docCodePage_;
}

int Reader::currentCodePage() {
    // Asked for every text run; the answer changes only with the font or the tables.
    if (!codePageValid_ || codePageFont_ != st_.chr.font || codePageDoc_ != docCodePage_ ||
        codePageDefault_ != defaultFont_) {
        codePageFont_ = st_.chr.font;
        codePageDoc_ = docCodePage_;
        codePageDefault_ = defaultFont_;
        codePage_ = fontCodePage(st_.chr.font);
        codePageValid_ = true;
    }
    return codePage_;
}

int Reader::formatId() {
    if (currentFormatId_ >= 0 && currentState_ == st_.chr)
        return currentFormatId_;
    if (previousFormatId_ >= 0 && previousState_ == st_.chr) {
        std::swap(currentState_, previousState_);
        std::swap(currentFormatId_, previousFormatId_);
        return currentFormatId_;
    }
    auto it = formatIds_.find(st_.chr);
    if (it == formatIds_.end()) {
        it = formatIds_.emplace(st_.chr, static_cast<int>(formats_.size())).first;
        formats_.push_back(makeFormat(st_.chr));
        // A comparison computes the format's hash and keeps it with the format; the copy the
        // cursor takes of it for every run inherits it, so the document's format collection
        // does not hash the same format again for each run.
        static const QTextCharFormat probe = [] {
            QTextCharFormat f;
            f.setProperty(QTextFormat::UserProperty, 1);
            return f;
        }();
        [[maybe_unused]] const bool same = formats_.back() == probe;
    }
    previousState_ = currentState_;
    previousFormatId_ = currentFormatId_;
    currentState_ = st_.chr;
    currentFormatId_ = it->second;
    return currentFormatId_;
}

// A private format property: the font's name as a plain string, for hashing only.
constexpr int kFontNameKey = QTextFormat::UserProperty + 0x4B54;

QTextCharFormat Reader::makeFormat(const CharState& c) const {
    // Only what differs from plain text is set: fewer properties, cheaper format lookups.
    QTextCharFormat f;
    const int font = c.font >= 0 ? c.font : defaultFont_;
    if (font >= 0) {
        auto it = fonts_.find(font);
        if (it != fonts_.end() && !it->second.name.isEmpty()) {
            f.setFontFamilies(QStringList{it->second.name});
            // The document's format table hashes a list by its type alone, so formats that
            // differ only in their families would all collide and every run inserted would be
            // compared with each of them: quadratic in the number of fonts. The name as a
            // string, which nothing shows or writes, gives each font its own hash.
            f.setProperty(kFontNameKey, it->second.name);
        }
    }
    f.setFontPointSize(c.size / 2.0);
    if (c.bold)
        f.setFontWeight(QFont::Bold);
    if (c.italic)
        f.setFontItalic(true);
    if (c.underline != QTextCharFormat::NoUnderline)
        f.setUnderlineStyle(static_cast<QTextCharFormat::UnderlineStyle>(c.underline));
    if (c.strike)
        f.setFontStrikeOut(true);
    if (c.valign != QTextCharFormat::AlignNormal)
        f.setVerticalAlignment(static_cast<QTextCharFormat::VerticalAlignment>(c.valign));
    if (c.fg >= 0 && static_cast<size_t>(c.fg) < colors_.size() && colors_[c.fg].isValid())
        f.setForeground(colors_[c.fg]);
    if (c.bg >= 0 && static_cast<size_t>(c.bg) < colors_.size() && colors_[c.bg].isValid())
        f.setBackground(colors_[c.bg]);
    if (c.caps == 1)
        f.setFontCapitalization(QFont::AllUppercase);
    else if (c.caps == 2)
        f.setFontCapitalization(QFont::SmallCaps);
    if (c.link > 0 && static_cast<size_t>(c.link) <= links_.size()) {
        f.setAnchor(true);
        f.setAnchorHref(links_[c.link - 1]);
    }
    return f;
}

ParagraphProps Reader::paragraphProps() const {
    const ParaState& p = st_.para;
    ParagraphProps props;
    QTextBlockFormat& b = props.block;
    switch (p.align) {
    case 'l':
        b.setAlignment(Qt::AlignLeft);
        break;
    case 'r':
        b.setAlignment(Qt::AlignRight);
        break;
    case 'c':
        b.setAlignment(Qt::AlignHCenter);
        break;
    case 'j':
        b.setAlignment(Qt::AlignJustify);
        break;
    default:
        break;
    }
    if (p.ls > 0) {
        int listId = 0;
        auto ov = overrides_.find(p.ls);
        if (ov != overrides_.end())
            listId = ov->second;
        int nfc = 23;
        QString text;
        for (const ListDef& def : lists_) {
            if (def.id == listId && !def.levels.empty()) {
                const ListLevel& level = def.levels[std::min<size_t>(static_cast<size_t>(p.ilvl),
                                                                     def.levels.size() - 1)];
                nfc = level.nfc;
                text = level.text;
                break;
            }
        }
        if (nfc != 255) {
            props.listKey = p.ls;
            props.listLevel = p.ilvl;
            props.listStyle = styleForNfc(nfc, text);
        }
    } else if (p.pnStyle < 0) {
        props.listKey = -100 + p.pnStyle;
        props.listLevel = p.pnLevel;
        props.listStyle = static_cast<QTextListFormat::Style>(p.pnStyle);
    }
    if (props.listKey == 0) {
        // A list carries its own indentation; the paragraph's would count twice.
        if (p.li)
            b.setLeftMargin(p.li / 20.0);
        if (p.fi)
            b.setTextIndent(p.fi / 20.0);
    }
    if (p.ri)
        b.setRightMargin(p.ri / 20.0);
    if (p.sb)
        b.setTopMargin(p.sb / 20.0);
    if (p.sa)
        b.setBottomMargin(p.sa / 20.0);
    if (p.sl < 0)
        b.setLineHeight(-p.sl / 20.0, QTextBlockFormat::FixedHeight);
    else if (p.sl > 0 && p.slMult && p.sl != 240)
        b.setLineHeight(p.sl * 100.0 / 240.0, QTextBlockFormat::ProportionalHeight);
    else if (p.sl > 0 && !p.slMult)
        b.setLineHeight(p.sl / 20.0, QTextBlockFormat::MinimumHeight);
    if (p.dir == 1)
        b.setLayoutDirection(Qt::LeftToRight);
    else if (p.dir == 2)
        b.setLayoutDirection(Qt::RightToLeft);
    if (p.pageBreakBefore)
        b.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    props.inTable = p.inTable;
    return props;
}

void Reader::appendPending(QByteArrayView bytes) {
    if (!hasPending()) {
        pendingView_ = bytes;
        return;
    }
    if (!pendingView_.isEmpty()) {
        pending_.append(pendingView_.data(), pendingView_.size());
        pendingView_ = {};
    }
    pending_.append(bytes.data(), bytes.size());
}

void Reader::appendPendingByte(char b) {
    if (!pendingView_.isEmpty()) {
        pending_.append(pendingView_.data(), pendingView_.size());
        pendingView_ = {};
    }
    pending_.append(b);
}

void Reader::flushPending() {
    if (!hasPending())
        return;
    // The buffers keep their capacity: a document is thousands of short runs, and a fresh
    // allocation per run cost more than decoding it.
    decoded_.resize(0);
    decoder_.decode(currentCodePage(),
                    pendingView_.isEmpty() ? QByteArrayView(pending_) : pendingView_, decoded_);
    pendingView_ = {};
    pending_.resize(0);
    // NUL is never text, however it was written. Raw NUL bytes never reach here (the tokenizer
    // drops them) and no code page decodes another byte to U+0000.
    if (pendingNul_) {
        decoded_.remove(QChar(0));
        pendingNul_ = false;
    }
    emitText(decoded_);
}

void Reader::emitText(QStringView text) {
    if (text.isEmpty())
        return;
    if (highSurrogate_) {
        highSurrogate_ = 0;
        emitChar(0xFFFD);
    }
    if (st_.chr.hidden)
        return;
    const int id = formatId();
    builder_.text(text, formats_[static_cast<size_t>(id)], idBase_ + id, st_.para.inTable);
}

void Reader::emitChar(char16_t c) {
    const QChar ch(c);
    emitText(QStringView(&ch, 1));
}

void Reader::unicode(int value) {
    if (value < 0)
        value += 65536;
    if (value < 0 || value > 0xFFFF)
        value = 0xFFFD;
    if (value == 0)
        return;
    const auto c = static_cast<char16_t>(value);
    if (st_.dest == Dest::FontTable) {
        entryName_ += QString::fromLatin1(entryBytes_);
        entryBytes_.clear();
        entryName_ += QChar(c);
        return;
    }
    if (st_.dest == Dest::LevelText) {
        if (!lists_.empty() && !lists_.back().levels.empty())
            lists_.back().levels.back().text += QChar(c);
        return;
    }
    if (st_.dest != Dest::Body)
        return;
    if (QChar::isHighSurrogate(c)) {
        if (highSurrogate_)
            emitChar(0xFFFD); // clears the one waiting
        highSurrogate_ = c;
        return;
    }
    if (QChar::isLowSurrogate(c)) {
        if (!highSurrogate_) {
            emitChar(0xFFFD);
            return;
        }
        const QChar pair[2] = {QChar(highSurrogate_), QChar(c)};
        highSurrogate_ = 0;
        if (!st_.chr.hidden) {
            const int id = formatId();
            builder_.text(QStringView(pair, 2), formats_[static_cast<size_t>(id)], idBase_ + id,
                          st_.para.inTable);
        }
        return;
    }
    char16_t out = c;
    if (c >= 0xF020 && c <= 0xF0FF && currentCodePage() == kCodePageSymbol)
        out = symbolCharacter(static_cast<unsigned char>(c - 0xF000));
    emitChar(out ? out : char16_t(0xFFFD));
}

void Reader::paragraphEnd(bool soft) {
    if (highSurrogate_) {
        highSurrogate_ = 0;
        emitChar(0xFFFD);
    }
    builder_.endParagraph(paragraphProps(), charFormat(), soft);
}

void Reader::commitFont() {
    if (!entryOpen_)
        return;
    entryOpen_ = false;
    if (entryFont_ < 0)
        return;
    Font font;
    if (entryCpg_ > 0)
        font.codePage = entryCpg_;
    else if (entryCharset_ >= 0)
        font.codePage = codePageForCharset(entryCharset_);
    QString name = entryName_;
    decoder_.decode(font.codePage ? font.codePage : docCodePage_, entryBytes_, name);
    if (font.codePage == kCodePageSymbol) {
        // The name itself is plain text even in a symbol font.
        name = entryName_ + QString::fromLatin1(entryBytes_);
    }
    font.name = name.trimmed();
    fonts_[entryFont_] = font;
    codePageValid_ = false;
    entryBytes_.clear();
    entryName_.clear();
    entryFont_ = -1;
}

void Reader::commitColor() {
    colors_.push_back(colorSet_ ? QColor(red_, green_, blue_) : QColor());
    red_ = green_ = blue_ = 0;
    colorSet_ = false;
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
    } else if (pic.inShape && shapeRight_ > shapeLeft_ && shapeBottom_ > shapeTop_) {
        width = (static_cast<double>(shapeRight_) - shapeLeft_) / 15.0;
        height = (static_cast<double>(shapeBottom_) - shapeTop_) / 15.0;
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

void Reader::textBytes(QByteArrayView bytes) {
    if (skip_ > 0) {
        const qsizetype n = std::min<qsizetype>(skip_, bytes.size());
        skip_ -= static_cast<int>(n);
        bytes = bytes.sliced(n);
        if (bytes.isEmpty())
            return;
    }
    switch (st_.dest) {
    case Dest::Body:
        appendPending(bytes);
        return;
    case Dest::FontTable:
        for (char c : bytes) {
            if (c == ';')
                commitFont();
            else if (entryOpen_)
                entryBytes_.append(c);
        }
        return;
    case Dest::ColorTable:
        for (char c : bytes)
            if (c == ';')
                commitColor();
        return;
    case Dest::Pict:
        for (char c : bytes) {
            const int v = hexValue(c);
            if (v < 0)
                continue;
            if (picture_.nibble < 0) {
                picture_.nibble = v;
            } else {
                if (picture_.data.size() < (qsizetype(1) << 30))
                    picture_.data.append(static_cast<char>(picture_.nibble * 16 + v));
                picture_.nibble = -1;
            }
        }
        return;
    case Dest::FieldInst:
        if (st_.field >= 0 && static_cast<size_t>(st_.field) < fieldInstructions_.size() &&
            fieldInstructions_[st_.field].size() < 100000)
            fieldInstructions_[st_.field] += QString::fromLatin1(bytes);
        return;
    case Dest::ShapeName:
        if (shapeProperty_.size() < 64)
            shapeProperty_.append(bytes.data(), std::min<qsizetype>(bytes.size(), 64));
        return;
    case Dest::LevelText:
        if (!lists_.empty() && !lists_.back().levels.empty())
            lists_.back().levels.back().text += QString::fromLatin1(bytes);
        return;
    default:
        return;
    }
}

void Reader::hexByte(unsigned char b) {
    if (skip_ > 0) {
        --skip_;
        return;
    }
    switch (st_.dest) {
    case Dest::Body:
        appendPendingByte(static_cast<char>(b));
        pendingNul_ = pendingNul_ || b == 0;
        return;
    case Dest::FontTable:
        if (entryOpen_)
            entryBytes_.append(static_cast<char>(b));
        return;
    case Dest::FieldInst:
        if (st_.field >= 0 && static_cast<size_t>(st_.field) < fieldInstructions_.size())
            decoder_.decode(currentCodePage(), QByteArrayView(reinterpret_cast<char*>(&b), 1),
                            fieldInstructions_[st_.field]);
        return;
    case Dest::LevelText:
        if (!lists_.empty() && !lists_.back().levels.empty())
            lists_.back().levels.back().text += QChar(b >= 0x20 ? symbolCharacter(b) : b);
        return;
    default:
        return;
    }
}

void Reader::controlSymbol(char c) {
    if (st_.dest == Dest::Skip)
        return;
    if (c == '*') {
        st_.star = true;
        return;
    }
    if (skip_ > 0) {
        --skip_;
        return;
    }
    if (st_.dest == Dest::FieldInst) {
        if ((c == '\\' || c == '{' || c == '}') && st_.field >= 0 &&
            static_cast<size_t>(st_.field) < fieldInstructions_.size())
            fieldInstructions_[st_.field] += QLatin1Char(c);
        return;
    }
    if (st_.dest == Dest::FontTable) {
        if (c == '\\' || c == '{' || c == '}')
            entryBytes_.append(c);
        return;
    }
    if (st_.dest != Dest::Body)
        return;
    switch (c) {
    case '\\':
    case '{':
    case '}':
        appendPendingByte(c);
        return;
    case '~':
        emitChar(0x00A0);
        return;
    case '-':
        emitChar(0x00AD);
        return;
    case '_':
        emitChar(0x2011);
        return;
    default:
        return; // \: \| and unknown symbols carry no text
    }
}

void Reader::controlWord(const Token& t) {
    const Cw cw = lookup(t.text);
    const int param = t.param;
    const bool on = !t.hasParam || param != 0;
    if (st_.dest == Dest::Skip) {
        if (cw == Cw::Bin)
            tokens_.takeBinary(t.hasParam ? param : 0);
        return;
    }
    if (st_.star) {
        st_.star = false;
        if (!isDestinationWord(cw)) {
            st_.dest = Dest::Skip;
            return;
        }
    }
    if (skip_ > 0 && cw != Cw::Uc) {
        --skip_;
        if (cw == Cw::Bin)
            tokens_.takeBinary(t.hasParam ? param : 0);
        return;
    }
    const Dest dest = st_.dest;
    const bool body = dest == Dest::Body;
    CharState& c = st_.chr;
    ParaState& p = st_.para;
    switch (cw) {
    case Cw::Unknown:
    case Cw::Rtf:
        return;
    case Cw::SkipDest:
        st_.dest = Dest::Skip;
        return;
    case Cw::Ansi:
        docCodePage_ = 1252;
        return;
    case Cw::Mac:
        docCodePage_ = 10000;
        return;
    case Cw::Pc:
        docCodePage_ = 437;
        return;
    case Cw::Pca:
        docCodePage_ = 850;
        return;
    case Cw::AnsiCpg:
        if (t.hasParam && param > 0)
            docCodePage_ = param;
        return;
    case Cw::Deff:
        defaultFont_ = param;
        return;
    case Cw::FontTbl:
        enterDestination(Dest::FontTable);
        entryFont_ = -1;
        entryOpen_ = false;
        return;
    case Cw::ColorTbl:
        enterDestination(Dest::ColorTable);
        colors_.clear();
        return;
    case Cw::F:
        if (dest == Dest::FontTable) {
            commitFont();
            entryFont_ = param;
            entryCharset_ = -1;
            entryCpg_ = 0;
            entryBytes_.clear();
            entryName_.clear();
            entryOpen_ = true;
        } else if (fonts_.count(param)) {
            c.font = param;
        }
        return;
    case Cw::FCharset:
        if (dest == Dest::FontTable)
            entryCharset_ = param;
        return;
    case Cw::Cpg:
        if (dest == Dest::FontTable)
            entryCpg_ = param;
        return;
    case Cw::Red:
    case Cw::Green:
    case Cw::Blue:
        if (dest == Dest::ColorTable) {
            const int v = std::clamp(param, 0, 255);
            (cw == Cw::Red ? red_ : cw == Cw::Green ? green_ : blue_) = v;
            colorSet_ = true;
        }
        return;

    case Cw::Pict:
        if (body || dest == Dest::Container ||
            (dest == Dest::ShapeValue && shapeProperty_.trimmed() == "pib")) {
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
    case Cw::NonShpPict:
    case Cw::ShpRslt:
        st_.dest = Dest::Skip;
        return;
    case Cw::Shp:
        if (body || dest == Dest::Container) {
            enterDestination(Dest::Shape);
            shapeLeft_ = shapeRight_ = shapeTop_ = shapeBottom_ = 0;
            shapeProperty_.clear();
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
            shapeProperty_.clear();
        } else {
            st_.dest = Dest::Skip;
        }
        return;
    case Cw::Sv:
        st_.dest = dest == Dest::Shape ? Dest::ShapeValue : Dest::Skip;
        return;
    case Cw::ShpLeft:
        shapeLeft_ = param;
        return;
    case Cw::ShpRight:
        shapeRight_ = param;
        return;
    case Cw::ShpTop:
        shapeTop_ = param;
        return;
    case Cw::ShpBottom:
        shapeBottom_ = param;
        return;
    case Cw::Object:
    case Cw::Upr:
        st_.dest = body ? Dest::Container : Dest::Skip;
        return;
    case Cw::Result:
    case Cw::Ud:
        st_.dest = dest == Dest::Container ? Dest::Body : Dest::Skip;
        return;
    case Cw::Field:
        if (body) {
            if (fieldInstructions_.size() < 100000) {
                st_.field = static_cast<int>(fieldInstructions_.size());
                fieldInstructions_.emplace_back();
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
        if (st_.field >= 0 && static_cast<size_t>(st_.field) < fieldInstructions_.size()) {
            const QString target = hyperlinkTarget(fieldInstructions_[st_.field]);
            if (!target.isEmpty()) {
                links_.push_back(target);
                c.link = static_cast<int>(links_.size());
            }
        }
        return;
    case Cw::ListTable:
        st_.dest = Dest::ListTable;
        return;
    case Cw::ListOverrideTable:
        st_.dest = Dest::ListOverride;
        return;
    case Cw::List:
        if (dest == Dest::ListTable)
            lists_.emplace_back();
        return;
    case Cw::ListLevel:
        if (dest == Dest::ListTable && !lists_.empty() && lists_.back().levels.size() < 9)
            lists_.back().levels.emplace_back();
        return;
    case Cw::LevelNfc:
        if (dest == Dest::ListTable && !lists_.empty() && !lists_.back().levels.empty())
            lists_.back().levels.back().nfc = param;
        return;
    case Cw::LevelText:
        st_.dest = dest == Dest::ListTable ? Dest::LevelText : Dest::Skip;
        return;
    case Cw::ListId:
        if (dest == Dest::ListTable && !lists_.empty())
            lists_.back().id = param;
        else if (dest == Dest::ListOverride)
            overrideListId_ = param;
        return;
    case Cw::ListOverride:
        overrideListId_ = 0;
        return;
    case Cw::Ls:
        if (dest == Dest::ListOverride)
            overrides_[param] = overrideListId_;
        else
            p.ls = std::max(0, param);
        return;
    case Cw::Ilvl:
        p.ilvl = std::clamp(param, 0, 8);
        return;
    case Cw::ListText:
    case Cw::PnText:
        // The cached marker of a list paragraph: the list itself draws it, so it appears once.
        st_.dest = Dest::Skip;
        return;
    case Cw::Pn:
        st_.dest = body ? Dest::Pn : Dest::Skip;
        if (body && p.pnStyle >= 0)
            p.pnStyle = QTextListFormat::ListDecimal;
        return;
    case Cw::PnLvlBlt:
        p.pnStyle = QTextListFormat::ListDisc;
        return;
    case Cw::PnLvlBody:
        p.pnLevel = 0;
        return;
    case Cw::PnLvl:
        p.pnLevel = std::clamp(param - 1, 0, 8);
        return;
    case Cw::PnLvlCont:
        p.pnStyle = 1;
        return;
    case Cw::PnDec:
        p.pnStyle = QTextListFormat::ListDecimal;
        return;
    case Cw::PnUcLtr:
        p.pnStyle = QTextListFormat::ListUpperAlpha;
        return;
    case Cw::PnLcLtr:
        p.pnStyle = QTextListFormat::ListLowerAlpha;
        return;
    case Cw::PnUcRm:
        p.pnStyle = QTextListFormat::ListUpperRoman;
        return;
    case Cw::PnLcRm:
        p.pnStyle = QTextListFormat::ListLowerRoman;
        return;

    case Cw::PngBlip:
        if (dest == Dest::Pict)
            picture_.kind = 1;
        return;
    case Cw::JpegBlip:
        if (dest == Dest::Pict)
            picture_.kind = 2;
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
        if (dest == Dest::Pict && picture_.data.size() < (qsizetype(1) << 30))
            picture_.data.append(bytes.data(), bytes.size());
        return;
    }

    case Cw::U:
        unicode(param);
        skip_ = st_.uc;
        return;
    case Cw::Uc:
        st_.uc = std::clamp(param, 0, 16);
        return;

    case Cw::Par:
        if (body)
            paragraphEnd(false);
        return;
    case Cw::Sect:
    case Cw::Column:
        if (body)
            paragraphEnd(true);
        return;
    case Cw::Page:
        if (body) {
            paragraphEnd(true);
            builder_.pageBreakBefore();
        }
        return;
    case Cw::Line:
        if (body)
            emitChar(QChar::LineSeparator);
        return;
    case Cw::Tab:
        if (body)
            emitChar(u'\t');
        return;
    case Cw::Cell:
        if (body) {
            if (highSurrogate_) {
                highSurrogate_ = 0;
                emitChar(0xFFFD);
            }
            builder_.endCell(paragraphProps(), charFormat());
        }
        return;
    case Cw::Row:
        if (body)
            builder_.endRow();
        return;
    case Cw::NestCell:
        if (body)
            paragraphEnd(false);
        return;
    case Cw::NestRow:
        return;
    case Cw::EmDash:
        if (body)
            emitChar(0x2014);
        return;
    case Cw::EnDash:
        if (body)
            emitChar(0x2013);
        return;
    case Cw::Bullet:
        if (body)
            emitChar(0x2022);
        return;
    case Cw::LQuote:
        if (body)
            emitChar(0x2018);
        return;
    case Cw::RQuote:
        if (body)
            emitChar(0x2019);
        return;
    case Cw::LDblQuote:
        if (body)
            emitChar(0x201C);
        return;
    case Cw::RDblQuote:
        if (body)
            emitChar(0x201D);
        return;
    case Cw::EmSpace:
        if (body)
            emitChar(0x2003);
        return;
    case Cw::EnSpace:
        if (body)
            emitChar(0x2002);
        return;
    case Cw::QmSpace:
        if (body)
            emitChar(0x2005);
        return;
    case Cw::Zwj:
        if (body)
            emitChar(0x200D);
        return;
    case Cw::Zwnj:
        if (body)
            emitChar(0x200C);
        return;
    case Cw::LtrMark:
        if (body)
            emitChar(0x200E);
        return;
    case Cw::RtlMark:
        if (body)
            emitChar(0x200F);
        return;
    case Cw::Zwbo:
        if (body)
            emitChar(0x200B);
        return;

    case Cw::Pard:
        p = ParaState();
        return;
    case Cw::Ql:
        p.align = 'l';
        return;
    case Cw::Qr:
        p.align = 'r';
        return;
    case Cw::Qc:
        p.align = 'c';
        return;
    case Cw::Qj:
        p.align = 'j';
        return;
    case Cw::Li:
        p.li = std::clamp(param, -31680, 31680);
        return;
    case Cw::Ri:
        p.ri = std::clamp(param, -31680, 31680);
        return;
    case Cw::Fi:
        p.fi = std::clamp(param, -31680, 31680);
        return;
    case Cw::Sb:
        p.sb = std::clamp(param, 0, 31680);
        return;
    case Cw::Sa:
        p.sa = std::clamp(param, 0, 31680);
        return;
    case Cw::Sl:
        p.sl = std::clamp(param, -31680, 31680);
        return;
    case Cw::SlMult:
        p.slMult = on;
        return;
    case Cw::RtlPar:
        p.dir = 2;
        return;
    case Cw::LtrPar:
        p.dir = 1;
        return;
    case Cw::PageBb:
        p.pageBreakBefore = on;
        return;
    case Cw::InTbl:
        p.inTable = on;
        return;
    case Cw::Itap:
        p.itap = param;
        p.inTable = param > 0;
        return;

    case Cw::Trowd:
        rowCells_ = 0;
        cellFlags_ = 0;
        rowMerges_.clear();
        rowEdges_.clear();
        builder_.setRowDefinition(0, {}, {});
        return;
    case Cw::Cellx:
        if (cellFlags_)
            rowMerges_.emplace_back(rowCells_, cellFlags_);
        cellFlags_ = 0;
        if (rowCells_ < 63) {
            ++rowCells_;
            rowEdges_.push_back(param);
        }
        builder_.setRowDefinition(rowCells_, rowMerges_, rowEdges_);
        return;
    case Cw::ClMgf:
        cellFlags_ |= MergeFirst;
        return;
    case Cw::ClMrg:
        cellFlags_ |= MergeNext;
        return;
    case Cw::ClVmgf:
        cellFlags_ |= MergeVFirst;
        return;
    case Cw::ClVmrg:
        cellFlags_ |= MergeVNext;
        return;

    case Cw::Plain: {
        const int link = c.link;
        c = CharState();
        c.link = link;
        return;
    }
    case Cw::B:
        c.bold = on;
        return;
    case Cw::I:
        c.italic = on;
        return;
    case Cw::Ul:
        c.underline = on ? QTextCharFormat::SingleUnderline : QTextCharFormat::NoUnderline;
        return;
    case Cw::UlDb:
    case Cw::UlTh:
        c.underline = on ? QTextCharFormat::SingleUnderline : QTextCharFormat::NoUnderline;
        return;
    case Cw::UlNone:
        c.underline = QTextCharFormat::NoUnderline;
        return;
    case Cw::UlD:
        c.underline = on ? QTextCharFormat::DotLine : QTextCharFormat::NoUnderline;
        return;
    case Cw::UlDash:
        c.underline = on ? QTextCharFormat::DashUnderline : QTextCharFormat::NoUnderline;
        return;
    case Cw::UlDashD:
        c.underline = on ? QTextCharFormat::DashDotLine : QTextCharFormat::NoUnderline;
        return;
    case Cw::UlDashDD:
        c.underline = on ? QTextCharFormat::DashDotDotLine : QTextCharFormat::NoUnderline;
        return;
    case Cw::UlWave:
        c.underline = on ? QTextCharFormat::WaveUnderline : QTextCharFormat::NoUnderline;
        return;
    case Cw::Strike:
    case Cw::StrikeD:
        c.strike = on;
        return;
    case Cw::Super:
        c.valign = on ? QTextCharFormat::AlignSuperScript : QTextCharFormat::AlignNormal;
        return;
    case Cw::Sub:
        c.valign = on ? QTextCharFormat::AlignSubScript : QTextCharFormat::AlignNormal;
        return;
    case Cw::NoSuperSub:
        c.valign = QTextCharFormat::AlignNormal;
        return;
    case Cw::Up:
    case Cw::Dn:
        // Raised or lowered text (\up6 is the default amount) is how some producers write
        // superscripts and subscripts.
        if (t.hasParam && param == 0)
            c.valign = QTextCharFormat::AlignNormal;
        else
            c.valign =
                cw == Cw::Up ? QTextCharFormat::AlignSuperScript : QTextCharFormat::AlignSubScript;
        return;
    case Cw::V:
        c.hidden = on;
        return;
    case Cw::Fs:
        // Half-points; nonsense sizes fall back to the default rather than break the layout.
        c.size = (t.hasParam && param >= 2 && param <= 3276) ? param : 24;
        return;
    case Cw::Cf:
        c.fg = param;
        return;
    case Cw::Highlight:
        c.bg = param > 0 ? param : -1;
        return;
    case Cw::ChCbPat:
    case Cw::Cb:
        c.bg = param;
        return;
    case Cw::Caps:
        c.caps = on ? 1 : 0;
        return;
    case Cw::Scaps:
        c.caps = on ? 2 : 0;
        return;
    }
}

} // namespace

bool looksLikeRtf(QByteArrayView data) {
    qsizetype i = 0;
    if (data.startsWith("\xEF\xBB\xBF"))
        i = 3;
    while (i < data.size() &&
           (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    return data.sliced(i).startsWith("{\\rtf");
}

void readRtf(QByteArrayView data, QTextDocument& document) {
    qsizetype i = 0;
    while (i < data.size() && data[i] != '{')
        ++i;
    Reader reader(data.sliced(i), document);
    reader.run();
}

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
