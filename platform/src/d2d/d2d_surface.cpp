// Pixel boxes by the pixel-centre rule and by area coverage, surfaces over pixel memory,
// colour conversion.
#include "d2d_internal.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

constexpr double CoordLimit = 1073741824.0; // 2^30: far beyond any surface, safe in int

// Whole-pixel edges held within +-2^30, without a library call (this runs for every draw).
// NaN is ruled out by the callers.
int FloorEdge(double v) {
  v = std::clamp(v, -CoordLimit, CoordLimit);
  int i = static_cast<int>(v);
  return static_cast<double>(i) > v ? i - 1 : i;
}
int CeilEdge(double v) {
  v = std::clamp(v, -CoordLimit, CoordLimit);
  int i = static_cast<int>(v);
  return static_cast<double>(i) < v ? i + 1 : i;
}

// Pixel i is covered from the left edge when i + 0.5 >= edge.
int CoveredEdge(double edge) { return CeilEdge(edge - 0.5); }

float Unit(float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; } // NaN becomes 0

} // namespace

D2dBox D2dIntersect(const D2dBox &a, const D2dBox &b) {
  return D2dBox{std::max(a.x0, b.x0), std::max(a.y0, b.y0), std::min(a.x1, b.x1), std::min(a.y1, b.y1)};
}

D2dBox D2dCoveredBox(double left, double top, double right, double bottom) {
  if (std::isnan(left) || std::isnan(top) || std::isnan(right) || std::isnan(bottom)) return D2dBox{0, 0, 0, 0};
  return D2dBox{CoveredEdge(left), CoveredEdge(top), CoveredEdge(right), CoveredEdge(bottom)};
}

D2dCoverage D2dCover(double left, double top, double right, double bottom, bool antialiased) {
  if (!antialiased) return D2dCoverage{D2dCoveredBox(left, top, right, bottom), 1.0, 1.0, 1.0, 1.0};
  if (std::isnan(left) || std::isnan(top) || std::isnan(right) || std::isnan(bottom))
    return D2dCoverage{D2dBox{0, 0, 0, 0}, 1.0, 1.0, 1.0, 1.0};
  D2dBox box{FloorEdge(left), FloorEdge(top), CeilEdge(right), CeilEdge(bottom)};
  // The part of [from, from + 1) inside [lo, hi).
  auto share = [](int from, double lo, double hi) {
    return std::min(static_cast<double>(from) + 1.0, hi) - std::max(static_cast<double>(from), lo);
  };
  if (D2dEmpty(box)) return D2dCoverage{box, 1.0, 1.0, 1.0, 1.0};
  return D2dCoverage{box, share(box.x0, left, right), share(box.x1 - 1, left, right), share(box.y0, top, bottom),
                     share(box.y1 - 1, top, bottom)};
}

D2dBox D2dTransformedBox(const D2D1_RECT_F &rect, const D2D1_MATRIX_3X2_F &m) {
  double xs[4], ys[4];
  const double cx[4] = {rect.left, rect.right, rect.left, rect.right};
  const double cy[4] = {rect.top, rect.top, rect.bottom, rect.bottom};
  // A zero coefficient contributes nothing even to an infinite edge (Direct2D's "infinite"
  // content bounds), where the plain product would make NaN.
  auto mul = [](double v, float k) { return k == 0.0f ? 0.0 : v * k; };
  for (int i = 0; i < 4; ++i) {
    xs[i] = mul(cx[i], m._11) + mul(cy[i], m._21) + m._31;
    ys[i] = mul(cx[i], m._12) + mul(cy[i], m._22) + m._32;
  }
  return D2dCoveredBox(*std::min_element(xs, xs + 4), *std::min_element(ys, ys + 4), *std::max_element(xs, xs + 4),
                       *std::max_element(ys, ys + 4));
}

void D2dSurfaceSet(D2dSurface *surface, uint32_t *pixels, int width, int height, int stride) {
  D2dSurfaceRelease(surface);
  if (pixels == nullptr || width <= 0 || height <= 0) {
    *surface = D2dSurface{nullptr, 0, 0, 0, nullptr};
    return;
  }
  *surface = D2dSurface{pixels, width, height, stride, nullptr};
}

void D2dSurfaceRelease(D2dSurface *surface) {
  if (surface->image != nullptr) pixman_image_unref(surface->image);
  surface->image = nullptr;
}

bool D2dScratchSurface(std::vector<uint32_t> *buffer, D2dSurface *surface, const D2dSurface &like) {
  size_t needed = static_cast<size_t>(like.width) * like.height;
  try {
    if (buffer->size() < needed) buffer->resize(needed);
  } catch (const std::bad_alloc &) {
    return false;
  }
  if (surface->pixels != buffer->data() || surface->width != like.width || surface->height != like.height)
    D2dSurfaceSet(surface, buffer->data(), like.width, like.height, like.width);
  return true;
}

pixman_image_t *D2dSurfaceImage(D2dSurface *surface) {
  if (surface->image == nullptr && surface->pixels != nullptr) {
    surface->image = pixman_image_create_bits(PIXMAN_a8r8g8b8, surface->width, surface->height, surface->pixels,
                                              surface->stride * 4);
  }
  return surface->image;
}

void D2dMakeOpaque(D2dSurface *surface, const D2dBox &box) {
  for (int y = box.y0; y < box.y1; ++y)
    for (uint32_t *p = D2dRow(*surface, y) + box.x0, *end = D2dRow(*surface, y) + box.x1; p < end; ++p)
      *p |= 0xFF000000u;
}

// Rounded half away from zero, as lround does: the float product plus one half is exact in double.
uint32_t D2dOpacity8(float opacity) { return static_cast<uint32_t>(static_cast<double>(Unit(opacity) * 255.0f) + 0.5); }

uint32_t D2dPremultiply(const D2D1_COLOR_F &color, float opacity) {
  double a = static_cast<double>(Unit(color.a)) * Unit(opacity);
  auto channel = [a](float c) { return static_cast<uint32_t>(std::lround(Unit(c) * a * 255.0)); };
  return static_cast<uint32_t>(std::lround(a * 255.0)) << 24 | channel(color.r) << 16 | channel(color.g) << 8 |
         channel(color.b);
}
