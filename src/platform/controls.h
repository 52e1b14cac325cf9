#pragma once

#include <QLabel>
#include <QPushButton>

namespace kt::platform {

// A label that runs an action when clicked. Its access key ("&x") moves the focus to its buddy.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    ClickLabel(QWidget* parent, const QString& objectName, const QString& text);

Q_SIGNALS:
    void clicked();

protected:
    bool event(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// The small navy square bullet; the answered look carries the red check mark.
class BulletButton : public QPushButton {
    Q_OBJECT
public:
    BulletButton(QWidget* parent, const QString& objectName, bool checked);
    bool showsCheck() const { return m_checked; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_checked;
};

// Plain label in the label font and colour, word-wrapped, placed in twips.
QLabel* addLabel(QWidget* parent, const QString& objectName, const QString& text, int x, int y,
                 int w, int h);
// Push button in the dialog font, placed in twips.
QPushButton* addButton(QWidget* parent, const QString& objectName, const QString& caption, int x,
                       int y, int w, int h, const QString& toolTip = {});

} // namespace kt::platform
