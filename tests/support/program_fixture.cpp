#include "support/program_fixture.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QWheelEvent>

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
