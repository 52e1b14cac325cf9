#pragma once

#include <array>
#include <cstdint>

namespace kt::app {

struct StarPoint {
    std::int32_t x;
    std::int32_t y;
    friend bool operator==(const StarPoint&, const StarPoint&) = default;
};

inline constexpr int kStarPointCount = 26;

// The outline of the credits window: a thirteen-pointed star centred at (200, 150) in window
// pixels, y downwards. Even points are the inner corners (half-axes 100 and 75), odd points the
// tips (half-axes 200 and 150); point 13 is the tip straight up.
//
// The figures must come out exactly as the window was designed: the angle and its step are
// single precision (each worked out in double and then rounded), cosine and sine are taken in
// double of that single-precision angle, and every coordinate is rounded half to even.
std::array<StarPoint, kStarPointCount> starOutline();

} // namespace kt::app
