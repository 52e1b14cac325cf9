#pragma once

#include <QColor>
#include <QList>
#include <QWidget>

class QPushButton;

namespace kt::ui {

class WindowManager;

// Base of every top-level window of the program. A window is one class with one handler per
// event it uses: creation (its constructor), activated(), closeRequested() and its controls'
// signals.
class ProgramWindow : public QWidget {
    Q_OBJECT
public:
    ProgramWindow(const QString& objectName, const QString& caption);
    ~ProgramWindow() override;

    // Fixed client area in twips, with a title bar, close and minimise boxes and no maximise box.
    void setFixedClientSizeTwips(int width, int height);
    // Centre on the primary screen by the outer size, once per creation. The frame is known
    // only once the window exists on the screen, so the position is settled at the first show,
    // before the window appears; a window shown again keeps wherever it is.
    void centreOnScreen();

    // Runs each time this window becomes the program's active window.
    virtual void activated() {}

    // The colours the program's text comes in, which every window's ground must carry; set once
    // at start-up.
    static void setTextColours(const QList<QColor>& colours);

    // Gives the window its ground from the desktop's colours, so that the program's coloured
    // text reads on it. Runs at creation and again whenever the desktop's colours change
    // during the run (a switch to a dark or a high-contrast theme, and back). A window with its
    // own colours overrides it and calls it from its constructor.
    virtual void applyGround();

    // Tab moves through the widgets in this order.
    void setTabChain(const QList<QWidget*>& chain);

    // The button that Enter presses when the focus is not on another button.
    void setDefaultButton(QPushButton* button);
    QPushButton* defaultButton() const { return m_defaultButton; }

Q_SIGNALS:
    // The window went from the screen: hidden by the program, closed, or the program ending.
    void hidden();

protected:
    // A close through the title bar, system menu or window manager. Return false to cancel.
    // An accepted close destroys the window; it is made afresh when next needed.
    virtual bool closeRequested() { return true; }

    // Navigation helpers: show another program window (not modally, no owner).
    static void showWindow(const QString& name);
    static WindowManager& windows();

    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void placeCentred(const QMargins& frame);

    QPushButton* m_defaultButton = nullptr;
    bool m_centreAtFirstShow = false;
};

} // namespace kt::ui
