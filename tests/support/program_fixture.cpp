#include "support/program_fixture.h"

#include "windows/app/safety_copy.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <chrono>

namespace kt::test {

void turnWheel(QWidget* target, int angle, Qt::KeyboardModifiers modifiers) {
    const QPointF at = QRectF(target->rect()).center();
    QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(target, &wheel);
}

void ProgramFixture::SetUp() {
    dialogs = std::make_unique<ScriptedDialogs>();
    program = std::make_unique<app::Program>();
}

void ProgramFixture::TearDown() {
    EXPECT_TRUE(dialogs->allAnswersUsed()) << "a scripted answer was never asked for";
    program.reset();
    dialogs.reset();
    QCoreApplication::processEvents();
}

void ProgramFixture::settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        if (ui::WindowManager* wm = &ui::WindowManager::instance())
            wm->settle();
    }
}

bool ProgramFixture::waitUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QTest::qWait(5);
    }
    return true;
}

app::SafetyCopy* ProgramFixture::keepSafetyCopy(const QString& folder) {
    program->keepSafetyCopy(folder);
    program->safetyCopy()->setTimings({std::chrono::milliseconds(30), std::chrono::seconds(10)});
    return program->safetyCopy();
}

bool ProgramFixture::typeAndPause(QWidget* target, const QString& text) {
    app::SafetyCopy* copy = program->safetyCopy();
    QSignalSpy written(copy, &app::SafetyCopy::written);
    QTest::keyClicks(target, text);
    // The keys themselves start the wait for a pause.
    return !copy->idle() && waitUntil([copy] { return copy->idle(); }) && !written.isEmpty() &&
           written.last().at(0).toBool();
}

void ProgramFixture::enterMainMenu() {
    program->start();
    settle();
    click(QStringLiteral("frmSplash"), QStringLiteral("cmdEnter"));
    settle();
}

ui::ProgramWindow* ProgramFixture::window(const QString& name) const {
    return program->windows().find(name);
}

void ProgramFixture::click(const QString& windowName, const QString& buttonName) {
    auto* button = child<QAbstractButton>(windowName, buttonName);
    ASSERT_NE(button, nullptr) << windowName.toStdString() << "." << buttonName.toStdString();
    button->click();
    settle();
}

bool ProgramFixture::isShown(const QString& windowName) const {
    auto* w = window(windowName);
    return w && w->isVisible();
}

} // namespace kt::test
