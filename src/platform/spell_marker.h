#pragma once

#include <QObject>
#include <QPointer>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTimer>

#include <functional>

class QAbstractScrollArea;
class QMenu;
class QPlainTextEdit;
class QTextDocument;
class QTextEdit;

namespace kt::platform {

// Marks the misspelt words of a text control with the spell-check underline as the user types.
//
// The marks are a view only: they live in the block layouts' additional formats, never in the
// document's character formats, so they reach neither the saved files nor the undo history,
// and putting them on is not a change of the content.
//
// An edit of a few blocks re-checks just those blocks at once, inside the edit's own layout.
// Everything else is checked when it comes on screen (shown, scrolled to, resized, after a
// large change or an Ignore), on the next turn of the event loop: a story of any length costs
// no more to mark than the screenful the user sees. A block's user state holds the speller
// generation it was checked under.
class SpellMarker : public QObject {
    Q_OBJECT
public:
    explicit SpellMarker(QTextEdit* edit);
    explicit SpellMarker(QPlainTextEdit* edit);
    ~SpellMarker() override;

    // Follows a document the control was given after the marker was made.
    void setDocument(QTextDocument* document);
    // Puts the suggestions for a misspelt word at `viewportPos` and "Ignore" at the top of the
    // control's context menu; nothing when the word there is correct.
    void addToMenu(QMenu& menu, QPoint viewportPos);

    // Whether the text on screen still waits to be checked.
    bool busy() const { return m_timer.isActive(); }

    // Every marker checks its whole text again (the speller's verdicts changed).
    static void recheckAll();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    SpellMarker(QAbstractScrollArea* area, std::function<QTextCursor(QPoint)> cursorAt,
                std::function<void(const QTextCursor&)> setCursor);
    void onContentsChange(int position, int removed, int added);
    void restart();
    bool stale(const QTextBlock& block) const;
    void checkBlock(const QTextBlock& block);
    void checkVisible();
    void relayout();

    QAbstractScrollArea* m_area;
    std::function<QTextCursor(QPoint)> m_cursorAt;
    std::function<void(const QTextCursor&)> m_setCursor;
    QPointer<QTextDocument> m_document;
    QTextCharFormat m_mark;
    QTimer m_timer;
    int m_relayoutFrom = -1; // the document range marked but not laid out again yet
    int m_relayoutTo = -1;
};

} // namespace kt::platform
