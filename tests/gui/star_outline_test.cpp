// The credits window's star outline: its 26 points, the window's shape and what lies inside it.
#include "support/program_fixture.h"
#include "ui/twips.h"
#include "windows/app/credits.h"
#include "windows/app/star_outline.h"

#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <cmath>

using namespace kt;
using namespace kt::app;

namespace {

// The design's table of points, in outline order.
constexpr StarPoint kDesigned[kStarPointCount] = {
    {200, 225}, {152, 296}, {154, 216}, {67, 262},  {118, 193}, {13, 203},  {101, 159},
    {1, 132},   {106, 123}, {35, 65},   {134, 94},  {107, 17},  {176, 77},  {200, 0},
    {224, 77},  {293, 17},  {266, 94},  {365, 65},  {294, 123}, {399, 132}, {299, 159},
    {387, 203}, {282, 193}, {333, 262}, {246, 216}, {248, 296},
};

TEST(StarOutline, EveryPointIsExactlyTheDesignedOne) {
    const auto points = starOutline();
    for (int i = 0; i < kStarPointCount; ++i) {
        EXPECT_EQ(points[i].x, kDesigned[i].x) << "point " << i;
        EXPECT_EQ(points[i].y, kDesigned[i].y) << "point " << i;
    }
    EXPECT_EQ(points[13], (StarPoint{200, 0})) << "the top tip";
    EXPECT_EQ(points[0], (StarPoint{200, 225})) << "the first inner corner, straight down";
}

TEST(StarOutline, TipsOnTheOuterEllipseAndCornersOnTheInner) {
    const auto points = starOutline();
    for (int i = 0; i < kStarPointCount; ++i) {
        const double a = i % 2 ? 200.0 : 100.0, b = i % 2 ? 150.0 : 75.0;
        const double dx = (points[i].x - 200) / a, dy = (points[i].y - 150) / b;
        EXPECT_NEAR(std::hypot(dx, dy), 1.0, 0.01) << "point " << i;
    }
}

class CreditsShape : public kt::test::ProgramFixture {
protected:
    CreditsWindow& credits() {
        return program->windows().get<CreditsWindow>(QStringLiteral("frmCredits2"));
    }
};

TEST_F(CreditsShape, TheShapeContainsEachTipsRayAndNothingBetweenTheTips) {
    const QRegion shape = credits().mask();
    ASSERT_FALSE(shape.isEmpty());
    const QPointF centre(200, 150);
    const auto points = starOutline();
    const auto at = [](const StarPoint& p) { return QPointF(p.x, p.y); };
    for (int tip = 1; tip < kStarPointCount; tip += 2) {
        const QPointF t = at(points[tip]);
        // Along the ray from the centre to the tip, short of the tip itself.
        for (double f = 0.0; f <= 0.9; f += 0.05) {
            const QPoint p = (centre + (t - centre) * f).toPoint();
            EXPECT_TRUE(shape.contains(p)) << "tip " << tip << " at " << f;
        }
        // Between this tip and the next: beyond the inner corner, and halfway between tips.
        const QPointF corner = at(points[(tip + 1) % kStarPointCount]);
        const QPointF next = at(points[(tip + 2) % kStarPointCount]);
        for (double f : {1.3, 1.6, 1.9}) {
            const QPoint p = (centre + (corner - centre) * f).toPoint();
            EXPECT_FALSE(shape.contains(p)) << "past corner " << tip + 1 << " at " << f;
        }
        EXPECT_FALSE(shape.contains(((t + next) / 2).toPoint())) << "between tips " << tip;
    }
    EXPECT_TRUE(shape.contains(QPoint(200, 1))) << "just below the top tip";
    EXPECT_FALSE(shape.contains(QPoint(200, 230))) << "below the lowest inner corner";
    EXPECT_TRUE(QRect(0, 0, 400, 300).contains(shape.boundingRect()));
}

TEST_F(CreditsShape, FramelessToolWindowOfTheDesignedSize) {
    auto& w = credits();
    EXPECT_EQ(w.size(), ui::sizeTw(6945, 5295));
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(w.windowType(), Qt::Tool) << "kept out of the taskbar";
    EXPECT_EQ(w.palette().color(QPalette::Window), QColor(0, 0, 128));
    EXPECT_TRUE(w.autoFillBackground());
    // What the user sees is the star, so the star's centre is the screen's.
    const QPointF screenCentre = QRectF(QGuiApplication::primaryScreen()->geometry()).center();
    EXPECT_NEAR(w.x() + 200, screenCentre.x(), 1.0);
    EXPECT_NEAR(w.y() + 150, screenCentre.y(), 1.0);
}

TEST_F(CreditsShape, CloseAndDedicationLieInsideTheStar) {
    auto& w = credits();
    const QRegion shape = w.mask();
    auto* close = w.findChild<QPushButton*>(QStringLiteral("cmdClose"));
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->geometry(), ui::rectTw(2640, 3000, 615, 375));
    EXPECT_EQ(shape.intersected(close->geometry()), QRegion(close->geometry()))
        << "every pixel of Close is visible";

    // Every lit (text) pixel of the dedication falls inside the star.
    auto* label = w.findChild<QLabel*>(QStringLiteral("Label1"));
    ASSERT_NE(label, nullptr);
    const QImage image = label->grab().toImage();
    const qreal dpr = image.devicePixelRatio();
    int lit = 0, outside = 0;
    QPoint firstOutside;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 128)
                continue;
            ++lit;
            const QPoint inWindow = label->pos() + QPoint(int(x / dpr), int(y / dpr));
            if (!shape.contains(inWindow) && outside++ == 0)
                firstOutside = inWindow;
        }
    EXPECT_EQ(outside, 0) << "first text pixel outside the star at " << firstOutside.x() << ","
                          << firstOutside.y();
    EXPECT_GT(lit, 200) << "the dedication is drawn";
}

} // namespace
