// The methods every render target answers the same way, whatever its kind (bitmap or DC):
// each forwards to a procedure over the target's D2dTarget state. Every method that reads or
// writes pixels, except DrawBitmap (which may record its draw), first puts recorded draws on
// their surfaces.
#pragma once

#include "d2d_internal.h"

#include <type_traits>

// Layers (d2d_layers.cpp)
ID2D1Layer *D2dLayerCreate(ID2D1Factory *factory, const D2D1_SIZE_F *size);

// Resource creation shared by all targets (d2d_render_target.cpp)
HRESULT D2dCreateBitmap(D2dTarget *target, D2D1_SIZE_U size, const void *srcData, UINT32 pitch,
                        const D2D1_BITMAP_PROPERTIES *properties, ID2D1Bitmap **bitmap);
HRESULT D2dCreateBitmapFromWic(D2dTarget *target, IWICBitmapSource *source, const D2D1_BITMAP_PROPERTIES *properties,
                               ID2D1Bitmap **bitmap);
HRESULT D2dCreateBitmapBrush(D2dTarget *target, ID2D1Bitmap *bitmap,
                             const D2D1_BITMAP_BRUSH_PROPERTIES *bitmapProperties,
                             const D2D1_BRUSH_PROPERTIES *properties, ID2D1BitmapBrush **brush);
HRESULT D2dCreateSolidBrush(D2dTarget *target, const D2D1_COLOR_F *color, const D2D1_BRUSH_PROPERTIES *properties,
                            ID2D1SolidColorBrush **brush);
void D2dBeginDraw(D2dTarget *target);
HRESULT D2dEndDraw(D2dTarget *target, D2D1_TAG *tag1, D2D1_TAG *tag2);
// The recorded failure (S_OK when none) and its tags (0 when none); the record is cleared.
HRESULT D2dReportError(D2dTarget *target, D2D1_TAG *tag1, D2D1_TAG *tag2);

// Own: the identifier of Interface (ID2D1BitmapRenderTarget or ID2D1DCRenderTarget).
template <class Interface, const IID &Own>
struct D2dRenderTargetBase : public D2dResource<Interface, IID_ID2D1RenderTarget, Own> {
  D2dTarget target{};

  static constexpr bool IsDc = std::is_same_v<Interface, ID2D1DCRenderTarget>;

  ~D2dRenderTargetBase() override {
    D2dFlushDeferred();
    D2dTargetRelease(&target);
  }

  // Every creator calls this once: the target holds its factory and starts with the
  // format and DPI given, bound to no pixels.
  void Start(ID2D1Factory *maker, const D2D1_PIXEL_FORMAT &format, float dpiX, float dpiY) {
    this->HoldFactory(maker);
    D2dTargetInit(&target, maker, format, dpiX, dpiY);
  }

  HRESULT STDMETHODCALLTYPE CreateBitmap(D2D1_SIZE_U size, const void *srcData, UINT32 pitch,
                                         const D2D1_BITMAP_PROPERTIES *properties, ID2D1Bitmap **bitmap) override {
    return D2dCreateBitmap(&target, size, srcData, pitch, properties, bitmap);
  }
  HRESULT STDMETHODCALLTYPE CreateBitmapFromWicBitmap(IWICBitmapSource *source,
                                                      const D2D1_BITMAP_PROPERTIES *properties,
                                                      ID2D1Bitmap **bitmap) override {
    return D2dCreateBitmapFromWic(&target, source, properties, bitmap);
  }
  HRESULT STDMETHODCALLTYPE CreateBitmapBrush(ID2D1Bitmap *bitmap, const D2D1_BITMAP_BRUSH_PROPERTIES *bitmapProperties,
                                              const D2D1_BRUSH_PROPERTIES *properties,
                                              ID2D1BitmapBrush **brush) override {
    return D2dCreateBitmapBrush(&target, bitmap, bitmapProperties, properties, brush);
  }
  HRESULT STDMETHODCALLTYPE CreateSolidColorBrush(const D2D1_COLOR_F *color, const D2D1_BRUSH_PROPERTIES *properties,
                                                  ID2D1SolidColorBrush **brush) override {
    return D2dCreateSolidBrush(&target, color, properties, brush);
  }
  HRESULT STDMETHODCALLTYPE CreateCompatibleRenderTarget(const D2D1_SIZE_F *desiredSize,
                                                         const D2D1_SIZE_U *desiredPixelSize,
                                                         const D2D1_PIXEL_FORMAT *desiredFormat,
                                                         D2D1_COMPATIBLE_RENDER_TARGET_OPTIONS,
                                                         ID2D1BitmapRenderTarget **result) override {
    return D2dCreateCompatibleTarget(&target, desiredSize, desiredPixelSize, desiredFormat, result);
  }
  HRESULT STDMETHODCALLTYPE CreateLayer(const D2D1_SIZE_F *size, ID2D1Layer **layer) override {
    if (layer == nullptr) return E_POINTER;
    *layer = D2dLayerCreate(target.factory, size);
    return *layer != nullptr ? S_OK : E_OUTOFMEMORY;
  }

