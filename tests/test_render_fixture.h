// The set-up shared by the Render API's tests: the Render API started as the program starts
// it, plus pictures written by the tests themselves and a reader of the pixels an image
// stores, through a DIB section as any Windows program would read them.
#pragma once

#include "render_api.h"

#include "d2d_backend.h"
#include "dib.h"
#include "picture_files.h"
#include "wine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

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
    folder_ =
        std::filesystem::temp_directory_path() / ("render_test_" + std::to_string(GetCurrentProcessId()) + "_" +
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

  // The pixel the image stores at (x, y): the image's bitmap drawn 1:1 into a DIB section.
  static Bgra Pixel(const RenderImage *image, int x, int y) {
    if (!image || !image->bitmap) return {-1, -1, -1, -1};
    D2D1_SIZE_U size = image->bitmap->GetPixelSize();
    int width = static_cast<int>(size.width), height = static_cast<int>(size.height);
    if (x < 0 || y < 0 || x >= width || y >= height) return {-1, -1, -1, -1};
    std::vector<uint32_t> pixels = ReadTargetPixels(MainRenderTarget, image->bitmap, width, height);
    if (pixels.empty()) return {-1, -1, -1, -1};
    uint32_t p = pixels[static_cast<size_t>(y) * width + x];
    return {static_cast<int>(p & 255), static_cast<int>((p >> 8) & 255), static_cast<int>((p >> 16) & 255),
            static_cast<int>(p >> 24)};
  }

  // Writes an 8-bit RGBA PNG from rows of R, G, B, A samples.
  static void WritePng(const std::string &file, int width, int height, const std::vector<uint8_t> &rgba) {
    ASSERT_TRUE(WritePngFile(file, width, height, PngRgba, rgba)) << file;
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
