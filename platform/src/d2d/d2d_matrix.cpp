// 3 x 2 matrices in Direct2D's row-vector convention: p' = p * M, so A * B applies A first.
#include "d2d_internal.h"

#include <cmath>

D2D1_MATRIX_3X2_F D2dIdentity() { return D2D1_MATRIX_3X2_F{1, 0, 0, 1, 0, 0}; }

D2D1_MATRIX_3X2_F D2dMultiply(const D2D1_MATRIX_3X2_F &a, const D2D1_MATRIX_3X2_F &b) {
  return D2D1_MATRIX_3X2_F{
      a._11 * b._11 + a._12 * b._21, a._11 * b._12 + a._12 * b._22,         a._21 * b._11 + a._22 * b._21,
      a._21 * b._12 + a._22 * b._22, a._31 * b._11 + a._32 * b._21 + b._31, a._31 * b._12 + a._32 * b._22 + b._32,
  };
}

bool D2dInvert(const D2D1_MATRIX_3X2_F &m, D2D1_MATRIX_3X2_F *inverse) {
  // In double: brush transforms with tiny scales (the logo zoomed out) still invert well.
  double det = static_cast<double>(m._11) * m._22 - static_cast<double>(m._12) * m._21;
  if (!std::isfinite(det) || std::fabs(det) < 1e-12) return false;
  double i11 = m._22 / det, i12 = -m._12 / det, i21 = -m._21 / det, i22 = m._11 / det;
  double i31 = -(m._31 * i11 + m._32 * i21);
  double i32 = -(m._31 * i12 + m._32 * i22);
  *inverse = D2D1_MATRIX_3X2_F{static_cast<float>(i11), static_cast<float>(i12), static_cast<float>(i21),
                               static_cast<float>(i22), static_cast<float>(i31), static_cast<float>(i32)};
  return true;
}

bool D2dIsAxisAligned(const D2D1_MATRIX_3X2_F &m) { return m._12 == 0 && m._21 == 0 && m._11 > 0 && m._22 > 0; }

D2D1_POINT_2F D2dTransformPoint(const D2D1_MATRIX_3X2_F &m, float x, float y) {
  return D2D1_POINT_2F{x * m._11 + y * m._21 + m._31, x * m._12 + y * m._22 + m._32};
}

bool D2dPixmanSourceTransform(const D2D1_MATRIX_3X2_F &sourceToDevice, pixman_transform *t) {
  D2D1_MATRIX_3X2_F inverse;
  if (!D2dInvert(sourceToDevice, &inverse)) return false;
  // D2D1 matrices are laid out row by row, pixman's column by column.
  pixman_f_transform f{};
  f.m[0][0] = inverse._11;
  f.m[0][1] = inverse._21;
  f.m[0][2] = inverse._31;
  f.m[1][0] = inverse._12;
  f.m[1][1] = inverse._22;
  f.m[1][2] = inverse._32;
  f.m[2][2] = 1;
  return pixman_transform_from_pixman_f_transform(t, &f) != 0;
}
