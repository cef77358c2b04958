// Shared set-up of the Direct2D tests: a factory, a DC render target as the parent of every
// bitmap target, and reading pixels back through CopyFromRenderTarget.
#pragma once

#include <windows.h>
#include <d2d1.h>

#include <gtest/gtest.h>

#include "d2d/d2d_internal.h"

#include <cstdint>
#include <vector>

// Premultiplied BGRA as one value: the bytes B, G, R, A in memory order.
constexpr uint32_t Bgra(uint32_t b, uint32_t g, uint32_t r, uint32_t a) { return a << 24 | r << 16 | g << 8 | b; }

class D2dTest : public ::testing::Test {
protected:
  ID2D1Factory *factory = nullptr;
  ID2D1DCRenderTarget *root = nullptr;

  void SetUp() override {
    ASSERT_EQ(D2D1CreateFactory(D2D1_FACTORY_TYPE_SINGLE_THREADED, IID_ID2D1Factory, nullptr,
                                reinterpret_cast<void **>(&factory)),
              S_OK);
    D2D1_RENDER_TARGET_PROPERTIES properties{D2D1_RENDER_TARGET_TYPE_DEFAULT,
                                             {DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED},
                                             0.0f,
                                             0.0f,
                                             D2D1_RENDER_TARGET_USAGE_NONE,
                                             D2D1_FEATURE_LEVEL_DEFAULT};
    ASSERT_EQ(factory->CreateDCRenderTarget(&properties, &root), S_OK);
  }
  void TearDown() override {
    if (root != nullptr) root->Release();
    if (factory != nullptr) {
      EXPECT_EQ(factory->Release(), 0u) << "something still holds the factory";
    }
  }

  // A width x height premultiplied BGRA target, transparent.
  ID2D1BitmapRenderTarget *Target(UINT32 width, UINT32 height) {
    ID2D1BitmapRenderTarget *target = nullptr;
    D2D1_SIZE_F size{static_cast<float>(width), static_cast<float>(height)};
    D2D1_SIZE_U pixels{width, height};
    D2D1_PIXEL_FORMAT format{DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED};
    EXPECT_EQ(root->CreateCompatibleRenderTarget(&size, &pixels, &format, D2D1_COMPATIBLE_RENDER_TARGET_OPTIONS_NONE,
                                                 &target),
              S_OK);
    return target;
  }

  // A bitmap holding the given pixels, rows top to bottom.
  ID2D1Bitmap *Bitmap(UINT32 width, UINT32 height, const std::vector<uint32_t> &pixels) {
    ID2D1Bitmap *bitmap = nullptr;
    D2D1_BITMAP_PROPERTIES properties{{DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED}, 96.0f, 96.0f};
    EXPECT_EQ(root->CreateBitmap(D2D1_SIZE_U{width, height}, pixels.data(), width * 4, &properties, &bitmap), S_OK);
    return bitmap;
  }

  // The bitmap's pixels as memory holds them.
  static std::vector<uint32_t> BitmapPixels(ID2D1Bitmap *bitmap) {
    D2dFlushDeferred();
    D2dSurface *surface = D2dBitmapSurface(D2dBitmapFrom(bitmap));
    std::vector<uint32_t> out;
    for (int y = 0; y < surface->height; ++y)
      out.insert(out.end(), D2dRow(*surface, y), D2dRow(*surface, y) + surface->width);
    return out;
  }

  // The target's pixels, copied out with CopyFromRenderTarget into a bitmap of their own.
  std::vector<uint32_t> Pixels(ID2D1RenderTarget *target) {
    D2D1_SIZE_U size = target->GetPixelSize();
    ID2D1Bitmap *copy = Bitmap(size.width, size.height, std::vector<uint32_t>(size.width * size.height, 0));
    EXPECT_EQ(copy->CopyFromRenderTarget(nullptr, target, nullptr), S_OK);
    std::vector<uint32_t> out = BitmapPixels(copy);
    copy->Release();
    return out;
  }

  // Fills the whole target with one premultiplied pixel value.
  static void Fill(ID2D1RenderTarget *target, uint32_t pixel) {
    D2D1_COLOR_F color{((pixel >> 16) & 0xff) / 255.0f, ((pixel >> 8) & 0xff) / 255.0f, (pixel & 0xff) / 255.0f,
                       (pixel >> 24) / 255.0f};
    // Clear takes a straight colour; these tests only clear to opaque or transparent ones.
    target->Clear(&color);
  }
};
