#pragma once

// The RTF writer's class, shared by writer.cpp (the body: blocks, runs, tables, pictures) and
// writer_tables.cpp (the header: font, colour and list tables, and the document's defaults).

#include "codepage.h"
#include "document.h"
#include "scripts.h"

#include <QBuffer>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>
#include <QUrl>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <unordered_map>
#include <vector>

namespace kt::rtf::detail {

inline constexpr char kHex[] = "0123456789abcdef";

// Distinct entries numbered in the order they are first met, from first on: the font, colour
// and list tables.
template <typename Key, typename Value> class Interned {
public:
    explicit Interned(int first) : m_first(first) {}

    int indexOf(const Key& key, const Value& value) {
        auto it = m_index.constFind(key);
        if (it != m_index.constEnd())
            return it.value();
        const int index = m_first + static_cast<int>(m_items.size());
        m_items.push_back(value);
        m_index.insert(key, index);
        return index;
    }
    const std::vector<Value>& items() const { return m_items; }

private:
    int m_first;
    std::vector<Value> m_items;
    QHash<Key, int> m_index;
};

struct ListStyleInfo {
    int nfc;
    const char* bullet; // level text of a bullet list, null for numbered
};

// A list style's number format and, for a bullet list, its level text.
ListStyleInfo styleInfo(QTextListFormat::Style style);

class Writer {
public:
    explicit Writer(const QTextDocument& document) : m_document(document) {}
    QByteArray run();

private:
    void defaults();
    int listIndex(const QTextList* list);
    int itemNumber(const QTextList* list, const QTextBlock& block);
    int fontIndex(const QString& family);
    int colorIndex(const QColor& color);
    QString familyOf(const QTextCharFormat& format) const;
    double pointSizeOf(const QTextCharFormat& format) const;

    void header();
    void styleSheet();
    void listTable();
    void frame(QTextFrame* frame);
    void table(QTextTable* table);
    void blockRange(int first, int last, bool inTable, bool endWithCell);
    // A paragraph: its properties, then its runs in groups, then its end.
    void block(const QTextBlock& block, bool inTable, const char* ending);
    void emptyBlock(const QTextBlock& block, const char* ending);
    // What a paragraph's runs have open while they are written.
    struct RunGroups {
        const QByteArray* open = nullptr; // the properties of the run group now open
        QString href;                     // of the hyperlink field now open, if any
        bool fieldOpen = false;
        Script script = Script::Latin; // of the last letter written
    };
    struct RunInfo;
    void closeGroup(RunGroups& groups);
    void openGroup(RunGroups& groups, const QByteArray& props);
    void switchField(RunGroups& groups, const QString& href); // closes the group too
    void scriptRuns(RunGroups& groups, const RunInfo& info, QStringView piece);
    void paragraphProps(const QTextBlock& block, bool inTable);
    void blockProps(const QTextBlock& block);
    void runProps(const QTextCharFormat& format, QByteArray& props);
    void text(QStringView text);
    void image(const QTextImageFormat& format);

    void word(const char* w) { m_out.append(w); }
    void number(long long n) {
        char buffer[24];
        auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, n);
        m_out.append(buffer, end - buffer);
    }
    void word(const char* w, long long n) {
        m_out.append(w);
        number(n);
    }

    const QTextDocument& m_document;
    QByteArray m_out;
    Interned<QString, QString> m_fonts{0};
    Interned<QRgb, QColor> m_colors{1}; // entry 0 is automatic, not stored
    Interned<const QTextList*, const QTextList*> m_lists{1};
    std::unordered_map<const QTextList*, int> m_itemsWritten; // items are written in list order
    // What a run of each of the document's formats writes, worked out once per format.
    struct RunInfo {
        QByteArray props;
        // The same with the associated properties a word processor takes for complex and for
        // East Asian text.
        QByteArray complexProps, eastAsianProps;
        QString href;
        bool image = false;
    };
    const RunInfo& runInfo(int formatIndex, const QTextCharFormat& format);
    const RunInfo& runInfo(const QTextFragment& fragment);
    std::unordered_map<int, RunInfo> m_runs; // node-based: references stay valid
    std::unordered_map<int, std::pair<bool, QByteArray>> m_paragraphs;
    QString m_defaultFamily;
    double m_defaultSize = 12;
    unsigned m_headingLevels = 0; // bit n: a heading of level n was written
};

inline void appendNumber(QByteArray& out, long long n) {
    char buffer[24];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, n);
    out.append(buffer, end - buffer);
}

inline long long twips(double points) {
    return std::llround(points * 20.0);
}

} // namespace kt::rtf::detail
