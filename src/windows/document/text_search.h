#pragma once

#include <QString>
#include <QStringView>

namespace kt::document {

// Case-insensitive search over the editor's plain text. Letters are folded one UTF-16 unit at a
// time by the simple (one-to-one) case folding, so a folded text keeps every position of the
// original and a match selects exactly the characters found.
class TextSearch {
public:
    // 0-based position of the first occurrence of needle at or after from, or -1. The empty
    // needle occurs at from itself when from lies inside the text.
    qsizetype find(const QString& haystack, quint64 revision, QStringView needle, qsizetype from);

    static QString fold(QStringView text);

private:
    QString m_folded;
    quint64 m_revision = ~quint64(0);
    bool m_valid = false;
};

} // namespace kt::document
