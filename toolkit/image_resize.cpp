// Resizing toolkit images: area averaging where a dimension shrinks, bilinear
// interpolation where it grows. Colours are resampled premultiplied by alpha, so fully
// transparent pixels (whatever colour they hold) add nothing to their neighbours.
#include "image_internal.h"

#include <algorithm>
#include <cmath>

namespace {

// The source pixels that make one destination pixel along one axis.
struct Contribution {
  int first;
  std::vector<float> weights; // for first, first + 1, ...
};

std::vector<Contribution> AxisContributions(int source, int destination) {
  std::vector<Contribution> result(static_cast<size_t>(destination));
  double scale = static_cast<double>(source) / destination;
  for (int i = 0; i < destination; ++i) {
    Contribution &c = result[static_cast<size_t>(i)];
    if (destination < source) {
      // Each destination pixel averages the source span it covers, edge pixels by the
      // share of them inside the span.
      double start = i * scale, end = (i + 1) * scale;
      int first = static_cast<int>(std::floor(start));
      int last = std::min(source - 1, static_cast<int>(std::ceil(end)) - 1);
      c.first = first;
      for (int s = first; s <= last; ++s) {
        double covered = std::min<double>(end, s + 1) - std::max<double>(start, s);
        c.weights.push_back(static_cast<float>(covered / scale));
      }
    } else {
      // Pixel centres map onto pixel centres; beyond the outer centres the edge repeats.
      double position = (i + 0.5) * scale - 0.5;
      position = std::clamp(position, 0.0, static_cast<double>(source - 1));
      int first = static_cast<int>(std::floor(position));
      double fraction = position - first;
      c.first = first;
      c.weights.push_back(static_cast<float>(1.0 - fraction));
      if (first + 1 < source) c.weights.push_back(static_cast<float>(fraction));
    }
  }
  return result;
}

// Row y as premultiplied R, G, B, A floats (0..255).
void PremultipliedRow(const TkImage &image, int y, float *out) {
  const uint8_t *p = TkImageRow(image, y);
  for (int x = 0; x < image.width; ++x, out += 4) {
    if (image.depth == 32) {
      float alpha = p[3] / 255.0f;
      out[0] = p[2] * alpha;
      out[1] = p[1] * alpha;
      out[2] = p[0] * alpha;
      out[3] = p[3];
      p += 4;
    } else {
      out[0] = p[2];
      out[1] = p[1];
      out[2] = p[0];
      out[3] = 255.0f;
      p += 3;
    }
  }
}

uint8_t ToByte(float value) { return static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L)); }

} // namespace

int TkResizeImage(int64_t number, int width, int height) {
  TkImage *image = TkFindImage(number);
  if (!image || width < 1 || height < 1) return 0;
  if (width == image->width && height == image->height) return 1;
  TkImage resized;
  if (!TkMakeImageBitmap(width, height, image->depth, &resized)) return 0;

  std::vector<Contribution> columns = AxisContributions(image->width, width);
  std::vector<Contribution> rows = AxisContributions(image->height, height);

  // Horizontal pass: every source row to the new width.
  std::vector<float> across(static_cast<size_t>(width) * image->height * 4, 0.0f);
  std::vector<float> sourceRow(static_cast<size_t>(image->width) * 4);
  for (int y = 0; y < image->height; ++y) {
    PremultipliedRow(*image, y, sourceRow.data());
    const float *in = sourceRow.data();
    float *out = across.data() + static_cast<size_t>(y) * width * 4;
    for (int x = 0; x < width; ++x, out += 4) {
      const Contribution &c = columns[static_cast<size_t>(x)];
      for (size_t k = 0; k < c.weights.size(); ++k) {
        const float *p = in + (static_cast<size_t>(c.first) + k) * 4;
        for (int ch = 0; ch < 4; ++ch) out[ch] += p[ch] * c.weights[k];
      }
    }
  }

  // Vertical pass, whole rows at a time for the cache's sake, then back to straight alpha
  // and bytes.
  std::vector<float> sum(static_cast<size_t>(width) * 4);
  for (int y = 0; y < height; ++y) {
    const Contribution &c = rows[static_cast<size_t>(y)];
    std::fill(sum.begin(), sum.end(), 0.0f);
    for (size_t k = 0; k < c.weights.size(); ++k) {
      const float *in = across.data() + (static_cast<size_t>(c.first) + k) * width * 4;
      float weight = c.weights[k];
      for (size_t i = 0; i < sum.size(); ++i) sum[i] += in[i] * weight;
    }
    uint8_t *row = TkImageRow(resized, y);
    const float *p = sum.data();
    for (int x = 0; x < width; ++x, p += 4) {
      if (resized.depth == 32) {
        float alpha = p[3];
        float unpremultiply = alpha > 0.0f ? 255.0f / alpha : 0.0f;
        uint8_t *out = row + static_cast<size_t>(x) * 4;
        out[0] = ToByte(p[2] * unpremultiply);
        out[1] = ToByte(p[1] * unpremultiply);
        out[2] = ToByte(p[0] * unpremultiply);
        out[3] = ToByte(alpha);
      } else {
        uint8_t *out = row + static_cast<size_t>(x) * 3;
        out[0] = ToByte(p[2]);
        out[1] = ToByte(p[1]);
        out[2] = ToByte(p[0]);
      }
    }
  }

  if (HDC dc = TkDrawingDcOf(number)) SelectObject(dc, resized.bitmap);
  DeleteObject(image->bitmap);
  *image = resized;
  return 1;
}
