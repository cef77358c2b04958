// COM start-up, the WIC imaging factory, WIC bitmaps from GDI bitmaps, the format
// converter and the DirectWrite factory of the Linux platform.
#include <windows.h>
#include <objbase.h>
#include <wincodec.h>
#include <dwrite.h>

#include "dib.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

namespace {

// COM stays initialised on the test's main thread for every WIC test.
class Wic : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_GE(CoInitialize(nullptr), 0);
    ASSERT_EQ(CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                               reinterpret_cast<void **>(&factory)),
              S_OK);
    ASSERT_NE(factory, nullptr);
  }
  void TearDown() override {
    if (factory != nullptr) factory->Release();
  }

  // The pixels of a source, converted to premultiplied BGRA, top row first.
  std::vector<uint8_t> ConvertedPixels(IWICBitmapSource *source, UINT *width, UINT *height) {
    IWICFormatConverter *converter = nullptr;
    EXPECT_EQ(factory->CreateFormatConverter(&converter), S_OK);
    EXPECT_EQ(converter->Initialize(source, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                    WICBitmapPaletteTypeMedianCut),
              S_OK);
    converter->GetSize(width, height);
    std::vector<uint8_t> pixels(static_cast<size_t>(*width) * *height * 4);
    EXPECT_EQ(converter->CopyPixels(nullptr, *width * 4, static_cast<UINT>(pixels.size()), pixels.data()), S_OK);
    converter->Release();
    return pixels;
  }

  IWICImagingFactory *factory = nullptr;
};

} // namespace

// ---------------------------------------------------------------------------------------
// COM
// ---------------------------------------------------------------------------------------

TEST(Com, InitialisationIsPerThread) {
  ASSERT_GE(CoInitialize(nullptr), 0);
  // A fresh thread, so the main thread's state does not count.
  std::thread([] {
    void *object = reinterpret_cast<void *>(1);
    EXPECT_EQ(
        CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory, &object),
        CO_E_NOTINITIALIZED);
    EXPECT_EQ(object, nullptr);

    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    EXPECT_EQ(CoInitialize(reinterpret_cast<void *>(1)), E_INVALIDARG);
    EXPECT_EQ(CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object), S_OK);
    static_cast<IUnknown *>(object)->Release();
  }).join();
}

TEST(Com, CreateInstanceKnowsOnlyTheFirstWicFactoryClass) {
  ASSERT_GE(CoInitialize(nullptr), 0);
  void *object = reinterpret_cast<void *>(1);
  // An interface identifier is no class.
  EXPECT_EQ(CoCreateInstance(IID_IWICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, &object),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory, nullptr),
            E_POINTER);

  IUnknown *factory = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void **>(&factory)),
            S_OK);
  // The factory cannot be aggregated into another object.
  EXPECT_EQ(CoCreateInstance(CLSID_WICImagingFactory1, factory, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(object, nullptr);
  // Nor does it answer for interfaces it does not have.
  EXPECT_EQ(CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER, IID_IWICBitmap, &object),
            E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);

  IWICImagingFactory *imaging = nullptr;
  ASSERT_EQ(factory->QueryInterface(IID_IWICImagingFactory, reinterpret_cast<void **>(&imaging)), S_OK);
  EXPECT_EQ(static_cast<IUnknown *>(imaging), factory);
  EXPECT_EQ(imaging->Release(), 1u);
  EXPECT_EQ(factory->Release(), 0u);
}

// ---------------------------------------------------------------------------------------
// Bitmaps from GDI bitmaps
// ---------------------------------------------------------------------------------------

