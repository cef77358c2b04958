// Direct2D's basic value records: colours, float rectangles and sizes, whole-pixel points
// and rectangles.
#pragma once

#include <windef.h>

typedef struct D3DCOLORVALUE {
  float r;
  float g;
  float b;
  float a;
} D3DCOLORVALUE;
typedef D3DCOLORVALUE D2D_COLOR_F;

typedef struct D2D_RECT_F {
  float left;
  float top;
  float right;
  float bottom;
} D2D_RECT_F;

typedef struct D2D_SIZE_F {
  float width;
  float height;
} D2D_SIZE_F;

typedef struct D2D_POINT_2U {
  UINT32 x;
  UINT32 y;
} D2D_POINT_2U;

typedef struct D2D_RECT_U {
  UINT32 left;
  UINT32 top;
  UINT32 right;
  UINT32 bottom;
} D2D_RECT_U;
