// The small pictures: ball, logo, opacity mask and the window skin with its mask.
#pragma once

#include "canvas.h"

#include <cmath>
#include <numbers>

namespace icons {

// ---------------------------------------------------------------------------------
// Bouncing ball: a red and white checkered sphere seen slightly tilted, lit from the
// upper left. The checker is laid out by latitude and longitude so the squares bend
// with the surface the way the classic demo ball does.
inline Picture MakeBoingBall() {
  const int size = 128;
  const double cx = 64, cy = 64, radius = 62.0;
  const double tilt = -20.0 * std::numbers::pi / 180.0;
  const double ct = std::cos(tilt), st = std::sin(tilt);
  const double band = std::numbers::pi / 8; // 8 rows pole to pole, 16 columns around
  const Rgb red = Hex(0xD81E1E), white = Hex(0xF6F4F0);
  // Light from the upper left and a little in front of the ball.
  double lx = -0.45, ly = -0.6, lz = 0.66;
  double ln = std::sqrt(lx * lx + ly * ly + lz * lz);
  lx /= ln, ly /= ln, lz /= ln;
  double hx = lx, hy = ly, hz = lz + 1;
  double hn = std::sqrt(hx * hx + hy * hy + hz * hz);
  hx /= hn, hy /= hn, hz /= hn;

  return Render(size, size, 6, [&](double x, double y) {
    double dx = (x - cx) / radius, dy = (y - cy) / radius;
    double dist = std::sqrt(dx * dx + dy * dy) * radius;
    // A 1.5 px ramp on top of the supersampling gives the soft rim.
    double coverage = Clamp01((radius - dist) / 1.5 + 0.5);
    if (coverage <= 0) return Colour{};
    double r2 = dx * dx + dy * dy;
    if (r2 > 0.9999) {
      double k = std::sqrt(0.9999 / r2);
      dx *= k, dy *= k;
      r2 = 0.9999;
    }
    double nz = std::sqrt(1 - r2);
    // Turn the surface point into the ball's own frame (tilted about the view axis).
    double bx = dx * ct - dy * st, by = dx * st + dy * ct;
    double lat = std::asin(std::clamp(by, -1.0, 1.0));
    double lon = std::atan2(bx, nz) + 0.21;
    int row = static_cast<int>(std::floor(lat / band));
    int col = static_cast<int>(std::floor(lon / band));
    Rgb base = ((row + col) & 1) ? white : red;

    double diffuse = std::max(0.0, dx * lx + dy * ly + nz * lz);
    double highlight = std::pow(std::max(0.0, dx * hx + dy * hy + nz * hz), 60.0);
    // Reflected light from below keeps the shadow side from going flat black.
    double bounce = std::max(0.0, dy) * 0.18;
    double light = 0.22 + 0.85 * diffuse + bounce;
    Rgb c = Scale(base, light);
    // Darken towards the rim for a rounder look.
    c = Scale(c, 0.78 + 0.22 * std::pow(nz, 0.5));
    c = Add(c, Scale(Rgb{1, 1, 1}, highlight * 0.75));
    c = {Clamp01(c.r), Clamp01(c.g), Clamp01(c.b)};
    return Paint(c, coverage);
  });
}

// ---------------------------------------------------------------------------------
// Opacity brush: white everywhere, alpha fading from opaque in the middle to nothing at
// the edges. Only the alpha is meant to be used.
inline Picture MakeBackgroundMask() {
  const int size = 300;
  return Render(size, size, 2, [&](double x, double y) {
    double dx = (x - size / 2.0) / (size / 2.0), dy = (y - size / 2.0) / (size / 2.0);
    double r = std::sqrt(dx * dx + dy * dy);
    double alpha = 1 - SmoothStep(0.42, 1.0, r);
    return Paint({1, 1, 1}, alpha);
  });
}

// ---------------------------------------------------------------------------------
// Window skin. The picture is cut along x = 20, 70 and y = 20, 70: corners keep their
// size, the parts between the cuts are repeated along the edges. So everything that
// varies along an edge (rounded corners, buttons) stays inside the outer 20 px, and
// between 20 and 70 each row or column is the same all the way along.
struct SkinGeometry {
  double left = 4, top = 3, right = 86, bottom = 85; // the window's outline
  double radius = 9;
  double titleBottom = 20; // the title bar ends exactly on the top cut line
};

inline double SkinDistance(const SkinGeometry &g, double x, double y) {
  return RoundRectDistance(x, y, g.left, g.top, g.right, g.bottom, g.radius);
}

inline Picture MakeBorder() {
  const SkinGeometry g;
  const Rgb rim = Hex(0x14223F);
  const Rgb titleTop = Hex(0x6A9BE0), titleBottom = Hex(0x1E4C96);
  const Rgb frame = Hex(0xE4ECF7), frameShade = Hex(0xA9B9D2);
  const Rgb closeTop = Hex(0xF47C6A), closeBottom = Hex(0xB8302A), closeRim = Hex(0x6E1A12);
  const double closeX = 77.5, closeY = 11.0, closeR = 5.0;
  const double gemX = 12.0, gemY = 11.0, gemR = 3.6;

  return Render(90, 90, 8, [&](double x, double y) {
    double d = SkinDistance(g, x, y);
    if (d >= 0) {
      // Soft drop shadow, a little lower than the window, faded out before the
      // picture's edge so no hard line appears when the pieces are repeated.
      double ds = RoundRectDistance(x, y, g.left + 0.5, g.top + 1.5, g.right - 0.5, g.bottom + 1.5, g.radius);
      double shadow = ds <= 0 ? 1.0 : std::exp(-(ds / 2.2) * (ds / 2.2));
      double edge = std::min(std::min(x, 90 - x), std::min(y, 90 - y));
      shadow *= SmoothStep(0.0, 1.5, edge);
      return Paint({0, 0, 0.04}, 0.42 * shadow);
    }
    // Outermost pixel: a dark rim that keeps the outline crisp on light pictures.
    if (d > -1) return Paint(rim, 0.95);
    if (y < g.titleBottom) {
      double t = Clamp01((y - g.top) / (g.titleBottom - g.top));
      Rgb c = Mix(titleTop, titleBottom, t);
      // Glassy upper half.
      if (y < g.top + 7.5) c = Mix(c, {1, 1, 1}, 0.14);
      // Highlight line just inside the rim, following the rounded corners.
      if (d > -2 && y < g.top + 10) c = Mix(c, {1, 1, 1}, 0.55 * (1 - Clamp01((y - g.top - 2) / 8)));
      // Dark line where the title bar meets the body.
      if (y >= g.titleBottom - 1) c = Mix(c, rim, 0.7);
      Colour out = Paint(c, 1.0);

      double dc = std::hypot(x - closeX, y - closeY);
      if (dc < closeR) {
        double t2 = Clamp01((y - (closeY - closeR)) / (2 * closeR));
        Rgb b = Mix(closeTop, closeBottom, t2);
        if (dc > closeR - 1) b = closeRim;
        // The cross: two bars of 1.2 px across the button's centre.
        double u = x - closeX, v = y - closeY;
        double bar1 = std::fabs(u - v) / std::sqrt(2.0), bar2 = std::fabs(u + v) / std::sqrt(2.0);
        bool inCross = (bar1 < 0.65 || bar2 < 0.65) && std::fabs(u) < 2.3 && std::fabs(v) < 2.3;
        if (inCross) b = Hex(0xFFF6F2);
        out = Paint(b, 1.0);
      }
      double dg = std::hypot(x - gemX, y - gemY);
      if (dg < gemR) {
        double shine = Clamp01(1 - std::hypot(x - gemX + 1.2, y - gemY + 1.2) / gemR);
        Rgb b = Mix(Hex(0xBFD8FF), {1, 1, 1}, shine);
        if (dg > gemR - 0.9) b = Hex(0x0F2B5C);
        out = Paint(b, 1.0);
      }
      return out;
    }
    // The body: a light frame two pixels wide, a thin shade line inside it, and a
    // clear interior so the window's content shows through.
    if (d > -3) return Paint(frame, 1.0);
    if (d > -4) return Paint(frameShade, 0.85);
    return Colour{};
  });
}

// The mask is the window's shape: opaque white inside the outline (title bar and
// interior alike), transparent where the shadow and the rounded corners are.
inline Picture MakeBorderMask() {
  const SkinGeometry g;
  return Render(90, 90, 8, [&](double x, double y) { return Paint({1, 1, 1}, SkinDistance(g, x, y) < 0 ? 1.0 : 0.0); });
}

// ---------------------------------------------------------------------------------
// Logo: a round badge with a gold rim, a deep blue face, a bold slanted "L" and a
// four-pointed spark. It is shown tiled at 100 x 100 and faint, so the shapes are
// large and the contrast high.
inline bool InLetterL(double x, double y) {
  // Slant by shifting rows: higher rows move right.
  double sx = x - (128 - y) * 0.16;
  auto inBox = [&](double l, double t, double r, double b, double rad) {
    return RoundRectDistance(sx, y, l, t, r, b, rad) < 0;
  };
  return inBox(86, 58, 124, 182, 6) || inBox(86, 146, 176, 182, 6);
}

inline bool InSpark(double x, double y, double cx, double cy, double size) {
  double u = std::fabs(x - cx) / size, v = std::fabs(y - cy) / size;
  return std::pow(u, 0.6) + std::pow(v, 0.6) < 1.0;
}

// The logo's colour at a point of its 256 x 256 square.
inline Colour LogoColour(double x, double y) {
  const double cx = 128, cy = 123, outer = 112, inner = 99;
  const Rgb goldLight = Hex(0xFBE08A), goldDark = Hex(0xA8701A), goldEdge = Hex(0x4E3306);
  const Rgb faceLight = Hex(0x3F86E8), faceDark = Hex(0x0B2461);
  const Rgb letterTop = Hex(0xFFFFFF), letterBottom = Hex(0xC6DCFA), letterEdge = Hex(0x06163D);
  const double sparkX = 163, sparkY = 84, sparkSize = 27;

  double r = std::hypot(x - cx, y - cy);
  // Drop shadow of the whole badge.
  double rs = std::hypot(x - cx, y - (cy + 7));
  double shadowAlpha = 0.5 * (1 - SmoothStep(outer - 8, outer + 10, rs));
  Colour out = Paint({0, 0, 0.05}, shadowAlpha);
  if (r >= outer) return out;

  Rgb c;
  if (r > outer - 2 || (r > inner - 1.5 && r <= inner)) {
    c = goldEdge;
  } else if (r > inner) {
    // Metallic rim: bright on top, dark below, with a band of sheen.
    double t = Clamp01((y - (cy - outer)) / (2 * outer));
    c = Mix(goldLight, goldDark, t);
    double sheen = std::exp(-std::pow((x - cx + (y - cy) * 0.8) / 28.0, 2));
    c = Mix(c, {1, 1, 0.9}, 0.35 * sheen);
  } else {
    double rl = std::hypot(x - (cx - 30), y - (cy - 38)) / (inner + 40);
    c = Mix(faceLight, faceDark, Clamp01(rl));
    // Soft shadow of the letter on the face.
    if (InLetterL(x - 6, y - 7)) c = Scale(c, 0.55);
    // Glow around the spark.
    double glow = std::exp(-std::pow(std::hypot(x - sparkX, y - sparkY) / 26.0, 2));
    c = Mix(c, Hex(0xFFE9A8), 0.45 * glow);
    if (InSpark(x, y, sparkX, sparkY, sparkSize + 3)) c = Hex(0x5A3A05);
    if (InSpark(x, y, sparkX, sparkY, sparkSize)) {
      double t = Clamp01((y - (sparkY - sparkSize)) / (2 * sparkSize));
      c = Mix(Hex(0xFFF7D6), Hex(0xF2B632), t);
    }
    bool outline = false;
    for (int k = 0; k < 8 && !outline; ++k) {
      double a = k * std::numbers::pi / 4;
      outline = InLetterL(x + 3.5 * std::cos(a), y + 3.5 * std::sin(a));
    }
    if (outline) c = letterEdge;
    if (InLetterL(x, y)) {
      double t = Clamp01((y - 58) / 124.0);
      c = Mix(letterTop, letterBottom, t);
    }
    // Gloss over the upper half of the face.
    double ex = (x - cx) / 88.0, ey = (y - (cy - 52)) / 50.0;
    if (ex * ex + ey * ey < 1) c = Mix(c, {1, 1, 1}, 0.16 * (1 - Clamp01((y - (cy - 100)) / 95.0)));
  }
  return Over(Paint(c, 1.0), out);
}

inline Picture MakeLogo() { return Render(256, 256, 4, LogoColour); }

// The programs' icon: the logo drawn at size x size. Small sizes take more samples per
// pixel, so that the fine lines of the badge blend instead of flickering in and out.
inline Picture MakeProgramIcon(int size) {
  const double scale = 256.0 / size;
  return Render(size, size, std::max(4, 256 / size),
                [scale](double x, double y) { return LogoColour(x * scale, y * scale); });
}

} // namespace icons
