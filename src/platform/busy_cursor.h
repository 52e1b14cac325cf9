#pragma once

namespace kt::platform {

// The wait cursor for as long as it lives, when `busy`: work long enough to be noticed (opening
// a large document, filling boxes with very long answers) shows that the program is at it.
class BusyCursor {
public:
    explicit BusyCursor(bool busy);
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

    explicit operator bool() const { return m_busy; }

private:
    bool m_busy;
};

} // namespace kt::platform
