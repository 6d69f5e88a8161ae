#include "tools/resources/icon_art.h"

#include <algorithm>
#include <cmath>

namespace resource_tools {
namespace {

struct Colour {
  double r, g, b;
};

// Signed distance to a rounded rectangle centred at (cx, cy); negative inside.
double RoundedBox(double x, double y, double cx, double cy, double halfW, double halfH,
                  double radius) {
  const double qx = std::abs(x - cx) - halfW + radius;
  const double qy = std::abs(y - cy) - halfH + radius;
  const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
  return outside + std::min(std::max(qx, qy), 0.0) - radius;
}

bool InTriangle(double x, double y, double ax, double ay, double bx, double by, double cx,
                double cy) {
  const auto side = [&](double px, double py, double qx, double qy) {
    return (qx - px) * (y - py) - (qy - py) * (x - px);
  };
  const double d1 = side(ax, ay, bx, by);
  const double d2 = side(bx, by, cx, cy);
  const double d3 = side(cx, cy, ax, ay);
  const bool negative = d1 < 0 || d2 < 0 || d3 < 0;
  const bool positive = d1 > 0 || d2 > 0 || d3 > 0;
  return !(negative && positive);
}

// The colour and coverage of one sample point, in units of the icon's side.
struct Sample {
  Colour colour{0, 0, 0};
  double alpha = 0;
};

Sample Shade(double x, double y) {
  Sample s;
  if (RoundedBox(x, y, 0.5, 0.5, 0.46, 0.46, 0.2) > 0) return s;
  const Colour top{0x2A, 0x8C, 0xE8};
  const Colour bottom{0x0B, 0x3D, 0x91};
  s.colour = {top.r + (bottom.r - top.r) * y, top.g + (bottom.g - top.g) * y,
              top.b + (bottom.b - top.b) * y};
  s.alpha = 1;

  const Colour white{0xFA, 0xFC, 0xFF};
  const Colour seam{0x6E, 0x8F, 0xB8};
  const Colour arrow{0xFF, 0xB3, 0x00};
  // The mouse: a capsule with its two buttons marked by a seam.
  if (RoundedBox(x, y, 0.40, 0.54, 0.19, 0.28, 0.18) <= 0) {
    const bool seamLine =
        (std::abs(x - 0.40) < 0.018 && y < 0.47) ||
        (std::abs(y - 0.47) < 0.018 && RoundedBox(x, y, 0.40, 0.54, 0.17, 0.26, 0.16) <= 0);
    s.colour = seamLine ? seam : white;
    // The wheel.
    if (RoundedBox(x, y, 0.40, 0.38, 0.03, 0.06, 0.03) <= 0) s.colour = seam;
  }
  // The arrow: up, beside the mouse.
  if (RoundedBox(x, y, 0.76, 0.60, 0.045, 0.17, 0.01) <= 0 ||
      InTriangle(x, y, 0.76, 0.20, 0.63, 0.44, 0.89, 0.44)) {
    s.colour = arrow;
  }
  return s;
}

}  // namespace

std::vector<std::uint8_t> DrawIcon(int size) {
  constexpr int kSamples = 4;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(size) * size * 4);
  for (int row = 0; row < size; ++row) {
    for (int column = 0; column < size; ++column) {
      double r = 0, g = 0, b = 0, a = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const double x = (column + (sx + 0.5) / kSamples) / size;
          const double y = (row + (sy + 0.5) / kSamples) / size;
          const Sample s = Shade(x, y);
          r += s.colour.r * s.alpha;
          g += s.colour.g * s.alpha;
          b += s.colour.b * s.alpha;
          a += s.alpha;
        }
      }
      auto* p = &pixels[(static_cast<std::size_t>(row) * size + column) * 4];
      const double n = kSamples * kSamples;
      // Colour not premultiplied, as icon images store it.
      p[0] = static_cast<std::uint8_t>(a > 0 ? std::lround(r / a) : 0);
      p[1] = static_cast<std::uint8_t>(a > 0 ? std::lround(g / a) : 0);
      p[2] = static_cast<std::uint8_t>(a > 0 ? std::lround(b / a) : 0);
      p[3] = static_cast<std::uint8_t>(std::lround(255 * a / n));
    }
  }
  return pixels;
}

}  // namespace resource_tools
