// Direct2D: the factory, render targets, bitmaps, brushes and layers, with the published
// names, argument orders and enumeration values. Only what the system draws with is here.
#pragma once

#include <windef.h>
#include <unknwn.h>
#include <dcommon.h>
#include <d2dbasetypes.h>
#include <d2derr.h>
#include <dxgiformat.h>

// Interfaces of the imaging, text and DXGI headers that Direct2D only passes along.
struct IWICBitmapSource;
struct IWICBitmap;
struct IDWriteTextFormat;
struct IDWriteRenderingParams;
struct IDXGISurface;

// ---------------------------------------------------------------------------------------
// Value types
// ---------------------------------------------------------------------------------------

typedef D2D_COLOR_F D2D1_COLOR_F;
typedef D2D_RECT_F D2D1_RECT_F;
typedef D2D_SIZE_F D2D1_SIZE_F;
typedef D2D_POINT_2U D2D1_POINT_2U;
typedef D2D_RECT_U D2D1_RECT_U;
typedef D2D_MATRIX_3X2_F D2D1_MATRIX_3X2_F;
typedef UINT64 D2D1_TAG;

typedef enum D2D1_FACTORY_TYPE {
  D2D1_FACTORY_TYPE_SINGLE_THREADED = 0,
  D2D1_FACTORY_TYPE_MULTI_THREADED = 1,
  D2D1_FACTORY_TYPE_FORCE_DWORD = 0xffffffff
} D2D1_FACTORY_TYPE;

typedef enum D2D1_DEBUG_LEVEL {
  D2D1_DEBUG_LEVEL_NONE = 0,
  D2D1_DEBUG_LEVEL_ERROR = 1,
  D2D1_DEBUG_LEVEL_WARNING = 2,
  D2D1_DEBUG_LEVEL_INFORMATION = 3,
  D2D1_DEBUG_LEVEL_FORCE_DWORD = 0xffffffff
} D2D1_DEBUG_LEVEL;

typedef enum D2D1_EXTEND_MODE {
  D2D1_EXTEND_MODE_CLAMP = 0,
  D2D1_EXTEND_MODE_WRAP = 1,
  D2D1_EXTEND_MODE_MIRROR = 2,
  D2D1_EXTEND_MODE_FORCE_DWORD = 0xffffffff
} D2D1_EXTEND_MODE;

typedef enum D2D1_BITMAP_INTERPOLATION_MODE {
  D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR = 0,
  D2D1_BITMAP_INTERPOLATION_MODE_LINEAR = 1,
  D2D1_BITMAP_INTERPOLATION_MODE_FORCE_DWORD = 0xffffffff
} D2D1_BITMAP_INTERPOLATION_MODE;

typedef enum D2D1_ANTIALIAS_MODE {
  D2D1_ANTIALIAS_MODE_PER_PRIMITIVE = 0,
  D2D1_ANTIALIAS_MODE_ALIASED = 1,
  D2D1_ANTIALIAS_MODE_FORCE_DWORD = 0xffffffff
} D2D1_ANTIALIAS_MODE;

typedef enum D2D1_TEXT_ANTIALIAS_MODE {
  D2D1_TEXT_ANTIALIAS_MODE_DEFAULT = 0,
  D2D1_TEXT_ANTIALIAS_MODE_CLEARTYPE = 1,
  D2D1_TEXT_ANTIALIAS_MODE_GRAYSCALE = 2,
  D2D1_TEXT_ANTIALIAS_MODE_ALIASED = 3,
  D2D1_TEXT_ANTIALIAS_MODE_FORCE_DWORD = 0xffffffff
} D2D1_TEXT_ANTIALIAS_MODE;

typedef enum D2D1_OPACITY_MASK_CONTENT {
  D2D1_OPACITY_MASK_CONTENT_GRAPHICS = 0,
  D2D1_OPACITY_MASK_CONTENT_TEXT_NATURAL = 1,
  D2D1_OPACITY_MASK_CONTENT_TEXT_GDI_COMPATIBLE = 2,
  D2D1_OPACITY_MASK_CONTENT_FORCE_DWORD = 0xffffffff
} D2D1_OPACITY_MASK_CONTENT;