  void STDMETHODCALLTYPE FillRectangle(const D2D1_RECT_F *rect, ID2D1Brush *brush) override {
    D2dFlushDeferred();
    D2dFillRectangle(&target, rect, brush);
  }
  void STDMETHODCALLTYPE FillOpacityMask(ID2D1Bitmap *mask, ID2D1Brush *brush, D2D1_OPACITY_MASK_CONTENT content,
                                         const D2D1_RECT_F *destinationRectangle,
                                         const D2D1_RECT_F *sourceRectangle) override {
    D2dFlushDeferred();
    D2dFillOpacityMask(&target, mask, brush, content, destinationRectangle, sourceRectangle);
  }
  void STDMETHODCALLTYPE DrawBitmap(ID2D1Bitmap *bitmap, const D2D1_RECT_F *destinationRectangle, FLOAT opacity,
                                    D2D1_BITMAP_INTERPOLATION_MODE interpolation,
                                    const D2D1_RECT_F *sourceRectangle) override {
    D2dDrawBitmap(&target, bitmap, destinationRectangle, opacity, interpolation, sourceRectangle);
  }
  // No text formats exist on Linux (DirectWrite makes none), so there is nothing to draw;
  // the call still counts as drawing for the target's state.
  void STDMETHODCALLTYPE DrawText(const WCHAR *, UINT, IDWriteTextFormat *, const D2D1_RECT_F *, ID2D1Brush *,
                                  D2D1_DRAW_TEXT_OPTIONS, DWRITE_MEASURING_MODE) override {
    D2dMayDraw(&target);
  }