TEST_F(Wic, PremultipliedDibPassesThroughUnchanged) {
  uint8_t *bits = nullptr;
  // Bottom-up, 3 x 2: the first row in memory is the bottom row of the picture.
  HBITMAP dib = MakeDibSection(3, 2, 32, &bits);
  ASSERT_NE(dib, nullptr);
  const uint8_t bottom[12] = {0, 64, 128, 128, 1, 2, 3, 4, 10, 20, 30, 40};
  const uint8_t top[12] = {5, 6, 7, 255, 0, 0, 0, 0, 90, 80, 70, 100};
  std::memcpy(bits, bottom, 12);
  std::memcpy(bits + 12, top, 12);

  IWICBitmap *bitmap = nullptr;
  ASSERT_EQ(factory->CreateBitmapFromHBITMAP(dib, nullptr, WICBitmapUsePremultipliedAlpha, &bitmap), S_OK);
  UINT width = 0, height = 0;
  EXPECT_EQ(bitmap->GetSize(&width, &height), S_OK);
  EXPECT_EQ(width, 3u);
  EXPECT_EQ(height, 2u);
  GUID format = {};
  EXPECT_EQ(bitmap->GetPixelFormat(&format), S_OK);
  EXPECT_TRUE(IsEqualGUID(format, GUID_WICPixelFormat32bppPBGRA));

  uint8_t direct[24] = {};
  ASSERT_EQ(bitmap->CopyPixels(nullptr, 12, sizeof direct, direct), S_OK);
  EXPECT_EQ(std::memcmp(direct, top, 12), 0);
  EXPECT_EQ(std::memcmp(direct + 12, bottom, 12), 0);

  std::vector<uint8_t> converted = ConvertedPixels(bitmap, &width, &height);
  ASSERT_EQ(converted.size(), 24u);
  EXPECT_EQ(std::memcmp(converted.data(), direct, 24), 0);
  EXPECT_EQ(bitmap->Release(), 0u);
  DeleteObject(dib);
}

TEST_F(Wic, StraightAlphaIsPremultipliedByTheConverter) {
  uint8_t *bits = nullptr;
  HBITMAP dib = MakeDibSection(2, -1, 32, &bits);
  const uint8_t pixels[8] = {200, 100, 50, 128, 255, 255, 255, 0};
  std::memcpy(bits, pixels, 8);
  IWICBitmap *bitmap = nullptr;
  ASSERT_EQ(factory->CreateBitmapFromHBITMAP(dib, nullptr, WICBitmapUseAlpha, &bitmap), S_OK);
  GUID format = {};
  bitmap->GetPixelFormat(&format);
  EXPECT_TRUE(IsEqualGUID(format, GUID_WICPixelFormat32bppBGRA));
  UINT width = 0, height = 0;
  std::vector<uint8_t> converted = ConvertedPixels(bitmap, &width, &height);
  // 200 * 128 / 255 = 100.4, 100 * 128 / 255 = 50.2, 50 * 128 / 255 = 25.1; alpha 0 clears all.
  const uint8_t want[8] = {100, 50, 25, 128, 0, 0, 0, 0};
  ASSERT_EQ(converted.size(), 8u);
  EXPECT_EQ(std::memcmp(converted.data(), want, 8), 0);
  bitmap->Release();
  DeleteObject(dib);
}

TEST_F(Wic, IgnoredAlphaAnd24BitPixelsBecomeOpaque) {
  uint8_t *bits = nullptr;
  HBITMAP dib32 = MakeDibSection(1, -1, 32, &bits);
  const uint8_t pixel32[4] = {10, 20, 30, 40};
  std::memcpy(bits, pixel32, 4);
  HBITMAP dib24 = MakeDibSection(2, -1, 24, &bits);
  const uint8_t pixel24[6] = {1, 2, 3, 4, 5, 6};
  std::memcpy(bits, pixel24, 6);

  IWICBitmap *ignored = nullptr, *rgb = nullptr;
  ASSERT_EQ(factory->CreateBitmapFromHBITMAP(dib32, nullptr, WICBitmapIgnoreAlpha, &ignored), S_OK);
  ASSERT_EQ(factory->CreateBitmapFromHBITMAP(dib24, nullptr, WICBitmapUsePremultipliedAlpha, &rgb), S_OK);
  UINT width = 0, height = 0;
  std::vector<uint8_t> fromIgnored = ConvertedPixels(ignored, &width, &height);
  const uint8_t wantIgnored[4] = {10, 20, 30, 255};
  ASSERT_EQ(fromIgnored.size(), 4u);
  EXPECT_EQ(std::memcmp(fromIgnored.data(), wantIgnored, 4), 0);
  std::vector<uint8_t> fromRgb = ConvertedPixels(rgb, &width, &height);
  const uint8_t wantRgb[8] = {1, 2, 3, 255, 4, 5, 6, 255};
  ASSERT_EQ(fromRgb.size(), 8u);
  EXPECT_EQ(std::memcmp(fromRgb.data(), wantRgb, 8), 0);
  ignored->Release();
  rgb->Release();
  DeleteObject(dib32);
  DeleteObject(dib24);
}

