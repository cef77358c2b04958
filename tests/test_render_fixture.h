// The set-up shared by the Render API's tests: the Render API started as the program starts
// it, plus pictures written by the tests themselves and a reader of the pixels an image
// stores.
#pragma once

#include "render_api.h"

#include "d2d_backend.h"
#include "d2d/d2d_internal.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

// One stored pixel, channels as 8-bit numbers (premultiplied, as images hold them).
struct Bgra {
  int b, g, r, a;
  bool operator==(const Bgra &other) const = default;
};

inline void PrintTo(const Bgra &p, std::ostream *out) {
  *out << "(B " << p.b << ", G " << p.g << ", R " << p.r << ", A " << p.a << ")";
}

// A DIB section of the given depth from top-down rows of B, G, R (, A) bytes.
inline HBITMAP MakeBitmap(int width, int height, int bits, const std::vector<uint8_t> &topDown) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<WORD>(bits);
  info.bmiHeader.biCompression = BI_RGB;
  void *pixels = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
  if (!bitmap) return nullptr;
  size_t rowBytes = static_cast<size_t>((width * bits / 8 + 3) / 4 * 4);
  size_t packed = static_cast<size_t>(width * bits / 8);
  for (size_t y = 0; y < static_cast<size_t>(height); y++)
    std::copy(topDown.begin() + static_cast<ptrdiff_t>(y * packed), topDown.begin() + static_cast<ptrdiff_t>((y + 1) * packed),
              static_cast<uint8_t *>(pixels) + y * rowBytes);
  return bitmap;
}

// A 32-bit reading of a bitmap's pixels, top row first; empty when it cannot be read.
inline std::vector<Bgra> ReadBitmap(HANDLE handle, int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<uint8_t> bytes(static_cast<size_t>(width) * height * 4);
  HDC dc = CreateCompatibleDC(nullptr);
  int lines = GetDIBits(dc, static_cast<HBITMAP>(handle), 0, static_cast<UINT>(height), bytes.data(), &info,
                        DIB_RGB_COLORS);
  DeleteDC(dc);
  std::vector<Bgra> out;
  if (lines != height) return out;
  for (size_t i = 0; i < bytes.size(); i += 4) out.push_back({bytes[i], bytes[i + 1], bytes[i + 2], bytes[i + 3]});
  return out;
}

// Bits per pixel of a GDI bitmap, 0 for anything else.
inline int BitmapDepth(HANDLE bitmap) {
  BITMAP info{};
  return GetObjectW(bitmap, sizeof(BITMAP), &info) ? info.bmBitsPixel : 0;
}

class RenderTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    static bool started = false;
    if (started) return;
    started = true;
    StartRenderAPI();
  }

  void SetUp() override {
    ASSERT_NE(MainRenderTarget, nullptr);
    ASSERT_EQ(RenderBackend, RENDER_BACKEND_DIRECT2D);
    folder_ = std::filesystem::temp_directory_path() /
              ("render_test_" + std::to_string(GetCurrentProcessId()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
    images_ = TkListSize(ImageList);
    brushes_ = TkListSize(BrushList);
  }

  void TearDown() override {
    std::filesystem::remove_all(folder_);
    // Every test pairs its drawing contexts and puts the backend choice back.
    EXPECT_EQ(TkListSize(DrawingStack), 0);
    RenderBackend = RENDER_BACKEND_DIRECT2D;
  }

  std::string File(const std::string &name) const { return (folder_ / name).string(); }

  // A new image cleared to a straight colour: it stores each channel times alpha / 255.
  static RenderImage *SolidImage(int width, int height, int r, int g, int b, int a) {
    RenderImage *image = CreateRenderImage(width, height, TkRGBA(r, g, b, a));
    EXPECT_NE(image, nullptr);
    EXPECT_NE(image->bitmap, nullptr);
    return image;
  }

  // The pixel the image stores at (x, y), read from the Direct2D target's own memory.
  static Bgra Pixel(const RenderImage *image, int x, int y) {
    D2dTarget *target = D2dTargetOf(image->bitmap);
    if (!target || x < 0 || y < 0 || x >= target->surface.width || y >= target->surface.height)
      return {-1, -1, -1, -1};
    uint32_t p = D2dRow(target->surface, y)[x];
    return {static_cast<int>(p & 255), static_cast<int>((p >> 8) & 255), static_cast<int>((p >> 16) & 255),
            static_cast<int>(p >> 24)};
  }

  // Writes an 8-bit RGBA PNG from rows of R, G, B, A samples.
  static void WritePng(const std::string &file, int width, int height, const std::vector<uint8_t> &rgba) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGBA;
    ASSERT_TRUE(png_image_write_to_file(&image, file.c_str(), 0, rgba.data(), 0, nullptr)) << file;
  }

  // An RGBA picture of one colour with a rectangle of another.
  static std::vector<uint8_t> Picture(int width, int height, const uint8_t background[4], int x0, int y0, int x1,
                                      int y1, const uint8_t inside[4]) {
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; y++)
      for (int x = 0; x < width; x++) {
        const uint8_t *c = (x >= x0 && x < x1 && y >= y0 && y < y1) ? inside : background;
        for (int i = 0; i < 4; i++) rgba[(static_cast<size_t>(y) * width + x) * 4 + i] = c[i];
      }
    return rgba;
  }

  std::filesystem::path folder_;
  int64_t images_ = 0;  // ImageList size when the test began
  int64_t brushes_ = 0; // BrushList size when the test began
};
