#include "document/text_search.h"

#include <algorithm>
#include <functional>

namespace kt::document {
namespace {

inline char16_t foldUnit(char16_t c) {
    if (c < 0x80)
        return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
    return QChar::toCaseFolded(c);
}

} // namespace

QString TextSearch::fold(QStringView text) {
    QString out(text.size(), Qt::Uninitialized);
    char16_t* o = reinterpret_cast<char16_t*>(out.data());
    for (QChar c : text)
        *o++ = foldUnit(c.unicode());
    return out;
}

qsizetype TextSearch::find(const QString& haystack, quint64 revision, QStringView needle,
                           qsizetype from) {
    if (from < 0)
        from = 0;
    if (from >= haystack.size())
        return -1;
    if (needle.isEmpty())
        return from;
    // The folded text is kept for as long as the content does not change, so a walk of Find
    // Next over a long document folds it once.
    if (!m_valid || m_revision != revision || m_folded.size() != haystack.size()) {
        m_folded = fold(haystack);
        m_revision = revision;
        m_valid = true;
    }
    const QString folded = fold(needle);
    if (folded.size() == 1)
        return QStringView(m_folded).indexOf(folded.front(), from);
    // The toolkit's search slides a needle of m units one place at a time when its last unit
    // keeps matching (a long text in a line of dashes): n times m, seconds for a long needle in
    // a long story. Boyer-Moore with the good-suffix rule stays linear up to the first match.
    const auto* begin = reinterpret_cast<const char16_t*>(m_folded.constData());
    const char16_t* end = begin + m_folded.size();
    const auto* pattern = reinterpret_cast<const char16_t*>(folded.constData());
    const std::boyer_moore_searcher searcher(pattern, pattern + folded.size());
    const char16_t* at = std::search(begin + from, end, searcher);
    return at == end ? -1 : at - begin;
}

} // namespace kt::document