TEST_F(Wic, ForeignOrDeletedBitmapIsRefused) {
  IWICBitmap *bitmap = reinterpret_cast<IWICBitmap *>(1);
  EXPECT_LT(factory->CreateBitmapFromHBITMAP(reinterpret_cast<HBITMAP>(0x1234), nullptr, WICBitmapUsePremultipliedAlpha,
                                             &bitmap),
            0);
  EXPECT_EQ(bitmap, nullptr);
  EXPECT_LT(factory->CreateBitmapFromHBITMAP(nullptr, nullptr, WICBitmapUsePremultipliedAlpha, &bitmap), 0);

  uint8_t *bits = nullptr;
  HBITMAP dib = MakeDibSection(1, 1, 32, &bits);
  DeleteObject(dib);
  EXPECT_LT(factory->CreateBitmapFromHBITMAP(dib, nullptr, WICBitmapUsePremultipliedAlpha, &bitmap), 0);
  EXPECT_EQ(bitmap, nullptr);
}

// ---------------------------------------------------------------------------------------
// Reading pixels
// ---------------------------------------------------------------------------------------

TEST_F(Wic, CopyPixelsChecksRectangleStrideAndBuffer) {
  uint8_t *bits = nullptr;
  HBITMAP dib = MakeDibSection(4, -3, 32, &bits);
  for (int i = 0; i < 4 * 3 * 4; i++) bits[i] = static_cast<uint8_t>(i);
  IWICBitmap *bitmap = nullptr;
  ASSERT_EQ(factory->CreateBitmapFromHBITMAP(dib, nullptr, WICBitmapUsePremultipliedAlpha, &bitmap), S_OK);

  // Pixels (1, 1) and (2, 1), (1, 2) and (2, 2), into rows 12 bytes apart: the last row
  // needs only its own 8 bytes.
  WICRect inner = {1, 1, 2, 2};
  uint8_t out[20];
  std::memset(out, 0xEE, sizeof out);
  ASSERT_EQ(bitmap->CopyPixels(&inner, 12, 20, out), S_OK);
  for (int i = 0; i < 8; i++) EXPECT_EQ(out[i], 16 + 4 + i) << i;
  for (int i = 8; i < 12; i++) EXPECT_EQ(out[i], 0xEE) << "stride padding is left alone";
  for (int i = 0; i < 8; i++) EXPECT_EQ(out[12 + i], 32 + 4 + i) << i;

  EXPECT_EQ(bitmap->CopyPixels(&inner, 12, 19, out), WINCODEC_ERR_INSUFFICIENTBUFFER);
  EXPECT_EQ(bitmap->CopyPixels(&inner, 7, 100, out), E_INVALIDARG);
  WICRect tooWide = {3, 0, 2, 1}, tooLow = {0, 2, 1, 2}, negative = {-1, 0, 1, 1}, huge = {1, 0, 0x7FFFFFFF, 1};
  EXPECT_EQ(bitmap->CopyPixels(&tooWide, 64, 64, out), E_INVALIDARG);
  EXPECT_EQ(bitmap->CopyPixels(&tooLow, 64, 64, out), E_INVALIDARG);
  EXPECT_EQ(bitmap->CopyPixels(&negative, 64, 64, out), E_INVALIDARG);
  EXPECT_EQ(bitmap->CopyPixels(&huge, 64, 64, out), E_INVALIDARG);
  EXPECT_EQ(bitmap->CopyPixels(nullptr, 16, 48, nullptr), E_INVALIDARG);
  // Refused copies write nothing.
  EXPECT_EQ(out[8], 0xEE);
  bitmap->Release();
  DeleteObject(dib);
}

