// Types shared by Direct2D and DirectWrite: measuring mode, pixel format, float points,
// pixel sizes and the 3 x 2 matrix.
#pragma once

#include <windef.h>
#include <dxgiformat.h>

typedef enum DWRITE_MEASURING_MODE {
  DWRITE_MEASURING_MODE_NATURAL = 0,
  DWRITE_MEASURING_MODE_GDI_CLASSIC = 1,
  DWRITE_MEASURING_MODE_GDI_NATURAL = 2
} DWRITE_MEASURING_MODE;

typedef enum D2D1_ALPHA_MODE {
  D2D1_ALPHA_MODE_UNKNOWN = 0,
  D2D1_ALPHA_MODE_PREMULTIPLIED = 1,
  D2D1_ALPHA_MODE_STRAIGHT = 2,
  D2D1_ALPHA_MODE_IGNORE = 3,
  D2D1_ALPHA_MODE_FORCE_DWORD = 0xffffffff
} D2D1_ALPHA_MODE;

typedef struct D2D1_PIXEL_FORMAT {
  DXGI_FORMAT format;
  D2D1_ALPHA_MODE alphaMode;
} D2D1_PIXEL_FORMAT;

typedef struct D2D_POINT_2F {
  float x;
  float y;
} D2D_POINT_2F;
typedef D2D_POINT_2F D2D1_POINT_2F;

typedef struct D2D_SIZE_U {
  UINT32 width;
  UINT32 height;
} D2D_SIZE_U;
typedef D2D_SIZE_U D2D1_SIZE_U;

// Row-vector affine matrix: a point (x, y) maps to
// (x * _11 + y * _21 + _31, x * _12 + y * _22 + _32).
typedef struct D2D_MATRIX_3X2_F {
  float _11;
  float _12;
  float _21;
  float _22;
  float _31;
  float _32;
} D2D_MATRIX_3X2_F;
