// The exports of D2D1.DLL and the interface identifiers. They live in one file because the
// module table refers to the exports only weakly: a program that names IID_ID2D1Factory (to
// ask for a factory) or binds the rotation export at load time links this whole file, and so
// the factory entry too.
#include "d2d_internal.h"

#include <cmath>
#include <new>

ID2D1Factory *D2dFactoryCreate();

namespace {
// Most Direct2D interfaces share one tail and differ in the first field only.
constexpr IID D2dIid(uint32_t first) {
  return IID{first, 0x12e2, 0x11dc, {0x9f, 0xed, 0x00, 0x11, 0x43, 0xa0, 0x55, 0xf9}};
}
} // namespace

const IID IID_ID2D1Factory = {0x06152247, 0x6f50, 0x465a, {0x92, 0x45, 0x11, 0x8b, 0xfd, 0x3b, 0x60, 0x07}};
const IID IID_ID2D1Resource = D2dIid(0x2cd90691);
const IID IID_ID2D1Image = {0x65019f75, 0x8da2, 0x497c, {0xb3, 0x2c, 0xdf, 0xa3, 0x4e, 0x48, 0xed, 0xe6}};
const IID IID_ID2D1Bitmap = {0xa2296057, 0xea42, 0x4099, {0x98, 0x3b, 0x53, 0x9f, 0xb6, 0x50, 0x54, 0x26}};
const IID IID_ID2D1Brush = D2dIid(0x2cd906a8);
const IID IID_ID2D1SolidColorBrush = D2dIid(0x2cd906a9);
const IID IID_ID2D1BitmapBrush = D2dIid(0x2cd906aa);
const IID IID_ID2D1Layer = D2dIid(0x2cd9069b);
const IID IID_ID2D1Geometry = D2dIid(0x2cd906a1);
const IID IID_ID2D1RenderTarget = D2dIid(0x2cd90694);
const IID IID_ID2D1BitmapRenderTarget = D2dIid(0x2cd90695);
const IID IID_ID2D1DCRenderTarget = {0x1c51bc64, 0xde61, 0x46fd, {0x98, 0x99, 0x63, 0xa5, 0xd8, 0xf0, 0x39, 0x50}};
const IID IID_ID2D1HwndRenderTarget = D2dIid(0x2cd90698);

extern "C" {

HRESULT WINAPI D2D1CreateFactory(D2D1_FACTORY_TYPE factoryType, REFIID riid, const D2D1_FACTORY_OPTIONS *,
                                 void **factory) {
  if (factory == nullptr) return E_POINTER;
  *factory = nullptr;
  // One thread draws with a factory at a time here; a multi-threaded factory would need locks.
  if (factoryType != D2D1_FACTORY_TYPE_SINGLE_THREADED) return E_INVALIDARG;
  if (riid != IID_ID2D1Factory && riid != IID_IUnknown) return E_NOINTERFACE;
  ID2D1Factory *created = D2dFactoryCreate();
  if (created == nullptr) return E_OUTOFMEMORY;
  *factory = created;
  return S_OK;
}

void WINAPI D2D1MakeRotateMatrix(FLOAT angle, D2D1_POINT_2F center, D2D1_MATRIX_3X2_F *matrix) {
  if (matrix == nullptr) return;
  // Positive angles turn clockwise on the screen, whose y axis points down.
  double radians = static_cast<double>(angle) * (M_PI / 180.0);
  float c = static_cast<float>(std::cos(radians));
  float s = static_cast<float>(std::sin(radians));
  *matrix =
      D2D1_MATRIX_3X2_F{c, s, -s, c, center.x - center.x * c + center.y * s, center.y - center.x * s - center.y * c};
}

} // extern "C"
