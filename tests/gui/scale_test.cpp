// The windows at the scale the test runs under (CTest runs this binary at 100%, 150% and 200%
// through QT_SCALE_FACTOR): artwork drawn for the screen's pixel density, never resampled, and
// every text still fitting the room the layout gives it.
#include "all_windows.h"
#include "core/program_state.h"
#include "questionnaire_fixture.h"
#include "windows/common/artwork.h"
#include "windows/common/controls.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QStyle>

#include <functional>

using namespace kt;
using namespace kt::ui;
using namespace kt::windows;

namespace {

QString S(const char* s) {
    return QString::fromUtf8(s);
}

// Whether `part` appears in `whole`, pixel for pixel, at a whole-pixel offset; only the opaque
// pixels of `part` count.
bool containsExactly(const QImage& whole, const QImage& part) {
    const QImage w = whole.convertToFormat(QImage::Format_ARGB32);
    const QImage p = part.convertToFormat(QImage::Format_ARGB32);
    for (int oy = 0; oy + p.height() <= w.height(); ++oy)
        for (int ox = 0; ox + p.width() <= w.width(); ++ox) {
            bool same = true;
            for (int y = 0; same && y < p.height(); ++y)
                for (int x = 0; same && x < p.width(); ++x) {
                    const QRgb c = p.pixel(x, y);
                    same = qAlpha(c) < 255 || c == w.pixel(ox + x, oy + y);
                }
            if (same)
                return true;
        }
    return false;
}

class AtThisScale : public kt::test::QuestionnaireFixture {
protected:
    // Shows every window in turn, as the program does, and checks it.
    void forEachWindow(const std::function<void(const QString&, ProgramWindow&)>& check) {
        program->start();
        settle();
        for (const QString& name :
             kt::test::allWindowNamesBut(program->windows(), windows::kTextEditor)) {
            ProgramWindow* before = active();
            program->windows().show(name); // activation fills the texts set then
            if (before && before != window(name))
                before->hide();
            settle();
            SCOPED_TRACE(name.toStdString());
            check(name, *window(name));
        }
    }
};

TEST_F(AtThisScale, TheCheckMarkIsDrawnForTheScreenNotScaledUp) {
    enterMainMenu();
    for (const CatalogEntry& e : QuestionCatalog::instance().questions(SectionId::FirstCar))
        state().answers.setText(e.key, "yes");
    reactivate(S("frmMain"));
    auto* mark = child<BulletButton>(S("frmMain"), S("cmdFirstCar2"));
    ASSERT_TRUE(mark && mark->isVisible());
    const qreal dpr = mark->devicePixelRatioF();
    const QImage painted = mark->grab().toImage();
    EXPECT_EQ(painted.size(), (QSizeF(mark->size()) * dpr).toSize());
    const QImage check = artwork::checkMark(dpr).toImage();
    EXPECT_EQ(check.size(), (QSizeF(13, 12) * dpr).toSize());
    EXPECT_TRUE(containsExactly(painted, check)) << "the mark was resampled at " << dpr;
}

TEST_F(AtThisScale, TheInformationSymbolIsDrawnForTheScreenNotScaledUp) {
    enterMainMenu();
    auto* picture = child<ClickLabel>(S("frmInfo"), S("Picture1"));
    ASSERT_NE(picture, nullptr);
    const qreal dpr = picture->devicePixelRatioF();
    EXPECT_DOUBLE_EQ(picture->pixmap().devicePixelRatio(), dpr);
    EXPECT_TRUE(containsExactly(picture->grab().toImage(), artwork::infoSymbol(dpr).toImage()));
}

// Where a bullet may start half way through a device pixel, its focus frame must still be as
// thick on every side, and its outline on the bullet's outermost pixels.
TEST_F(AtThisScale, ABulletsFocusFrameIsEvenOnEverySide) {
    enterMainMenu();
    ProgramWindow* menu = window(S("frmMain"));
    const QList<BulletButton*> bullets = menu->findChildren<BulletButton*>();
    ASSERT_FALSE(bullets.isEmpty());
    const QColor amber(255, 200, 0);
    for (BulletButton* bullet : bullets) {
        if (!bullet->isVisible())
            continue;
        SCOPED_TRACE(bullet->objectName().toStdString());
        bullet->setFocus(Qt::OtherFocusReason);
        ASSERT_TRUE(QTest::qWaitFor([bullet] { return bullet->hasFocus(); }));
        const QImage shot = menu->grab().toImage();
        const qreal dpr = shot.devicePixelRatio();
        const QRect around =
            QRectF(QRectF(bullet->geometry()).topLeft() * dpr, QSizeF(bullet->size()) * dpr)
                .toAlignedRect()
                .adjusted(-2, -2, 2, 2);
        const QImage img = shot.copy(around);
        const QColor ground = img.pixelColor(0, 0);
        // The bullet's pixels: everything that is not the window's ground.
        QRect box;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixelColor(x, y) != ground)
                    box |= QRect(x, y, 1, 1);
        ASSERT_TRUE(box.isValid());
        const auto amberOn = [&](QPoint from, QPoint step, int n) {
            for (int i = 0; i < n; ++i, from += step)
                if (img.pixelColor(from) == amber)
                    return true;
            return false;
        };
        EXPECT_TRUE(amberOn(box.topLeft(), {1, 0}, box.width())) << "top";
        EXPECT_TRUE(amberOn(box.bottomLeft(), {1, 0}, box.width())) << "bottom";
        EXPECT_TRUE(amberOn(box.topLeft(), {0, 1}, box.height())) << "left";
        EXPECT_TRUE(amberOn(box.topRight(), {0, 1}, box.height())) << "right";
        // From the edge inwards along the middle: pixels before the white, then the white.
        const auto runs = [&](QPoint from, QPoint step) {
            int outline = 0, white = 0;
            for (; img.pixelColor(from) != QColor(Qt::white) && outline < 8; from += step)
                ++outline;
            for (; img.pixelColor(from) == QColor(Qt::white) && white < 8; from += step)
                ++white;
            return std::pair(outline, white);
        };
        const QPoint mid = box.center();
        const auto left = runs({box.left(), mid.y()}, {1, 0});
        EXPECT_GE(left.second, 1);
        EXPECT_EQ(runs({box.right(), mid.y()}, {-1, 0}), left) << "right against left";
        EXPECT_EQ(runs({mid.x(), box.top()}, {0, 1}), left) << "top against left";
        EXPECT_EQ(runs({mid.x(), box.bottom()}, {0, -1}), left) << "bottom against left";
    }
}