typedef enum D2D1_COMPATIBLE_RENDER_TARGET_OPTIONS {
  D2D1_COMPATIBLE_RENDER_TARGET_OPTIONS_NONE = 0,
  D2D1_COMPATIBLE_RENDER_TARGET_OPTIONS_GDI_COMPATIBLE = 1,
  D2D1_COMPATIBLE_RENDER_TARGET_OPTIONS_FORCE_DWORD = 0xffffffff
} D2D1_COMPATIBLE_RENDER_TARGET_OPTIONS;

typedef enum D2D1_LAYER_OPTIONS {
  D2D1_LAYER_OPTIONS_NONE = 0,
  D2D1_LAYER_OPTIONS_INITIALIZE_FOR_CLEARTYPE = 1,
  D2D1_LAYER_OPTIONS_FORCE_DWORD = 0xffffffff
} D2D1_LAYER_OPTIONS;

typedef enum D2D1_DRAW_TEXT_OPTIONS {
  D2D1_DRAW_TEXT_OPTIONS_NONE = 0,
  D2D1_DRAW_TEXT_OPTIONS_NO_SNAP = 1,
  D2D1_DRAW_TEXT_OPTIONS_CLIP = 2,
  D2D1_DRAW_TEXT_OPTIONS_FORCE_DWORD = 0xffffffff
} D2D1_DRAW_TEXT_OPTIONS;

typedef enum D2D1_RENDER_TARGET_TYPE {
  D2D1_RENDER_TARGET_TYPE_DEFAULT = 0,
  D2D1_RENDER_TARGET_TYPE_SOFTWARE = 1,
  D2D1_RENDER_TARGET_TYPE_HARDWARE = 2,
  D2D1_RENDER_TARGET_TYPE_FORCE_DWORD = 0xffffffff
} D2D1_RENDER_TARGET_TYPE;

typedef enum D2D1_RENDER_TARGET_USAGE {
  D2D1_RENDER_TARGET_USAGE_NONE = 0,
  D2D1_RENDER_TARGET_USAGE_FORCE_BITMAP_REMOTING = 1,
  D2D1_RENDER_TARGET_USAGE_GDI_COMPATIBLE = 2,
  D2D1_RENDER_TARGET_USAGE_FORCE_DWORD = 0xffffffff
} D2D1_RENDER_TARGET_USAGE;

typedef enum D2D1_FEATURE_LEVEL {
  D2D1_FEATURE_LEVEL_DEFAULT = 0,
  D2D1_FEATURE_LEVEL_9 = 0x9100,
  D2D1_FEATURE_LEVEL_10 = 0xa000,
  D2D1_FEATURE_LEVEL_FORCE_DWORD = 0xffffffff
} D2D1_FEATURE_LEVEL;

typedef enum D2D1_PRESENT_OPTIONS {
  D2D1_PRESENT_OPTIONS_NONE = 0,
  D2D1_PRESENT_OPTIONS_RETAIN_CONTENTS = 1,
  D2D1_PRESENT_OPTIONS_IMMEDIATELY = 2,
  D2D1_PRESENT_OPTIONS_FORCE_DWORD = 0xffffffff
} D2D1_PRESENT_OPTIONS;

typedef enum D2D1_WINDOW_STATE {
  D2D1_WINDOW_STATE_NONE = 0,
  D2D1_WINDOW_STATE_OCCLUDED = 1,
  D2D1_WINDOW_STATE_FORCE_DWORD = 0xffffffff
} D2D1_WINDOW_STATE;

struct ID2D1Geometry;
struct ID2D1Brush;

typedef struct D2D1_RENDER_TARGET_PROPERTIES {
  D2D1_RENDER_TARGET_TYPE type;
  D2D1_PIXEL_FORMAT pixelFormat;
  FLOAT dpiX;
  FLOAT dpiY;
  D2D1_RENDER_TARGET_USAGE usage;
  D2D1_FEATURE_LEVEL minLevel;
} D2D1_RENDER_TARGET_PROPERTIES;

