// Whole-process start-up probe: starts the real program, and exits as soon as the splash has
// painted for the first time ("splash"), or after pressing Enter once the main menu has painted
// ("menu", which also prints the resident set size). Timed from outside, side by side with
// bare_window_probe.
#include "system/memory.h"
#include "windows/app/program.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace {

long statusKb(const char* field) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLong();
    return -1;
}

class FirstPaint : public QObject {
public:
    FirstPaint(QWidget* target, std::function<void()> then) : m_then(std::move(then)) {
        target->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint && !m_done) {
            m_done = true;
            QTimer::singleShot(0, m_then);
        }
        return false;
    }

private:
    std::function<void()> m_then;
    bool m_done = false;
};

} // namespace

int main(int argc, char** argv) {
    QElapsedTimer clock;
    clock.start();
    const bool menu = argc > 1 && std::strcmp(argv[1], "menu") == 0;
    kt::system::keepFreedMemory(); // as the program does
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    kt::app::Program program;
    program.keepSafetyCopy(); // as the program does
    program.start();
    auto* splash = program.windows().find(QStringLiteral("frmSplash"));
    std::unique_ptr<FirstPaint> watch;
    if (!menu) {
        watch = std::make_unique<FirstPaint>(splash, [&] {
            std::printf("first paint of the splash after %lld ms in main\n",
                        static_cast<long long>(clock.elapsed()));
            QApplication::exit(0);
        });
    } else {
        auto* mainMenu = program.windows().find(QStringLiteral("frmMain"));
        watch = std::make_unique<FirstPaint>(mainMenu, [&] {
            std::printf("main menu painted after %lld ms; VmRSS %ld kB, VmHWM %ld kB\n",
                        static_cast<long long>(clock.elapsed()), statusKb("VmRSS"),
                        statusKb("VmHWM"));
            QApplication::exit(0);
        });
        QTimer::singleShot(0, [splash] {
            splash->findChild<QAbstractButton*>(QStringLiteral("cmdEnter"))->click();
        });
    }
    return QApplication::exec();
}
