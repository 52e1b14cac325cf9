#pragma once

#include <QByteArrayView>

#include <cstdint>
#include <string_view>

namespace kt::rtf::detail {

// What a control word does. Words that behave alike share one value and differ in the entry's
// value (the character a symbol word stands for, the underline style, the code page...). The
// values are in sections, one per part of the reader that handles them (familyOf): a new value
// goes into the section of the handler that gets its case.
enum class Cw : std::uint8_t {
    Unknown,
    Ignore, // known, and carries nothing we keep
    Skip,   // a destination whose content is never body text
    // header
    CodePage,
    AnsiCpg,
    Deff,
    // font, colour and list tables, old-style paragraph numbering
    FontTbl,
    ColorTbl,
    F,
    FCharset,
    Cpg,
    Red,
    Green,
    Blue,
    StyleSheet,
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
    Pn,
    PnStyle,
    PnLvlCont,
    PnLvlBody,
    PnLvl,
    // pictures, shapes, objects and fields
    Pict,
    ShpPict,
    Shp,
    ShpInst,
    Sn,
    Sv,
    ShpLeft,
    ShpRight,
    ShpTop,
    ShpBottom,
    Container, // text dropped, but \ud, \result and pictures inside are read
    Result,
    Field,
    FldInst,
    FldRslt,
    PictureKind,
    PicW,
    PicH,
    PicWGoal,
    PicHGoal,
    PicScaleX,
    PicScaleY,
    Bin,
    // text: unicode, breaks and special characters
    U,
    Uc,
    Par,
    SoftPar, // ends a paragraph only when one is open
    Page,
    Symbol,
    // table rows and cells
    Trowd,
    Cellx,
    CellMerge,
    Cell,
    Row,
    InTbl,
    Itap,
    // paragraph
    Pard,
    Align,
    Li,
    Ri,
    Fi,
    Sb,
    Sa,
    Sl,
    SlMult,
    Direction,
    PageBb,
    OutlineLevel,
    Style,
    // character
    Plain,
    B,
    I,
    Underline,
    Strike,
    VAlign,
    Raise,
    V,
    Fs,
    Cf,
    Highlight,
    Background,
    Caps,
    Spacing,
    AssocMode, // which script's properties the associated words below set
    AssocB,
    AssocI,
    AssocFs,
    AssocF,
};

// The part of the reader that handles a word.
enum class Family : std::uint8_t {
    None,
    Skip,
    Document,
    Tables,
    Objects,
    Text,
    Rows,
    Paragraph,
    Character,
};

// A word's family is the section of Cw it is in.
constexpr Family familyOf(Cw word) {
    if (word >= Cw::Plain)
        return Family::Character;
    if (word >= Cw::Pard)
        return Family::Paragraph;
    if (word >= Cw::Trowd)
        return Family::Rows;
    if (word >= Cw::U)
        return Family::Text;
    if (word >= Cw::Pict)
        return Family::Objects;
    if (word >= Cw::FontTbl)
        return Family::Tables;
    if (word >= Cw::CodePage)
        return Family::Document;
    return word == Cw::Skip ? Family::Skip : Family::None;
}

// What the values of some words stand for.
enum class Align : std::uint8_t { None, Left, Right, Center, Justify };
enum class Direction : std::uint8_t { None, LeftToRight, RightToLeft };
enum class Caps : std::uint8_t { None, All, Small };
enum class PictureKind : std::uint8_t { Other, Png, Jpeg };
// Which script's properties \ab, \ai, \afs and \af set: after \rtlch complex scripts
// (right-to-left, Indic, Thai...), after \dbch East Asian ones, after \ltrch, \loch or \hich
// none.
enum class AssocTarget : std::uint8_t { Complex, EastAsian, None };

struct ControlWord {
    std::string_view name;
    Cw word = Cw::Unknown;
    // A word that may follow \*: it starts a destination we know, so the group is read rather
    // than skipped.
    bool destination = false;
    // The character, style, flag or code page the word stands for, where its word needs one.
    int value = 0;
};

// The entry for a name; an unknown name gives an entry with Cw::Unknown.
const ControlWord& findControlWord(QByteArrayView name);

} // namespace kt::rtf::detail