typedef struct D2D1_HWND_RENDER_TARGET_PROPERTIES {
  HWND hwnd;
  D2D1_SIZE_U pixelSize;
  D2D1_PRESENT_OPTIONS presentOptions;
} D2D1_HWND_RENDER_TARGET_PROPERTIES;

typedef struct D2D1_BITMAP_PROPERTIES {
  D2D1_PIXEL_FORMAT pixelFormat;
  FLOAT dpiX;
  FLOAT dpiY;
} D2D1_BITMAP_PROPERTIES;

typedef struct D2D1_BITMAP_BRUSH_PROPERTIES {
  D2D1_EXTEND_MODE extendModeX;
  D2D1_EXTEND_MODE extendModeY;
  D2D1_BITMAP_INTERPOLATION_MODE interpolationMode;
} D2D1_BITMAP_BRUSH_PROPERTIES;

typedef struct D2D1_BRUSH_PROPERTIES {
  FLOAT opacity;
  D2D1_MATRIX_3X2_F transform;
} D2D1_BRUSH_PROPERTIES;

typedef struct D2D1_LAYER_PARAMETERS {
  D2D1_RECT_F contentBounds;
  ID2D1Geometry *geometricMask;
  D2D1_ANTIALIAS_MODE maskAntialiasMode;
  D2D1_MATRIX_3X2_F maskTransform;
  FLOAT opacity;
  ID2D1Brush *opacityBrush;
  D2D1_LAYER_OPTIONS layerOptions;
} D2D1_LAYER_PARAMETERS;

typedef struct D2D1_FACTORY_OPTIONS {
  D2D1_DEBUG_LEVEL debugLevel;
} D2D1_FACTORY_OPTIONS;

// ---------------------------------------------------------------------------------------
// Interface identifiers
// ---------------------------------------------------------------------------------------

extern const IID IID_ID2D1Factory;
extern const IID IID_ID2D1Resource;
extern const IID IID_ID2D1Image;
extern const IID IID_ID2D1Bitmap;
extern const IID IID_ID2D1Brush;
extern const IID IID_ID2D1SolidColorBrush;
extern const IID IID_ID2D1BitmapBrush;
extern const IID IID_ID2D1Layer;
extern const IID IID_ID2D1Geometry;
extern const IID IID_ID2D1RenderTarget;
extern const IID IID_ID2D1BitmapRenderTarget;
extern const IID IID_ID2D1DCRenderTarget;
extern const IID IID_ID2D1HwndRenderTarget;

// ---------------------------------------------------------------------------------------
// Interfaces
// ---------------------------------------------------------------------------------------

struct ID2D1Factory;
struct ID2D1RenderTarget;
struct ID2D1BitmapRenderTarget;
struct ID2D1StrokeStyle;

// Anything made by a factory; it knows the factory it came from.
struct ID2D1Resource : public IUnknown {
  virtual void STDMETHODCALLTYPE GetFactory(ID2D1Factory **factory) const = 0;
};

struct ID2D1Image : public ID2D1Resource {};

struct ID2D1Bitmap : public ID2D1Image {
  virtual D2D1_SIZE_F STDMETHODCALLTYPE GetSize() const = 0;
  virtual D2D1_SIZE_U STDMETHODCALLTYPE GetPixelSize() const = 0;
  virtual D2D1_PIXEL_FORMAT STDMETHODCALLTYPE GetPixelFormat() const = 0;
  virtual void STDMETHODCALLTYPE GetDpi(FLOAT *dpiX, FLOAT *dpiY) const = 0;
  virtual HRESULT STDMETHODCALLTYPE CopyFromBitmap(const D2D1_POINT_2U *destPoint, ID2D1Bitmap *bitmap,
                                                   const D2D1_RECT_U *srcRect) = 0;
  virtual HRESULT STDMETHODCALLTYPE CopyFromRenderTarget(const D2D1_POINT_2U *destPoint,
                                                         ID2D1RenderTarget *renderTarget,
                                                         const D2D1_RECT_U *srcRect) = 0;
  virtual HRESULT STDMETHODCALLTYPE CopyFromMemory(const D2D1_RECT_U *dstRect, const void *srcData, UINT32 pitch) = 0;
};