TEST(InformationSymbol, TheLetterIsWholeWhereItsSerifsMeetItsStem) {
    for (const qreal dpr : {1.0, 1.5, 2.0}) {
        const QImage symbol = artwork::infoSymbol(dpr).toImage();
        // Where the top serif and the foot overlap the stem, and the middle of the stem.
        for (const QPointF at : {QPointF(14.5, 14), QPointF(16, 25.2), QPointF(16, 20)})
            EXPECT_EQ(symbol.pixelColor((at * dpr).toPoint()), QColor(Qt::white))
                << "at " << at.x() << "," << at.y() << " x" << dpr;
    }
}

TEST_F(AtThisScale, EveryTextFitsItsRoom) {
    forEachWindow([](const QString& name, ProgramWindow& w) {
        for (QWidget* c : w.findChildren<QWidget*>()) {
            SCOPED_TRACE((name + QLatin1Char('.') + c->objectName()).toStdString());
            if (auto* l = qobject_cast<QLabel*>(c); l && l->pixmap().isNull()) {
                if (l->wordWrap()) {
                    // One pixel of slack: the rounding of the leading below the last line.
                    EXPECT_LE(l->heightForWidth(l->width()), l->height() + 1) << "cut off";
                } else {
                    EXPECT_LE(l->sizeHint().width(), l->width()) << "cut off";
                }
            } else if (auto* b = qobject_cast<PushButton*>(c)) {
                const int frame = b->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
                EXPECT_LE(b->fontMetrics().horizontalAdvance(withoutAccessKey(b->text())),
                          b->width() - 2 * frame)
                    << "caption cut off";
            }
        }
    });
}

// Centred by the outer size, frame and title bar included; the star places itself.
TEST_F(AtThisScale, EveryWindowIsCentredByItsOuterSize) {
    const QRectF screen = QGuiApplication::primaryScreen()->geometry();
    forEachWindow([&screen](const QString& name, ProgramWindow& w) {
        if (name == S("frmCredits2"))
            return;
        const QRect outer = w.frameGeometry();
        ASSERT_GT(outer.height(), w.height()) << "no frame to centre by";
        // Whole pixels, and a rounding of the frame at fractional scales. The test screen is
        // small: a window larger than it is kept on it by the platform, in that direction.
        if (outer.width() <= screen.width()) {
            EXPECT_NEAR(outer.x(), screen.x() + (screen.width() - outer.width()) / 2, 1);
        }
        if (outer.height() <= screen.height()) {
            EXPECT_NEAR(outer.y(), screen.y() + (screen.height() - outer.height()) / 2, 1);
        }
    });
}

} // namespace
