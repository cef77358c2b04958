// The background photograph: a mountain lake on a bright afternoon. Built back to
// front (sky, far range, near range, far shore, lake, hills) and finished with bloom,
// a gentle vignette and film grain so that it reads as a photo, not as vector art.
#pragma once

#include "canvas.h"
#include "noise.h"

#include <cmath>
#include <vector>

namespace icons {

struct Landscape {
  int width = 1600;
  int height = 1200;
  double waterLine = 700; // the lake's far edge
  double sunX = 520, sunY = 250;
};

// Float RGB buffer for the part above the water, read back for the reflections.
struct RgbBuffer {
  int width = 0, height = 0;
  std::vector<Rgb> pixels;
  Rgb At(int x, int y) const {
    x = std::clamp(x, 0, width - 1);
    y = std::clamp(y, 0, height - 1);
    return pixels[static_cast<std::size_t>(y) * width + x];
  }
  Rgb Sample(double x, double y) const {
    double fx = std::floor(x), fy = std::floor(y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    double tx = x - fx, ty = y - fy;
    Rgb a = Mix(At(ix, iy), At(ix + 1, iy), tx), b = Mix(At(ix, iy + 1), At(ix + 1, iy + 1), tx);
    return Mix(a, b, ty);
  }
};

inline const Rgb Haze = Hex(0xC9D6E0);

// Tops of the silhouettes, in pixel rows (smaller is higher).
inline double FarRangeTop(const Landscape &s, double x) {
  double ridge = RidgedFbm(x / 620.0, 0.37, 6, 11, 0.5);
  double swell = Fbm(x / 1100.0, 3.1, 3, 12);
  return s.waterLine - (90 + 460 * std::pow(ridge, 1.9) * (0.35 + 1.0 * swell));
}

inline double NearRangeTop(const Landscape &s, double x) {
  double ridge = Fbm(x / 260.0, 7.7, 5, 21, 0.5);
  double swell = Fbm(x / 700.0, 1.9, 2, 22);
  return s.waterLine - (25 + 210 * std::pow(ridge, 1.5) * swell * 1.4);
}

inline double TreeLineTop(const Landscape &s, double x) {
  // Conifers: a saw-tooth of narrow crowns of varying height on a rolling base.
  double base = 8 + 16 * Fbm(x / 140.0, 0.0, 3, 31);
  double cell = x / 6.5;
  double fc = std::floor(cell);
  double t = cell - fc;
  double h = Random01(static_cast<std::int32_t>(fc), 5, 32);
  double crown = (1 - std::fabs(2 * t - 1)) * (4 + 9 * h);
  return s.waterLine - base - crown;
}

inline double ShoreTop(const Landscape &s, double x) {
  double shore = s.waterLine + 185 + 70 * (Fbm(x / 330.0, 4.4, 4, 41) - 0.5);
  double hill = s.waterLine - 90 + 0.5 * x + 110 * (Fbm(x / 260.0, 9.2, 5, 42) - 0.5);
  return std::min(shore, hill);
}

inline Rgb Sky(const Landscape &s, double x, double y) {
  double t = Clamp01(y / s.waterLine);
  Rgb top = Hex(0x2C5FA6), middle = Hex(0x6E9ED3);
  Rgb c = t < 0.55 ? Mix(top, middle, std::pow(t / 0.55, 0.9)) : Mix(middle, Haze, std::pow((t - 0.55) / 0.45, 1.3));
  double ds = std::hypot(x - s.sunX, y - s.sunY);
  Rgb warm = Hex(0xFFF0C8);
  c = Mix(c, warm, 0.55 * std::exp(-ds / 180.0) + 0.2 * std::exp(-ds / 600.0));

  // Clouds: stretched fractal noise, thinned towards the top and the horizon.
  double density = Fbm(x / 330.0, y / 125.0, 7, 51, 0.55);
  double band = SmoothStep(40, 200, y) * (1 - SmoothStep(380, 560, y));
  double cover = SmoothStep(0.5, 0.7, density) * band;
  if (cover > 0) {
    // Lit from the sun's side: compare with the density a few pixels towards it.
    double dx = s.sunX - x, dy = s.sunY - y;
    double dl = std::max(1.0, std::hypot(dx, dy));
    double toward = Fbm((x + dx / dl * 14) / 330.0, (y + dy / dl * 14) / 125.0, 7, 51, 0.55);
    double lit = Clamp01(0.55 + (density - toward) * 9);
    Rgb shade = Hex(0x8E9DB3), bright = Hex(0xFCF8F0);
    Rgb cloud = Mix(shade, bright, lit);
    // Silver lining close to the sun.
    cloud = Mix(cloud, Hex(0xFFF4D2), 0.6 * std::exp(-ds / 220.0) * (1 - cover * 0.6));
    c = Mix(c, cloud, cover * 0.92);
  }
  // The sun itself, softly clipped.
  double disc = 1 - SmoothStep(20, 26, ds);
  c = Mix(c, Hex(0xFFFDF3), disc * (1 - cover * 0.7));
  return c;
}

// Mountain faces: the light side is the one whose skyline climbs to the right, the
// sun being on the left; the slope of the skyline is measured over a span that widens
// further down the face, so big flanks are lit as a whole. Vertical gullies come from
// ridged noise stretched along the fall line.
inline Rgb FarRange(const Landscape &s, const std::vector<double> &tops, double x, double y, double top) {
  double below = y - top;
  int w = static_cast<int>(8 + below * 0.6);
  int ix = static_cast<int>(x);
  int n = static_cast<int>(tops.size());
  double slope = (tops[std::min(n - 1, ix + w)] - tops[std::max(0, ix - w)]) / (2.0 * w);
  double side = Clamp01(0.5 - 1.6 * slope);
  double gully0 = RidgedFbm(x / 42.0, below / 58.0, 5, 61);
  double gully1 = RidgedFbm((x + 2) / 42.0, (below + 1) / 58.0, 5, 61);
  double detail = Clamp01(0.5 + (gully0 - gully1) * 4);
  double light = Clamp01(0.1 + 0.7 * side + 0.45 * (detail - 0.5) + 0.1 * gully0);
  Rgb rock = Mix(Hex(0x262E40), Hex(0x94939A), light);
  // Snow on the high ground, ragged at its lower edge and thicker in the gullies.
  double snowLine = 500 + 120 * (Fbm(x / 60.0, y / 60.0, 4, 62) - 0.5) + 70 * (gully0 - 0.5);
  double snow = (1 - SmoothStep(snowLine - 5, snowLine + 5, y)) * SmoothStep(-4, 2, 1.0 - below * 0.004);
  Rgb snowColour = Mix(Hex(0x8E9FC0), Hex(0xFBFBFC), Clamp01(light * 1.3));
  Rgb c = Mix(rock, snowColour, snow);
  double depth = Clamp01(below / std::max(1.0, s.waterLine - top));
  return Mix(c, Haze, 0.12 + 0.5 * std::pow(depth, 1.7));
}

inline Rgb NearRange(const Landscape &s, double x, double y, double top) {
  double f0 = Fbm(x / 60.0, y / 50.0, 5, 71);
  double f1 = Fbm((x + 2) / 60.0, (y + 1.5) / 50.0, 5, 71);
  double light = Clamp01(0.5 + (f0 - f1) * 14);
  Rgb c = Mix(Hex(0x243C3A), Hex(0x557063), light);
  // Forest speckle.
  double speck = ValueNoise(x / 3.0, y / 3.0, 72);
  c = Scale(c, 0.85 + 0.3 * speck);
  double depth = Clamp01((y - top) / std::max(1.0, s.waterLine - top));
  // Valley mist thickens towards the water.
  return Mix(c, Haze, 0.3 + 0.35 * SmoothStep(0.4, 1.0, depth));
}

inline Rgb TreeLine(double x, double y) {
  double speck = ValueNoise(x / 2.5, y / 2.5, 81);
  Rgb c = Scale(Hex(0x1E3527), 0.8 + 0.45 * speck);
  return Mix(c, Haze, 0.22);
}

inline Rgb Hills(const Landscape &s, double x, double y, double top) {
  double meadow = Fbm(x / 160.0, y / 80.0, 5, 91);
  Rgb c = Mix(Hex(0x3E5826), Hex(0x75803F), SmoothStep(0.3, 0.8, meadow));
  // Rolling ground: light from a broad height field, sun on the upper left.
  double g0 = Fbm(x / 180.0, y / 120.0, 4, 95), g1 = Fbm((x + 6) / 180.0, (y + 4) / 120.0, 4, 95);
  c = Scale(c, 0.8 + 0.4 * Clamp01(0.5 + (g0 - g1) * 12));
  // Clumps of trees with lumpy crowns.
  double wood = Fbm(x / 60.0, y / 45.0, 6, 92);
  double crowns = Fbm(x / 6.0, y / 5.0, 3, 93);
  double woodMask = SmoothStep(0.57, 0.63, wood + 0.1 * (crowns - 0.5));
  Rgb trees = Mix(Hex(0x12200E), Hex(0x3A5324), SmoothStep(0.3, 0.75, crowns));
  c = Mix(c, trees, woodMask);
  // Grass texture.
  c = Scale(c, 0.9 + 0.2 * ValueNoise(x / 2.0, y / 1.5, 94));
  double below = y - top;
  // Sunlit crest, darker lower down where the hill turns away from the light.
  c = Mix(c, Hex(0xCFC98A), 0.22 * std::exp(-below / 5.0));
  c = Scale(c, 1 - 0.45 * Clamp01(below / 450.0));
  // A little haze on the distant part of the slope.
  double far = Clamp01((s.waterLine + 150 - y) / 300.0);
  return Mix(c, Haze, 0.35 * far);
}

inline Picture MakeLandscape() {
  const Landscape s;
  const int W = s.width, H = s.height;
  const int aboveRows = static_cast<int>(s.waterLine);

  std::vector<double> farTop(W), nearTop(W), treeTop(W), shoreTop(W);
  for (int x = 0; x < W; ++x) {
    double cx = x + 0.5;
    farTop[x] = FarRangeTop(s, cx);
    nearTop[x] = NearRangeTop(s, cx);
    treeTop[x] = TreeLineTop(s, cx);
    shoreTop[x] = ShoreTop(s, cx);
  }

  // Everything above the water line, kept for the reflections.
  RgbBuffer above;
  above.width = W;
  above.height = aboveRows;
  above.pixels.resize(static_cast<std::size_t>(W) * aboveRows);
  for (int y = 0; y < aboveRows; ++y) {
    for (int x = 0; x < W; ++x) {
      double px = x + 0.5, py = y + 0.5;
      Rgb c = Sky(s, px, py);
      // Coverage of each silhouette from its row distance: a one-pixel ramp.
      double a = Clamp01(py - farTop[x] + 0.5);
      if (a > 0) c = Mix(c, FarRange(s, farTop, px, py, farTop[x]), a);
      a = Clamp01(py - nearTop[x] + 0.5);
      if (a > 0) c = Mix(c, NearRange(s, px, py, nearTop[x]), a);
      a = Clamp01(py - treeTop[x] + 0.5);
      if (a > 0) c = Mix(c, TreeLine(px, py), a);
      above.pixels[static_cast<std::size_t>(y) * W + x] = c;
    }
  }

  std::vector<Rgb> image(static_cast<std::size_t>(W) * H);
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      double px = x + 0.5, py = y + 0.5;
      Rgb c;
      if (y < aboveRows) {
        c = above.pixels[static_cast<std::size_t>(y) * W + x];
      } else {
        // Lake: the mirrored scene, broken up by ripples that grow nearer by.
        double d = py - s.waterLine;
        double ripple = (Fbm(px / 70.0, py / 5.0, 4, 101) - 0.5) * (1.5 + d * 0.09);
        double wobble = (Fbm(px / 160.0, py / 9.0, 3, 102) - 0.5) * d * 0.06;
        Rgb mirrored = above.Sample(px + ripple - 0.5, s.waterLine - d + wobble - 0.5);
        double fresnel = 0.92 - 0.42 * Clamp01(d / 260.0);
        Rgb water = Hex(0x17344A);
        c = Mix(water, Scale(mirrored, 0.82), fresnel);
        // Wind lines on the surface.
        double streak = Fbm(px / 420.0, py / 5.0, 3, 103);
        c = Mix(c, Hex(0xB8CAD8), 0.12 * SmoothStep(0.6, 0.8, streak));
        // Glitter under the sun.
        double path = std::exp(-std::pow((px - s.sunX) / (30 + d * 0.6), 2));
        double sparkle = SmoothStep(0.78, 0.95, ValueNoise(px / 2.5, py / 1.3, 104));
        c = Add(c, Scale(Hex(0xFFF1C8), path * (0.12 + 0.88 * sparkle) * 0.42));
        // The far shore's shadow line right at the water's edge.
        c = Scale(c, 1 - 0.35 * std::exp(-d / 2.0));
      }
      double a = Clamp01(py - shoreTop[x] + 0.5);
      if (a > 0) c = Mix(c, Hills(s, px, py, shoreTop[x]), a);
      image[static_cast<std::size_t>(y) * W + x] = c;
    }
  }

