#include "windows/app/star_outline.h"

#include <cmath>

namespace kt::app {

namespace {

// Round half to even: nearbyint under the default (to-nearest) rounding mode.
std::int32_t roundCoordinate(double v) {
    return static_cast<std::int32_t>(std::nearbyint(v));
}

StarPoint onEllipse(float angle, double halfWidth, double halfHeight) {
    const double a = static_cast<double>(angle);
    return {roundCoordinate(std::cos(a) * halfWidth + 200.0),
            roundCoordinate(std::sin(a) * halfHeight + 150.0)};
}

} // namespace

std::array<StarPoint, kStarPointCount> starOutline() {
    const float step = static_cast<float>(6.2831853 / 26.0);
    float angle = static_cast<float>(3.14159265 / 2.0);
    const auto advance = [&] {
        angle = static_cast<float>(static_cast<double>(angle) + static_cast<double>(step));
    };

    std::array<StarPoint, kStarPointCount> points{};
    for (int i = 0; i < kStarPointCount / 2; ++i) {
        points[2 * i] = onEllipse(angle, 100.0, 75.0);
        advance();
        points[2 * i + 1] = onEllipse(angle, 200.0, 150.0);
        advance();
    }
    return points;
}

} // namespace kt::app
