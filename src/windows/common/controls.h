#pragma once

#include <QLabel>
#include <QPushButton>

class QPainter;

namespace kt::windows {

// A label that runs an action when clicked. Its access key ("&x") moves the focus to its buddy.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    ClickLabel(QWidget* parent, const QString& objectName, const QString& text);

    // Lets the keyboard reach a label that nothing else on its window leads to: Tab stops on it,
    // a frame shows the focus, Space or Enter clicks it, and assistive technology sees a button.
    void setKeyboardReachable();
    bool keyboardReachable() const { return m_reachable; }
    void click() { Q_EMIT clicked(); }

Q_SIGNALS:
    void clicked();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_reachable = false;
};

// The small navy square bullet; the answered look carries the red check mark.
class BulletButton : public QPushButton {
    Q_OBJECT
public:
    BulletButton(QWidget* parent, const QString& objectName, bool checked);
    bool showsCheck() const { return m_checked; }

    // What assistive technology says of the bullet: what it opens and, for one of a plain and
    // check-mark pair, in words the state its look stands for, since the mark is only seen. The
    // name is "name (state)"; the description tells what pressing it does.
    void describe(const QString& name, const QString& state, const QString& description);
    // Shows `mark` in this bullet's place and hides this one. A keyboard user who was on this
    // bullet stays on the same entry: the focus moves to the mark.
    void giveWayTo(BulletButton& mark);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintFocusFrame(QPainter& p) const;

    bool m_checked;
};

// A push button of the program's own windows (the program's style frames its focus).
class PushButton : public QPushButton {
    Q_OBJECT
public:
    PushButton(QWidget* parent, const QString& objectName, const QString& caption);
};

// A caption as read out: the access-key marks dropped, "&&" read as one ampersand.
QString withoutAccessKey(const QString& caption);

// The question-label look: bold Arial 9.75 pt in navy.
void applyLabelLook(QLabel& label);

// Plain label in the label font and colour, word-wrapped, placed in twips.
QLabel* addLabel(QWidget* parent, const QString& objectName, const QString& text, int x, int y,
                 int w, int h);
// PushButton in the dialog font, placed in twips.
QPushButton* addButton(QWidget* parent, const QString& objectName, const QString& caption, int x,
                       int y, int w, int h, const QString& toolTip = {});

} // namespace kt::windows
