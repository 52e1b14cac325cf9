#pragma once

#include <QObject>
#include <QPointer>
#include <QStringView>
#include <QTextOption>

#include <functional>

class QPlainTextEdit;
class QTextDocument;
class QTextEdit;

namespace kt::ui {

// Longer than any word or link a reader wraps by hand; a stretch this long still lays out in a
// few milliseconds with the word-boundary search.
constexpr qsizetype kLongestWord = 1000;

// Whether `text` holds more than `limit` characters in a row without a place to break a line.
// Only whitespace (other than the no-break spaces), a zero-width space and a soft hyphen count as
// such places: text that breaks elsewhere too (after hyphens, between ideographs) may be counted
// unbroken, which only lets it wrap anywhere.
bool hasLongUnbrokenRun(QStringView text, qsizetype limit = kLongestWord);

// Keeps the line breaking of a text control linear in what it holds.
//
// The toolkit wraps at word boundaries and breaks inside a word only when the word is wider than
// the line; to find that out it measures the word to its end for every line it fills, so one
// stretch of n characters without a break opportunity (a pasted row of links, a line of dashes)
// costs n squared: a megabyte freezes the window for most of a minute. A control holding such a
// stretch longer than kLongestWord wraps anywhere instead, where every line costs what it holds.
// Only the layout changes: the text, the document and everything saved stay as they are. The
// toolkit takes one wrap mode per document, so the control's other paragraphs break anywhere too
// while it holds such a stretch. Once a control wraps anywhere it keeps doing so until its whole
// text is replaced.
class WrapGuard final : public QObject {
    Q_OBJECT
public:
    explicit WrapGuard(QTextEdit* edit);
    explicit WrapGuard(QPlainTextEdit* edit);

    // Replaces the control's whole content by calling `replace`; `text` is the new content. The
    // wrap for it is chosen before the toolkit lays it out, and never with the old content still
    // in place, which the other wrap could make slow.
    template <class Replace> void replace(QStringView text, Replace&& replace) {
        const bool anywhere = hasLongUnbrokenRun(text);
        if (anywhere)
            setAnywhere(true);
        m_replacing = true; // the new text is known already: no need to look at it again
        replace();
        m_replacing = false;
        if (!anywhere)
            setAnywhere(false);
    }
    // Call before `text` is inserted (paste, drop): a long stretch in it switches before the
    // toolkit lays the insertion out. Typing is caught after each change.
    void aboutToInsert(QStringView text);
    // The document to watch, when the control got another one.
    void watch(QTextDocument* document);

private:
    WrapGuard(QObject* edit, std::function<void(QTextOption::WrapMode)> setMode,
              QTextDocument* document);
    void onContentsChange(int position, int removed, int added);
    void setAnywhere(bool anywhere);

    std::function<void(QTextOption::WrapMode)> m_setMode;
    QPointer<QTextDocument> m_document;
    QMetaObject::Connection m_connection;
    bool m_anywhere = false;
    bool m_replacing = false;
};

} // namespace kt::ui
