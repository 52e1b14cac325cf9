#include "document/text_search.h"

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
    return QStringView(m_folded).indexOf(fold(needle), from);
}

} // namespace kt::document
