// The exports of D2D1.DLL. They live in one file so that linking the rotation export, which
// programs bind when they load, also brings the factory entry that the module table lists.
#include "d2d_internal.h"

#include <cmath>
#include <new>

ID2D1Factory *D2dFactoryCreate();

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
  *matrix = D2D1_MATRIX_3X2_F{c, s, -s, c, center.x - center.x * c + center.y * s,
                              center.y - center.x * s - center.y * c};
}

BOOL WINAPI D2D1InvertMatrix(D2D1_MATRIX_3X2_F *matrix) {
  if (matrix == nullptr) return FALSE;
  D2D1_MATRIX_3X2_F inverse;
  if (!D2dInvert(*matrix, &inverse)) return FALSE;
  *matrix = inverse;
  return TRUE;
}

BOOL WINAPI D2D1IsMatrixInvertible(const D2D1_MATRIX_3X2_F *matrix) {
  D2D1_MATRIX_3X2_F inverse;
  return matrix != nullptr && D2dInvert(*matrix, &inverse) ? TRUE : FALSE;
}

} // extern "C"
