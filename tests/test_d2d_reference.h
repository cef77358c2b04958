// Plain per-pixel references that the fast paths of the Linux Direct2D are compared with:
// source-over with opacity channel by channel, solid fills and nearest-neighbour DrawBitmap
// pixel by pixel, with edges covered by area (antialiased) or by pixel centre (aliased); and
// random draws to feed them.
#pragma once

#include "test_d2d_helpers.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

inline uint32_t Mul(uint32_t a, uint32_t b) { return (a * b + 127) / 255; } // rounded a * b / 255

// Source-over of one premultiplied pixel with opacity, channel by channel.
inline uint32_t OverReference(uint32_t src, uint32_t dst, uint32_t opacity8) {
  uint32_t s[4], d[4], out = 0;
  for (int i = 0; i < 4; ++i) {
    s[i] = Mul((src >> (8 * i)) & 0xff, opacity8);
    d[i] = (dst >> (8 * i)) & 0xff;
  }
  for (int i = 0; i < 4; ++i) out |= std::min(255u, s[i] + Mul(d[i], 255 - s[3])) << (8 * i);
  return out;
}

struct DrawCase {
  int width, height;
  std::vector<uint32_t> pixels;
  bool wholeSource;
  D2D1_RECT_F source, dest; // either may have its edges out of order
  float opacity, tx, ty;
  bool antialiased; // the target's antialias mode: per primitive, else aliased
};

// Pixels outside [x0, x1) x [y0, y1) (a layer's box) are left alone.
struct ClipBox {
  int x0, y0, x1, y1;
};
constexpr ClipBox NoClip{-1000000, -1000000, 1000000, 1000000};

inline D2D1_RECT_F Ordered(D2D1_RECT_F r) {
  if (r.left > r.right) std::swap(r.left, r.right);
  if (r.top > r.bottom) std::swap(r.top, r.bottom);
  return r;
}

// The share (0 to 1) of pixel column or row i inside the span [lo, hi): in antialiased mode
// the part of it inside, else all of it when its centre is inside.
inline double Share(int i, double lo, double hi, bool antialiased) {
  if (!antialiased) return i + 0.5 >= lo && i + 0.5 < hi ? 1.0 : 0.0;
  if (i < std::floor(lo) || i >= std::ceil(hi)) return 0.0;
  return std::min(i + 1.0, hi) - std::max(static_cast<double>(i), lo);
}
inline uint32_t Coverage8(double columnShare, double rowShare) {
  return static_cast<uint32_t>(columnShare * rowShare * 255.0 + 0.5);
}

// Source-over of the premultiplied colour over [left, right) x [top, bottom), each pixel by
// its coverage.
inline void FillReference(std::vector<uint32_t> &target, int tw, int th, double left, double top, double right,
                          double bottom, uint32_t color, bool antialiased, ClipBox clip = NoClip) {
  for (int y = std::max(0, clip.y0); y < std::min(th, clip.y1); ++y)
    for (int x = std::max(0, clip.x0); x < std::min(tw, clip.x1); ++x) {
      double column = Share(x, left, right, antialiased), row = Share(y, top, bottom, antialiased);
      if (column > 0.0 && row > 0.0)
        target[y * tw + x] = OverReference(color, target[y * tw + x], Coverage8(column, row));
    }
}