struct ID2D1Brush : public ID2D1Resource {
  virtual void STDMETHODCALLTYPE SetOpacity(FLOAT opacity) = 0;
  virtual void STDMETHODCALLTYPE SetTransform(const D2D1_MATRIX_3X2_F *transform) = 0;
  virtual FLOAT STDMETHODCALLTYPE GetOpacity() const = 0;
  virtual void STDMETHODCALLTYPE GetTransform(D2D1_MATRIX_3X2_F *transform) const = 0;

  void SetTransform(const D2D1_MATRIX_3X2_F &transform) { SetTransform(&transform); }
};

struct ID2D1SolidColorBrush : public ID2D1Brush {
  virtual void STDMETHODCALLTYPE SetColor(const D2D1_COLOR_F *color) = 0;
  virtual D2D1_COLOR_F STDMETHODCALLTYPE GetColor() const = 0;

  void SetColor(const D2D1_COLOR_F &color) { SetColor(&color); }
};

struct ID2D1BitmapBrush : public ID2D1Brush {
  virtual void STDMETHODCALLTYPE SetExtendModeX(D2D1_EXTEND_MODE extendModeX) = 0;
  virtual void STDMETHODCALLTYPE SetExtendModeY(D2D1_EXTEND_MODE extendModeY) = 0;
  virtual void STDMETHODCALLTYPE SetInterpolationMode(D2D1_BITMAP_INTERPOLATION_MODE interpolationMode) = 0;
  virtual void STDMETHODCALLTYPE SetBitmap(ID2D1Bitmap *bitmap) = 0;
  virtual D2D1_EXTEND_MODE STDMETHODCALLTYPE GetExtendModeX() const = 0;
  virtual D2D1_EXTEND_MODE STDMETHODCALLTYPE GetExtendModeY() const = 0;
  virtual D2D1_BITMAP_INTERPOLATION_MODE STDMETHODCALLTYPE GetInterpolationMode() const = 0;
  virtual void STDMETHODCALLTYPE GetBitmap(ID2D1Bitmap **bitmap) const = 0;
};

struct ID2D1Layer : public ID2D1Resource {
  virtual D2D1_SIZE_F STDMETHODCALLTYPE GetSize() const = 0;
};

// Geometries are only passed through (a layer's geometric mask); none is created here.
struct ID2D1Geometry : public ID2D1Resource {};

