// Pixel buffers, colour arithmetic and the two file writers used by the picture
// generator. Everything here is plain data and free functions.
#pragma once

#include <png.h>
#include <jpeglib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace icons {

// Colour with premultiplied alpha, channels 0..1. Premultiplied values average and
// compose correctly, which is what supersampling and layering need.
struct Colour {
  double r = 0, g = 0, b = 0, a = 0;
};

// A straight RGB triple, 0..1 per channel, for building colours before alpha is known.
struct Rgb {
  double r = 0, g = 0, b = 0;
};

// Final 8-bit picture, straight (not premultiplied) RGBA, rows top to bottom.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;
};

inline double Clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

inline double Mix(double a, double b, double t) { return a + (b - a) * t; }

inline Rgb Mix(Rgb a, Rgb b, double t) { return {Mix(a.r, b.r, t), Mix(a.g, b.g, t), Mix(a.b, b.b, t)}; }

inline Rgb Scale(Rgb c, double k) { return {c.r * k, c.g * k, c.b * k}; }

inline Rgb Add(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }

inline Rgb Hex(std::uint32_t rrggbb) {
  return {((rrggbb >> 16) & 0xFF) / 255.0, ((rrggbb >> 8) & 0xFF) / 255.0, (rrggbb & 0xFF) / 255.0};
}

inline double SmoothStep(double e0, double e1, double x) {
  double t = Clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}

// Paint with the given straight colour and coverage, as a premultiplied value.
inline Colour Paint(Rgb c, double alpha) {
  alpha = Clamp01(alpha);
  return {c.r * alpha, c.g * alpha, c.b * alpha, alpha};
}

// Porter-Duff "over" on premultiplied colours.
inline Colour Over(Colour top, Colour under) {
  double k = 1 - top.a;
  return {top.r + under.r * k, top.g + under.g * k, top.b + under.b * k, top.a + under.a * k};
}

// Coverage of a pixel by a shape whose signed distance (negative inside) is d, with a
// one-pixel ramp: a cheap analytic antialias for smooth outlines.
inline double CoverageFromDistance(double d, double pixel = 1.0) { return Clamp01(0.5 - d / pixel); }

// Signed distance to a rounded rectangle given by its edges and corner radius.
inline double RoundRectDistance(double x, double y, double left, double top, double right, double bottom,
                                double radius) {
  double cx = (left + right) / 2, cy = (top + bottom) / 2;
  double hx = (right - left) / 2 - radius, hy = (bottom - top) / 2 - radius;
  double qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
  double ox = std::max(qx, 0.0), oy = std::max(qy, 0.0);
  return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0) - radius;
}

// Renders a picture by averaging n x n samples of a shader per pixel. The shader takes
// the sample position in pixel units (pixel centres at .5) and returns premultiplied
// colour.
template <typename Shader> Picture Render(int width, int height, int n, Shader shade) {
  Picture pic;
  pic.width = width;
  pic.height = height;
  pic.rgba.resize(static_cast<std::size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      Colour sum;
      for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
          Colour c = shade(x + (i + 0.5) / n, y + (j + 0.5) / n);
          sum.r += c.r;
          sum.g += c.g;
          sum.b += c.b;
          sum.a += c.a;
        }
      }
      double k = 1.0 / (n * n);
      double a = Clamp01(sum.a * k);
      std::uint8_t *p = &pic.rgba[(static_cast<std::size_t>(y) * width + x) * 4];
      if (a <= 0) {
        // Fully transparent pixels carry white so that a renderer that
        // filters without premultiplying does not bleed black into edges.
        p[0] = p[1] = p[2] = 255;
        p[3] = 0;
        continue;
      }
      double channels[3] = {sum.r * k / a, sum.g * k / a, sum.b * k / a};
      for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>(std::lround(Clamp01(channels[c]) * 255));
      p[3] = static_cast<std::uint8_t>(std::lround(a * 255));
    }
  }
  return pic;
}

// The PNG file of a picture, 8-bit RGBA at the highest compression; empty on failure.
inline std::vector<std::uint8_t> EncodePng(const Picture &pic) {
  std::vector<std::uint8_t> bytes;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  auto append = [](png_structp writer, png_bytep data, png_size_t length) {
    auto *out = static_cast<std::vector<std::uint8_t> *>(png_get_io_ptr(writer));
    out->insert(out->end(), data, data + length);
  };
  png_set_write_fn(png, &bytes, append, nullptr);
  png_set_compression_level(png, 9);
  png_set_IHDR(png, info, pic.width, pic.height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < pic.height; ++y) {
    png_write_row(png, &pic.rgba[static_cast<std::size_t>(y) * pic.width * 4]);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return bytes;
}

inline bool WriteBytes(const std::string &path, const std::vector<std::uint8_t> &bytes) {
  FILE *file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

inline bool WritePng(const std::string &path, const Picture &pic) {
  std::vector<std::uint8_t> bytes = EncodePng(pic);
  return !bytes.empty() && WriteBytes(path, bytes);
}

// Writes the RGB channels of an opaque picture as a baseline JPEG.
inline bool WriteJpeg(const std::string &path, const Picture &pic, int quality) {
  FILE *file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = static_cast<JDIMENSION>(pic.width);
  cinfo.image_height = static_cast<JDIMENSION>(pic.height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  cinfo.optimize_coding = TRUE;
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(pic.width) * 3);
  while (cinfo.next_scanline < cinfo.image_height) {
    const std::uint8_t *src = &pic.rgba[static_cast<std::size_t>(cinfo.next_scanline) * pic.width * 4];
    for (int x = 0; x < pic.width; ++x) {
      row[x * 3 + 0] = src[x * 4 + 0];
      row[x * 3 + 1] = src[x * 4 + 1];
      row[x * 3 + 2] = src[x * 4 + 2];
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return std::fclose(file) == 0;
}

} // namespace icons