TEST_F(Wic, ConverterStateAndLifetime) {
  IWICFormatConverter *converter = nullptr;
  ASSERT_EQ(factory->CreateFormatConverter(&converter), S_OK);
  UINT width = 0, height = 0;
  uint8_t pixel[4] = {};
  EXPECT_EQ(converter->GetSize(&width, &height), WINCODEC_ERR_NOTINITIALIZED);
  EXPECT_EQ(converter->CopyPixels(nullptr, 4, 4, pixel), WINCODEC_ERR_NOTINITIALIZED);

  uint8_t *bits = nullptr;
  HBITMAP dib = MakeDibSection(1, 1, 32, &bits);
  const uint8_t value[4] = {0, 64, 128, 128};
  std::memcpy(bits, value, 4);
  IWICBitmap *bitmap = nullptr;
  ASSERT_EQ(factory->CreateBitmapFromHBITMAP(dib, nullptr, WICBitmapUsePremultipliedAlpha, &bitmap), S_OK);
  // Converting to a format the platform does not produce fails and leaves it uninitialised.
  EXPECT_LT(converter->Initialize(bitmap, GUID_WICPixelFormat24bppBGR, WICBitmapDitherTypeNone, nullptr, 0.0,
                                  WICBitmapPaletteTypeMedianCut),
            0);
  EXPECT_EQ(converter->Initialize(nullptr, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                  WICBitmapPaletteTypeMedianCut),
            E_INVALIDARG);
  ASSERT_EQ(converter->Initialize(bitmap, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                  WICBitmapPaletteTypeMedianCut),
            S_OK);
  EXPECT_EQ(converter->Initialize(bitmap, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                  WICBitmapPaletteTypeMedianCut),
            WINCODEC_ERR_WRONGSTATE);

  // The converter outlives the bitmap and the GDI bitmap it came from.
  EXPECT_EQ(bitmap->Release(), 0u);
  DeleteObject(dib);
  ASSERT_EQ(converter->CopyPixels(nullptr, 4, 4, pixel), S_OK);
  EXPECT_EQ(std::memcmp(pixel, value, 4), 0);

  IWICBitmapSource *source = nullptr;
  ASSERT_EQ(converter->QueryInterface(IID_IWICBitmapSource, reinterpret_cast<void **>(&source)), S_OK);
  EXPECT_EQ(static_cast<IWICBitmapSource *>(converter), source);
  void *none = reinterpret_cast<void *>(1);
  EXPECT_EQ(converter->QueryInterface(IID_IWICBitmap, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(source->Release(), 1u);
  EXPECT_EQ(converter->Release(), 0u);
}

// ---------------------------------------------------------------------------------------
// DirectWrite
// ---------------------------------------------------------------------------------------

TEST(DWrite, FactoryComesFromTheDWriteModule) {
  HMODULE module = LoadLibraryW(L"DWRITE.DLL");
  ASSERT_NE(module, nullptr);
  typedef HRESULT (*CreateProc)(DWRITE_FACTORY_TYPE, REFIID, IUnknown **);
  FARPROC address = GetProcAddress(module, "DWriteCreateFactory");
  ASSERT_NE(address, nullptr);
  CreateProc create = reinterpret_cast<CreateProc>(reinterpret_cast<void (*)()>(address));

  IDWriteFactory *factory = nullptr;
  ASSERT_EQ(create(DWRITE_FACTORY_TYPE_SHARED, IID_IDWriteFactory, reinterpret_cast<IUnknown **>(&factory)), S_OK);
  ASSERT_NE(factory, nullptr);
  IDWriteTextFormat *format = reinterpret_cast<IDWriteTextFormat *>(1);
  EXPECT_EQ(factory->CreateTextFormat(L"Arial", nullptr, DWRITE_FONT_WEIGHT_NORMAL, DWRITE_FONT_STYLE_NORMAL,
                                      DWRITE_FONT_STRETCH_NORMAL, 12.0f, L"en-us", &format),
            E_NOTIMPL);
  EXPECT_EQ(format, nullptr);
  EXPECT_EQ(factory->Release(), 0u);

  IUnknown *other = reinterpret_cast<IUnknown *>(1);
  EXPECT_EQ(DWriteCreateFactory(DWRITE_FACTORY_TYPE_SHARED, IID_IWICImagingFactory, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(DWriteCreateFactory(DWRITE_FACTORY_TYPE_SHARED, IID_IDWriteFactory, nullptr), E_INVALIDARG);
}