struct ID2D1RenderTarget : public ID2D1Resource {
  virtual HRESULT STDMETHODCALLTYPE CreateBitmap(D2D1_SIZE_U size, const void *srcData, UINT32 pitch,
                                                 const D2D1_BITMAP_PROPERTIES *bitmapProperties,
                                                 ID2D1Bitmap **bitmap) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateBitmapFromWicBitmap(IWICBitmapSource *wicBitmapSource,
                                                              const D2D1_BITMAP_PROPERTIES *bitmapProperties,
                                                              ID2D1Bitmap **bitmap) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateBitmapBrush(ID2D1Bitmap *bitmap,
                                                      const D2D1_BITMAP_BRUSH_PROPERTIES *bitmapBrushProperties,
                                                      const D2D1_BRUSH_PROPERTIES *brushProperties,
                                                      ID2D1BitmapBrush **bitmapBrush) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateSolidColorBrush(const D2D1_COLOR_F *color,
                                                          const D2D1_BRUSH_PROPERTIES *brushProperties,
                                                          ID2D1SolidColorBrush **solidColorBrush) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateCompatibleRenderTarget(const D2D1_SIZE_F *desiredSize,
                                                                 const D2D1_SIZE_U *desiredPixelSize,
                                                                 const D2D1_PIXEL_FORMAT *desiredFormat,
                                                                 D2D1_COMPATIBLE_RENDER_TARGET_OPTIONS options,
                                                                 ID2D1BitmapRenderTarget **bitmapRenderTarget) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateLayer(const D2D1_SIZE_F *size, ID2D1Layer **layer) = 0;
  virtual void STDMETHODCALLTYPE FillRectangle(const D2D1_RECT_F *rect, ID2D1Brush *brush) = 0;
  virtual void STDMETHODCALLTYPE FillOpacityMask(ID2D1Bitmap *opacityMask, ID2D1Brush *brush,
                                                 D2D1_OPACITY_MASK_CONTENT content,
                                                 const D2D1_RECT_F *destinationRectangle = NULL,
                                                 const D2D1_RECT_F *sourceRectangle = NULL) = 0;
  virtual void STDMETHODCALLTYPE
  DrawBitmap(ID2D1Bitmap *bitmap, const D2D1_RECT_F *destinationRectangle = NULL, FLOAT opacity = 1.0f,
             D2D1_BITMAP_INTERPOLATION_MODE interpolationMode = D2D1_BITMAP_INTERPOLATION_MODE_LINEAR,
             const D2D1_RECT_F *sourceRectangle = NULL) = 0;
  virtual void STDMETHODCALLTYPE DrawText(const WCHAR *string, UINT stringLength, IDWriteTextFormat *textFormat,
                                          const D2D1_RECT_F *layoutRect, ID2D1Brush *defaultForegroundBrush,
                                          D2D1_DRAW_TEXT_OPTIONS options = D2D1_DRAW_TEXT_OPTIONS_NONE,
                                          DWRITE_MEASURING_MODE measuringMode = DWRITE_MEASURING_MODE_NATURAL) = 0;
  virtual void STDMETHODCALLTYPE SetTransform(const D2D1_MATRIX_3X2_F *transform) = 0;
  virtual void STDMETHODCALLTYPE GetTransform(D2D1_MATRIX_3X2_F *transform) const = 0;
  virtual void STDMETHODCALLTYPE SetAntialiasMode(D2D1_ANTIALIAS_MODE antialiasMode) = 0;
  virtual D2D1_ANTIALIAS_MODE STDMETHODCALLTYPE GetAntialiasMode() const = 0;
  virtual void STDMETHODCALLTYPE SetTextAntialiasMode(D2D1_TEXT_ANTIALIAS_MODE textAntialiasMode) = 0;
  virtual D2D1_TEXT_ANTIALIAS_MODE STDMETHODCALLTYPE GetTextAntialiasMode() const = 0;
  virtual void STDMETHODCALLTYPE SetTextRenderingParams(IDWriteRenderingParams *textRenderingParams = NULL) = 0;
  virtual void STDMETHODCALLTYPE GetTextRenderingParams(IDWriteRenderingParams **textRenderingParams) const = 0;
  virtual void STDMETHODCALLTYPE SetTags(D2D1_TAG tag1, D2D1_TAG tag2) = 0;
  virtual void STDMETHODCALLTYPE GetTags(D2D1_TAG *tag1 = NULL, D2D1_TAG *tag2 = NULL) const = 0;
  virtual void STDMETHODCALLTYPE PushLayer(const D2D1_LAYER_PARAMETERS *layerParameters, ID2D1Layer *layer) = 0;
  virtual void STDMETHODCALLTYPE PopLayer() = 0;
  virtual HRESULT STDMETHODCALLTYPE Flush(D2D1_TAG *tag1 = NULL, D2D1_TAG *tag2 = NULL) = 0;
  virtual void STDMETHODCALLTYPE Clear(const D2D1_COLOR_F *clearColor = NULL) = 0;
  virtual void STDMETHODCALLTYPE BeginDraw() = 0;
  virtual HRESULT STDMETHODCALLTYPE EndDraw(D2D1_TAG *tag1 = NULL, D2D1_TAG *tag2 = NULL) = 0;
  virtual D2D1_PIXEL_FORMAT STDMETHODCALLTYPE GetPixelFormat() const = 0;
  virtual void STDMETHODCALLTYPE SetDpi(FLOAT dpiX, FLOAT dpiY) = 0;
  virtual void STDMETHODCALLTYPE GetDpi(FLOAT *dpiX, FLOAT *dpiY) const = 0;
  virtual D2D1_SIZE_F STDMETHODCALLTYPE GetSize() const = 0;
  virtual D2D1_SIZE_U STDMETHODCALLTYPE GetPixelSize() const = 0;
  virtual UINT32 STDMETHODCALLTYPE GetMaximumBitmapSize() const = 0;