  void STDMETHODCALLTYPE SetTransform(const D2D1_MATRIX_3X2_F *transform) override {
    if (transform != nullptr) D2dTargetSetTransform(&target, *transform);
  }
  void STDMETHODCALLTYPE GetTransform(D2D1_MATRIX_3X2_F *transform) const override {
    if (transform != nullptr) *transform = target.transform;
  }
  // A Set call with a value outside its enumeration does nothing.
  void STDMETHODCALLTYPE SetAntialiasMode(D2D1_ANTIALIAS_MODE mode) override {
    if (mode == D2D1_ANTIALIAS_MODE_PER_PRIMITIVE || mode == D2D1_ANTIALIAS_MODE_ALIASED) target.antialias = mode;
  }
  D2D1_ANTIALIAS_MODE STDMETHODCALLTYPE GetAntialiasMode() const override { return target.antialias; }
  void STDMETHODCALLTYPE SetTextAntialiasMode(D2D1_TEXT_ANTIALIAS_MODE mode) override {
    if (static_cast<uint32_t>(mode) <= D2D1_TEXT_ANTIALIAS_MODE_ALIASED) target.textAntialias = mode;
  }
  D2D1_TEXT_ANTIALIAS_MODE STDMETHODCALLTYPE GetTextAntialiasMode() const override { return target.textAntialias; }
  void STDMETHODCALLTYPE SetTextRenderingParams(IDWriteRenderingParams *) override {}
  void STDMETHODCALLTYPE GetTextRenderingParams(IDWriteRenderingParams **params) const override {
    if (params != nullptr) *params = nullptr;
  }
  void STDMETHODCALLTYPE SetTags(D2D1_TAG tag1, D2D1_TAG tag2) override {
    target.tag1 = tag1;
    target.tag2 = tag2;
  }
  void STDMETHODCALLTYPE GetTags(D2D1_TAG *tag1, D2D1_TAG *tag2) const override {
    if (tag1 != nullptr) *tag1 = target.tag1;
    if (tag2 != nullptr) *tag2 = target.tag2;
  }
  void STDMETHODCALLTYPE PushLayer(const D2D1_LAYER_PARAMETERS *parameters, ID2D1Layer *) override {
    D2dFlushDeferred();
    D2dPushLayer(&target, parameters);
  }
  void STDMETHODCALLTYPE PopLayer() override {
    D2dFlushDeferred();
    D2dPopLayer(&target);
  }
  // Flush reports the first failure since the last EndDraw or Flush and clears it, so
  // drawing can go on.
  HRESULT STDMETHODCALLTYPE Flush(D2D1_TAG *tag1, D2D1_TAG *tag2) override {
    D2dFlushDeferred();
    if constexpr (IsDc) D2dDcTargetFlush(this);
    return D2dReportError(&target, tag1, tag2);
  }
  void STDMETHODCALLTYPE Clear(const D2D1_COLOR_F *color) override {
    D2dFlushDeferred();
    D2dClear(&target, color);
  }
  void STDMETHODCALLTYPE BeginDraw() override {
    D2dFlushDeferred();
    if constexpr (IsDc) D2dDcTargetBeginDraw(this);
    D2dBeginDraw(&target);
  }
  HRESULT STDMETHODCALLTYPE EndDraw(D2D1_TAG *tag1, D2D1_TAG *tag2) override {
    D2dFlushDeferred();
    if constexpr (IsDc) return D2dDcTargetEndDraw(this, tag1, tag2);
    return D2dEndDraw(&target, tag1, tag2);
  }
  D2D1_PIXEL_FORMAT STDMETHODCALLTYPE GetPixelFormat() const override { return target.format; }
  void STDMETHODCALLTYPE SetDpi(FLOAT dpiX, FLOAT dpiY) override { D2dTargetSetDpi(&target, dpiX, dpiY); }
  void STDMETHODCALLTYPE GetDpi(FLOAT *dpiX, FLOAT *dpiY) const override {
    if (dpiX != nullptr) *dpiX = target.dpiX;
    if (dpiY != nullptr) *dpiY = target.dpiY;
  }
  D2D1_SIZE_F STDMETHODCALLTYPE GetSize() const override {
    return D2D1_SIZE_F{target.surface.width * 96.0f / target.dpiX, target.surface.height * 96.0f / target.dpiY};
  }
  D2D1_SIZE_U STDMETHODCALLTYPE GetPixelSize() const override {
    return D2D1_SIZE_U{static_cast<UINT32>(target.surface.width), static_cast<UINT32>(target.surface.height)};
  }
  UINT32 STDMETHODCALLTYPE GetMaximumBitmapSize() const override { return D2dMaxBitmapSide; }

  using ID2D1RenderTarget::Clear;
  using ID2D1RenderTarget::CreateBitmap;
  using ID2D1RenderTarget::CreateBitmapBrush;
  using ID2D1RenderTarget::CreateBitmapFromWicBitmap;
  using ID2D1RenderTarget::CreateCompatibleRenderTarget;
  using ID2D1RenderTarget::CreateLayer;
  using ID2D1RenderTarget::CreateSolidColorBrush;
  using ID2D1RenderTarget::DrawBitmap;
  using ID2D1RenderTarget::DrawText;
  using ID2D1RenderTarget::FillOpacityMask;
  using ID2D1RenderTarget::FillRectangle;
  using ID2D1RenderTarget::PushLayer;
  using ID2D1RenderTarget::SetTransform;
};
