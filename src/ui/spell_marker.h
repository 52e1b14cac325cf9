#pragma once

#include <QObject>
#include <QPointer>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>

#include <functional>
#include <type_traits>

class QAbstractScrollArea;
class QMenu;
class QPlainTextEdit;
class QTextDocument;

namespace kt::ui {

// Marks the misspelt words of a text control with the spell-check underline as the user types.
//
// The marks are a view only: they are the control's extra selections, drawn over the text and
// never part of the document, so they reach neither the saved files nor the undo history, and
// putting them on is not a change of the content. Only the text on screen is checked, on the
// next turn of the event loop after a change, a scroll, a resize or an Ignore: a story of any
// length costs no more to mark than the screenful the user sees, and the toolkit's layout is
// never asked to work again. Between two checks the marks move with the text they cover.
class SpellMarker : public QObject {
    Q_OBJECT
public:
    // Either kind of text control: both offer the same calls under the same names.
    template <class Edit>
    requires std::is_base_of_v<QAbstractScrollArea, Edit>
    explicit SpellMarker(Edit* edit)
        : SpellMarker(
              edit, [edit](QPoint p) { return edit->cursorForPosition(p); },
              [edit](const QTextCursor& c) { edit->setTextCursor(c); },
              [edit] { return edit->extraSelections(); },
              [edit](const Selections& s) { edit->setExtraSelections(s); }) {
        setDocument(edit->document());
    }
    ~SpellMarker() override;

    // Follows a document the control was given after the marker was made.
    void setDocument(QTextDocument* document);
    // Puts the suggestions for a misspelt word at `viewportPos` and "Ignore" at the top of the
    // control's context menu; nothing when the word there is correct.
    void addToMenu(QMenu& menu, QPoint viewportPos);

    // Whether the text on screen still waits to be checked.
    bool busy() const { return m_timer.isActive(); }

    // Every marker checks its text again (the speller's verdicts changed).
    static void recheckAll();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Selections = QList<QTextEdit::ExtraSelection>;
    SpellMarker(QAbstractScrollArea* area, std::function<QTextCursor(QPoint)> cursorAt,
                std::function<void(const QTextCursor&)> setCursor,
                std::function<Selections()> selections,
                std::function<void(const Selections&)> setSelections);
    void mark();
    void later() { m_timer.start(0); }

    QAbstractScrollArea* m_area;
    std::function<QTextCursor(QPoint)> m_cursorAt;
    std::function<void(const QTextCursor&)> m_setCursor;
    std::function<Selections()> m_selections;
    std::function<void(const Selections&)> m_setSelections;
    QPointer<QTextDocument> m_document;
    QTextCharFormat m_mark;
    QTimer m_timer;
};

} // namespace kt::ui