  // The published convenience forms, each forwarding to a method above.
  HRESULT CreateBitmap(D2D1_SIZE_U size, const void *srcData, UINT32 pitch,
                       const D2D1_BITMAP_PROPERTIES &bitmapProperties, ID2D1Bitmap **bitmap) {
    return CreateBitmap(size, srcData, pitch, &bitmapProperties, bitmap);
  }
  HRESULT CreateBitmap(D2D1_SIZE_U size, const D2D1_BITMAP_PROPERTIES &bitmapProperties, ID2D1Bitmap **bitmap) {
    return CreateBitmap(size, NULL, 0, &bitmapProperties, bitmap);
  }
  HRESULT CreateBitmapFromWicBitmap(IWICBitmapSource *wicBitmapSource, const D2D1_BITMAP_PROPERTIES &bitmapProperties,
                                    ID2D1Bitmap **bitmap) {
    return CreateBitmapFromWicBitmap(wicBitmapSource, &bitmapProperties, bitmap);
  }
  HRESULT CreateBitmapFromWicBitmap(IWICBitmapSource *wicBitmapSource, ID2D1Bitmap **bitmap) {
    return CreateBitmapFromWicBitmap(wicBitmapSource, NULL, bitmap);
  }
  HRESULT CreateBitmapBrush(ID2D1Bitmap *bitmap, ID2D1BitmapBrush **bitmapBrush) {
    return CreateBitmapBrush(bitmap, NULL, NULL, bitmapBrush);
  }
  HRESULT CreateBitmapBrush(ID2D1Bitmap *bitmap, const D2D1_BITMAP_BRUSH_PROPERTIES &bitmapBrushProperties,
                            ID2D1BitmapBrush **bitmapBrush) {
    return CreateBitmapBrush(bitmap, &bitmapBrushProperties, NULL, bitmapBrush);
  }
  HRESULT CreateBitmapBrush(ID2D1Bitmap *bitmap, const D2D1_BITMAP_BRUSH_PROPERTIES &bitmapBrushProperties,
                            const D2D1_BRUSH_PROPERTIES &brushProperties, ID2D1BitmapBrush **bitmapBrush) {
    return CreateBitmapBrush(bitmap, &bitmapBrushProperties, &brushProperties, bitmapBrush);
  }
  HRESULT CreateSolidColorBrush(const D2D1_COLOR_F &color, ID2D1SolidColorBrush **solidColorBrush) {
    return CreateSolidColorBrush(&color, NULL, solidColorBrush);
  }
  HRESULT CreateSolidColorBrush(const D2D1_COLOR_F &color, const D2D1_BRUSH_PROPERTIES &brushProperties,
                                ID2D1SolidColorBrush **solidColorBrush) {
    return CreateSolidColorBrush(&color, &brushProperties, solidColorBrush);
  }
  HRESULT CreateCompatibleRenderTarget(ID2D1BitmapRenderTarget **bitmapRenderTarget) {
    return CreateCompatibleRenderTarget(NULL, NULL, NULL, D2D1_COMPATIBLE_RENDER_TARGET_OPTIONS_NONE,
                                        bitmapRenderTarget);
  }
  HRESULT CreateCompatibleRenderTarget(D2D1_SIZE_F desiredSize, ID2D1BitmapRenderTarget **bitmapRenderTarget) {
    return CreateCompatibleRenderTarget(&desiredSize, NULL, NULL, D2D1_COMPATIBLE_RENDER_TARGET_OPTIONS_NONE,
                                        bitmapRenderTarget);
  }
  HRESULT CreateCompatibleRenderTarget(D2D1_SIZE_F desiredSize, D2D1_SIZE_U desiredPixelSize,
                                       ID2D1BitmapRenderTarget **bitmapRenderTarget) {
    return CreateCompatibleRenderTarget(&desiredSize, &desiredPixelSize, NULL,
                                        D2D1_COMPATIBLE_RENDER_TARGET_OPTIONS_NONE, bitmapRenderTarget);
  }
  HRESULT CreateCompatibleRenderTarget(D2D1_SIZE_F desiredSize, D2D1_SIZE_U desiredPixelSize,
                                       D2D1_PIXEL_FORMAT desiredFormat, ID2D1BitmapRenderTarget **bitmapRenderTarget) {
    return CreateCompatibleRenderTarget(&desiredSize, &desiredPixelSize, &desiredFormat,
                                        D2D1_COMPATIBLE_RENDER_TARGET_OPTIONS_NONE, bitmapRenderTarget);
  }
  HRESULT CreateCompatibleRenderTarget(D2D1_SIZE_F desiredSize, D2D1_SIZE_U desiredPixelSize,
                                       D2D1_PIXEL_FORMAT desiredFormat, D2D1_COMPATIBLE_RENDER_TARGET_OPTIONS options,
                                       ID2D1BitmapRenderTarget **bitmapRenderTarget) {
    return CreateCompatibleRenderTarget(&desiredSize, &desiredPixelSize, &desiredFormat, options, bitmapRenderTarget);
  }
  HRESULT CreateLayer(D2D1_SIZE_F size, ID2D1Layer **layer) { return CreateLayer(&size, layer); }
  HRESULT CreateLayer(ID2D1Layer **layer) { return CreateLayer(NULL, layer); }
  void FillRectangle(const D2D1_RECT_F &rect, ID2D1Brush *brush) { FillRectangle(&rect, brush); }
  void FillOpacityMask(ID2D1Bitmap *opacityMask, ID2D1Brush *brush, D2D1_OPACITY_MASK_CONTENT content,
                       const D2D1_RECT_F &destinationRectangle, const D2D1_RECT_F &sourceRectangle) {
    FillOpacityMask(opacityMask, brush, content, &destinationRectangle, &sourceRectangle);
  }
  void DrawBitmap(ID2D1Bitmap *bitmap, const D2D1_RECT_F &destinationRectangle, FLOAT opacity = 1.0f,
                  D2D1_BITMAP_INTERPOLATION_MODE interpolationMode = D2D1_BITMAP_INTERPOLATION_MODE_LINEAR,
                  const D2D1_RECT_F *sourceRectangle = NULL) {
    DrawBitmap(bitmap, &destinationRectangle, opacity, interpolationMode, sourceRectangle);
  }
  void DrawBitmap(ID2D1Bitmap *bitmap, const D2D1_RECT_F &destinationRectangle, FLOAT opacity,
                  D2D1_BITMAP_INTERPOLATION_MODE interpolationMode, const D2D1_RECT_F &sourceRectangle) {
    DrawBitmap(bitmap, &destinationRectangle, opacity, interpolationMode, &sourceRectangle);
  }
  void DrawText(const WCHAR *string, UINT stringLength, IDWriteTextFormat *textFormat, const D2D1_RECT_F &layoutRect,
                ID2D1Brush *defaultForegroundBrush, D2D1_DRAW_TEXT_OPTIONS options = D2D1_DRAW_TEXT_OPTIONS_NONE,
                DWRITE_MEASURING_MODE measuringMode = DWRITE_MEASURING_MODE_NATURAL) {
    DrawText(string, stringLength, textFormat, &layoutRect, defaultForegroundBrush, options, measuringMode);
  }
  void SetTransform(const D2D1_MATRIX_3X2_F &transform) { SetTransform(&transform); }
  void PushLayer(const D2D1_LAYER_PARAMETERS &layerParameters, ID2D1Layer *layer) {
    PushLayer(&layerParameters, layer);
  }
  void Clear(const D2D1_COLOR_F &clearColor) { Clear(&clearColor); }
};

