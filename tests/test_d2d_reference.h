// Plain per-pixel references that the fast paths of the Linux Direct2D are compared with:
// source-over with opacity channel by channel, and nearest-neighbour DrawBitmap pixel by
// pixel; and random draws to feed both.
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
  D2D1_RECT_F source, dest;
  float opacity, tx, ty;
};

// Every pixel whose centre is in the destination takes the source pixel under the same
// relative position, if that lies in the bitmap.
// Pixels outside [x0, x1) x [y0, y1) (a layer's box) are left alone.
struct ClipBox {
  int x0, y0, x1, y1;
};

inline void DrawReference(std::vector<uint32_t> &target, int tw, int th, const DrawCase &c,
                          ClipBox clip = ClipBox{-1000000, -1000000, 1000000, 1000000}) {
  D2D1_RECT_F s = c.wholeSource ? D2D1_RECT_F{0, 0, float(c.width), float(c.height)} : c.source;
  if (!(s.right > s.left && s.bottom > s.top && c.dest.right > c.dest.left && c.dest.bottom > c.dest.top)) return;
  uint32_t opacity8 = static_cast<uint32_t>(std::lround(std::clamp(c.opacity, 0.0f, 1.0f) * 255.0f));
  double left = double(c.dest.left) + c.tx, right = double(c.dest.right) + c.tx;
  double top = double(c.dest.top) + c.ty, bottom = double(c.dest.bottom) + c.ty;
  double sx = (double(s.right) - s.left) / (right - left), sy = (double(s.bottom) - s.top) / (bottom - top);
  for (int y = 0; y < th; ++y) {
    if (!(y + 0.5 >= top && y + 0.5 < bottom) || y < clip.y0 || y >= clip.y1) continue;
    int64_t row = std::clamp<int64_t>(int64_t(std::floor(s.top + (y + 0.5 - top) * sy)), int64_t(std::floor(s.top)),
                                      int64_t(std::ceil(s.bottom)) - 1);
    if (row < 0 || row >= c.height) continue;
    for (int x = 0; x < tw; ++x) {
      if (!(x + 0.5 >= left && x + 0.5 < right) || x < clip.x0 || x >= clip.x1) continue;
      int64_t col = std::clamp<int64_t>(int64_t(std::floor(s.left + (x + 0.5 - left) * sx)),
                                        int64_t(std::floor(s.left)), int64_t(std::ceil(s.right)) - 1);
      if (col < 0 || col >= c.width) continue;
      uint32_t &p = target[y * tw + x];
      p = OverReference(c.pixels[row * c.width + col], p, opacity8);
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
  return c;
}

