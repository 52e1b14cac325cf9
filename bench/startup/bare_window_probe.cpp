// The yardstick for start-up: a bare Qt window with two buttons, built in the same tree,
// exiting at its first paint.
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {
class Window : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override {
        if (m_done)
            return;
        m_done = true;
        QTimer::singleShot(0, [] { QApplication::exit(0); });
    }
    bool m_done = false;
};
} // namespace

int main(int argc, char** argv) {
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    Window w;
    w.resize(288, 248);
    new QPushButton(QStringLiteral("Enter"), &w);
    w.show();
    const int rc = QApplication::exec();
    std::printf("bare window painted after %lld ms in main\n",
                static_cast<long long>(clock.elapsed()));
    return rc;
}