  Picture pic;
  pic.width = W;
  pic.height = H;
  pic.rgba.resize(static_cast<std::size_t>(W) * H * 4);
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      double px = x + 0.5, py = y + 0.5;
      Rgb c = image[static_cast<std::size_t>(y) * W + x];
      // Lens bloom around the sun.
      double ds = std::hypot(px - s.sunX, py - s.sunY);
      c = Add(c, Scale(Hex(0xFFE8B0), 0.1 * std::exp(-ds / 350.0)));
      // Vignette centred on the part of the picture the window shows.
      double vx = (px - W * 0.39) / (W * 0.62), vy = (py - H * 0.39) / (H * 0.62);
      c = Scale(c, 1 - 0.22 * SmoothStep(0.35, 1.4, vx * vx + vy * vy));
      // Gentle S-curve for contrast, then grain: mostly luminance, a touch of colour.
      double grain = Grain(x, y, 7) * 0.014;
      double channels[3] = {c.r, c.g, c.b};
      for (int k = 0; k < 3; ++k) {
        double v = Clamp01(channels[k]);
        v = v + 0.18 * v * (1 - v) * (2 * v - 1);
        v += grain + Grain(x, y, 17 + k) * 0.004;
        pic.rgba[(static_cast<std::size_t>(y) * W + x) * 4 + k] =
            static_cast<std::uint8_t>(std::lround(Clamp01(v) * 255));
      }
      pic.rgba[(static_cast<std::size_t>(y) * W + x) * 4 + 3] = 255;
    }
  }
  return pic;
}

} // namespace icons