// DrawBitmap pixel by pixel: both rectangles put in order, the source clipped to the bitmap
// and what is left stretched over the whole destination, then every covered pixel takes the source
// pixel under the same relative position (held inside the source rectangle), weighed by the
// opacity times its coverage.
inline void DrawReference(std::vector<uint32_t> &target, int tw, int th, const DrawCase &c, ClipBox clip = NoClip) {
  D2D1_RECT_F s = Ordered(c.wholeSource ? D2D1_RECT_F{0, 0, float(c.width), float(c.height)} : c.source);
  D2D1_RECT_F d = Ordered(c.dest);
  if (!(s.right > s.left && s.bottom > s.top && d.right > d.left && d.bottom > d.top)) return;
  uint32_t opacity8 = static_cast<uint32_t>(std::lround(std::clamp(c.opacity, 0.0f, 1.0f) * 255.0f));
  double sl = std::max(0.0, double(s.left)), st = std::max(0.0, double(s.top));
  double sr = std::min(double(c.width), double(s.right)), sb = std::min(double(c.height), double(s.bottom));
  double dl = d.left, dt = d.top, dr = d.right, db = d.bottom;
  if (!(sr > sl && sb > st)) return;
  double left = dl + c.tx, right = dr + c.tx, top = dt + c.ty, bottom = db + c.ty;
  double sx = (sr - sl) / (right - left), sy = (sb - st) / (bottom - top);
  for (int y = std::max(0, clip.y0); y < std::min(th, clip.y1); ++y) {
    double rowShare = Share(y, top, bottom, c.antialiased);
    if (rowShare <= 0.0) continue;
    int64_t row = std::clamp<int64_t>(int64_t(std::floor(st + (y + 0.5 - top) * sy)), int64_t(std::floor(st)),
                                      int64_t(std::ceil(sb)) - 1);
    for (int x = std::max(0, clip.x0); x < std::min(tw, clip.x1); ++x) {
      double columnShare = Share(x, left, right, c.antialiased);
      if (columnShare <= 0.0) continue;
      int64_t col = std::clamp<int64_t>(int64_t(std::floor(sl + (x + 0.5 - left) * sx)), int64_t(std::floor(sl)),
                                        int64_t(std::ceil(sr)) - 1);
      uint32_t weight = Mul(opacity8, Coverage8(columnShare, rowShare));
      uint32_t &p = target[y * tw + x];
      p = OverReference(c.pixels[row * c.width + col], p, weight);
    }
  }
}

inline DrawCase RandomCase(std::mt19937 &random) {
  auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); };
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  DrawCase c;
  c.width = pick(1, 40);
  c.height = pick(1, 40);
  int kind = pick(0, 3); // mixed, all opaque, all clear, random alpha per pixel
  for (int i = 0; i < c.width * c.height; ++i) {
    uint32_t alpha = kind == 1 ? 255 : kind == 2 ? 0 : (pick(0, 2) == 0 ? 255 : pick(0, 255));
    c.pixels.push_back(Bgra(pick(0, alpha), pick(0, alpha), pick(0, alpha), alpha));
  }
  c.wholeSource = pick(0, 1) == 0;
  float sl = float(uniform(-5, c.width)), st = float(uniform(-5, c.height));
  c.source = D2D1_RECT_F{sl, st, sl + float(uniform(0.3, c.width + 5)), st + float(uniform(0.3, c.height + 5))};
  bool natural = pick(0, 2) == 0; // unscaled at whole pixels: the contiguous path
  float dl = natural ? float(pick(-40, 70)) : float(uniform(-40, 70));
  float dt = natural ? float(pick(-40, 60)) : float(uniform(-40, 60));
  float dw = natural && c.wholeSource ? float(c.width) : float(uniform(0.2, 90));
  float dh = natural && c.wholeSource ? float(c.height) : float(uniform(0.2, 90));
  c.dest = D2D1_RECT_F{dl, dt, dl + dw, dt + dh};
  const float opacities[] = {1.0f, 0.5f, 0.0f, 0.002f, float(uniform(0, 1))};
  c.opacity = opacities[pick(0, 4)];
  bool moved = pick(0, 1) == 0;
  c.tx = moved ? (natural ? float(pick(-20, 20)) : float(uniform(-20, 20))) : 0.0f;
  c.ty = moved ? (natural ? float(pick(-20, 20)) : float(uniform(-20, 20))) : 0.0f;
  c.antialiased = pick(0, 2) != 0;
  // Now and then an edge pair out of order, which draws as if in order.
  if (pick(0, 7) == 0) std::swap(c.dest.left, c.dest.right);
  if (pick(0, 7) == 0) std::swap(c.source.top, c.source.bottom);
  return c;
}
