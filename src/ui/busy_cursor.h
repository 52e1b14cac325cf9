#pragma once

class QWidget;

namespace kt::ui {

// The wait cursor for as long as it lives, when `busy`: work long enough to be noticed (opening
// a large document, filling boxes with very long answers) shows that the program is at it. A
// shown `window` is drawn first, so nothing left over from a closed dialog or an earlier screen
// stands in it while the work keeps the program from drawing.
class BusyCursor {
public:
    explicit BusyCursor(bool busy, QWidget* window = nullptr);
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    bool m_busy;
};

} // namespace kt::ui