struct ID2D1BitmapRenderTarget : public ID2D1RenderTarget {
  virtual HRESULT STDMETHODCALLTYPE GetBitmap(ID2D1Bitmap **bitmap) = 0;
};

struct ID2D1DCRenderTarget : public ID2D1RenderTarget {
  virtual HRESULT STDMETHODCALLTYPE BindDC(const HDC hDC, const RECT *pSubRect) = 0;
};

struct ID2D1HwndRenderTarget : public ID2D1RenderTarget {
  virtual D2D1_WINDOW_STATE STDMETHODCALLTYPE CheckWindowState() = 0;
  virtual HRESULT STDMETHODCALLTYPE Resize(const D2D1_SIZE_U *pixelSize) = 0;
  virtual HWND STDMETHODCALLTYPE GetHwnd() const = 0;

  HRESULT Resize(const D2D1_SIZE_U &pixelSize) { return Resize(&pixelSize); }
};

struct ID2D1Factory : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE ReloadSystemMetrics() = 0;
  virtual void STDMETHODCALLTYPE GetDesktopDpi(FLOAT *dpiX, FLOAT *dpiY) = 0;
  virtual HRESULT STDMETHODCALLTYPE
  CreateHwndRenderTarget(const D2D1_RENDER_TARGET_PROPERTIES *renderTargetProperties,
                         const D2D1_HWND_RENDER_TARGET_PROPERTIES *hwndRenderTargetProperties,
                         ID2D1HwndRenderTarget **hwndRenderTarget) = 0;
  virtual HRESULT STDMETHODCALLTYPE
  CreateDxgiSurfaceRenderTarget(IDXGISurface *dxgiSurface, const D2D1_RENDER_TARGET_PROPERTIES *renderTargetProperties,
                                ID2D1RenderTarget **renderTarget) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateDCRenderTarget(const D2D1_RENDER_TARGET_PROPERTIES *renderTargetProperties,
                                                         ID2D1DCRenderTarget **dcRenderTarget) = 0;

  HRESULT CreateHwndRenderTarget(const D2D1_RENDER_TARGET_PROPERTIES &renderTargetProperties,
                                 const D2D1_HWND_RENDER_TARGET_PROPERTIES &hwndRenderTargetProperties,
                                 ID2D1HwndRenderTarget **hwndRenderTarget) {
    return CreateHwndRenderTarget(&renderTargetProperties, &hwndRenderTargetProperties, hwndRenderTarget);
  }
  HRESULT CreateDxgiSurfaceRenderTarget(IDXGISurface *dxgiSurface,
                                        const D2D1_RENDER_TARGET_PROPERTIES &renderTargetProperties,
                                        ID2D1RenderTarget **renderTarget) {
    return CreateDxgiSurfaceRenderTarget(dxgiSurface, &renderTargetProperties, renderTarget);
  }
  HRESULT CreateDCRenderTarget(const D2D1_RENDER_TARGET_PROPERTIES &renderTargetProperties,
                               ID2D1DCRenderTarget **dcRenderTarget) {
    return CreateDCRenderTarget(&renderTargetProperties, dcRenderTarget);
  }
};

// ---------------------------------------------------------------------------------------
// Exports of D2D1.DLL
// ---------------------------------------------------------------------------------------

extern "C" {
// Creates the factory; only the single-threaded kind exists here.
HRESULT WINAPI D2D1CreateFactory(D2D1_FACTORY_TYPE factoryType, REFIID riid,
                                 const D2D1_FACTORY_OPTIONS *pFactoryOptions, void **ppIFactory);
// Rotation by angle degrees (clockwise on screen, y pointing down) about center.
void WINAPI D2D1MakeRotateMatrix(FLOAT angle, D2D1_POINT_2F center, D2D1_MATRIX_3X2_F *matrix);
}

inline HRESULT D2D1CreateFactory(D2D1_FACTORY_TYPE factoryType, REFIID riid, void **ppv) {
  return D2D1CreateFactory(factoryType, riid, NULL, ppv);
}
