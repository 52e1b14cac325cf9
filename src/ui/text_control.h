#pragma once

#include "ui/busy_cursor.h"
#include "ui/spell_marker.h"
#include "ui/wrap_guard.h"
#include "ui/zoom.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QTextCursor>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <memory>

namespace kt::ui {

// The plain text of pasted or dropped HTML that comes without a plain version.
QString plainTextOfHtml(const QString& html);

// What the program's text controls share, whichever toolkit control (`Base`) they are built on:
// zoom by Ctrl++, Ctrl+- and Ctrl + wheel, spelling marks with their suggestions on top of the
// context menu, a wrap guard that keeps line breaking linear, and paste or drop as plain text
// with the wait cursor for a large one. The zoom is a view only: how it shows is the control's
// own (showZoomed), and the text, its formats and every modified flag stay as they are.
template <class Base> class TextControl : public Base {
public:
    explicit TextControl(QWidget* parent = nullptr) : Base(parent) {
        m_spelling = new SpellMarker(static_cast<Base*>(this));
        m_wrap = new WrapGuard(static_cast<Base*>(this));
    }

    double zoomFactor() const { return m_zoom; }
    void setZoomFactor(double factor) {
        factor = std::clamp(factor, kMinZoom, kMaxZoom);
        if (std::abs(factor - 1.0) < 1e-6)
            factor = 1.0;
        m_zoom = factor;
        showZoomed(factor);
    }

protected:
    // Shows the text `factor` times as large as its own size.
    virtual void showZoomed(double factor) = 0;
    // The menu a right click at `pos` shows; the spelling suggestions go on top of it.
    virtual QMenu* createContextMenu(QPoint pos) = 0;
    // Whether pasted or dropped HTML without a plain version comes in as its text.
    virtual bool takesHtml() const { return false; }

    void keyPressEvent(QKeyEvent* event) override {
        if (const int steps = zoomSteps(*event)) {
            setZoomFactor(zoomedBy(m_zoom, steps));
            return;
        }
        Base::keyPressEvent(event);
    }
    void wheelEvent(QWheelEvent* event) override {
        if (event->modifiers() & Qt::ControlModifier) {
            if (const int steps = zoomSteps(*event, m_wheelPending))
                setZoomFactor(zoomedBy(m_zoom, steps));
            event->accept();
            return;
        }
        Base::wheelEvent(event);
    }
    void contextMenuEvent(QContextMenuEvent* event) override {
        const std::unique_ptr<QMenu> menu(createContextMenu(event->pos()));
        m_spelling->addToMenu(*menu, event->pos());
        menu->exec(event->globalPos());
    }
    bool canInsertFromMimeData(const QMimeData* source) const override {
        return source->hasText() || (takesHtml() && source->hasHtml());
    }
    void insertFromMimeData(const QMimeData* source) override {
        if (!canInsertFromMimeData(source))
            return;
        // Taken from the source once: each asking converts the clipboard's data again.
        const QString text = source->hasText() ? source->text() : QString();
        const QString html = source->hasText() ? QString() : source->html();
        const BusyCursor busy(std::max(text.size(), html.size()) > kBusyInsertLength,
                              this->window());
        insertPlain(source->hasText() ? text : plainTextOfHtml(html));
    }
    // Inserts at the cursor as an ordinary edit, after the wrap guard has seen the text.
    void insertPlain(const QString& text) {
        m_wrap->aboutToInsert(text);
        QTextCursor c = this->textCursor();
        c.insertText(text);
        this->setTextCursor(c);
    }

    // A paste this long is laid out for a noticeable time.
    static constexpr qsizetype kBusyInsertLength = qsizetype{1} << 20;

    SpellMarker* m_spelling;
    WrapGuard* m_wrap;

private:
    double m_zoom = 1.0;
    int m_wheelPending = 0;
};

} // namespace kt::ui
