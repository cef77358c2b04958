// ID2D1SolidColorBrush and ID2D1BitmapBrush: the state a fill reads when it paints.
#include "d2d_internal.h"

#include <new>

namespace {

void InitState(D2dBrushState *state, D2dBrushKind kind, const D2D1_BRUSH_PROPERTIES *properties) {
  *state = D2dBrushState{};
  state->kind = kind;
  state->opacity = properties != nullptr ? properties->opacity : 1.0f;
  state->transform = properties != nullptr ? properties->transform : D2dIdentity();
  state->extendX = D2D1_EXTEND_MODE_CLAMP;
  state->extendY = D2D1_EXTEND_MODE_CLAMP;
  state->interpolation = D2D1_BITMAP_INTERPOLATION_MODE_LINEAR;
}

bool ValidExtend(D2D1_EXTEND_MODE mode) { return static_cast<uint32_t>(mode) <= D2D1_EXTEND_MODE_MIRROR; }

bool ValidInterpolation(D2D1_BITMAP_INTERPOLATION_MODE mode) {
  return mode == D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR || mode == D2D1_BITMAP_INTERPOLATION_MODE_LINEAR;
}

// The parts every brush has: opacity and transform, in the state a fill reads.
template <class Interface, const IID &Own> struct D2dBrushBase : public D2dResource<Interface, IID_ID2D1Brush, Own> {
  D2dBrushState state{};

  void STDMETHODCALLTYPE SetOpacity(FLOAT opacity) override { state.opacity = opacity; }
  void STDMETHODCALLTYPE SetTransform(const D2D1_MATRIX_3X2_F *transform) override {
    if (transform != nullptr) state.transform = *transform;
  }
  using ID2D1Brush::SetTransform;
  FLOAT STDMETHODCALLTYPE GetOpacity() const override { return state.opacity; }
  void STDMETHODCALLTYPE GetTransform(D2D1_MATRIX_3X2_F *transform) const override {
    if (transform != nullptr) *transform = state.transform;
  }
};

} // namespace

struct D2dSolidBrush final : public D2dBrushBase<ID2D1SolidColorBrush, IID_ID2D1SolidColorBrush> {
  using ID2D1SolidColorBrush::SetColor;

  void STDMETHODCALLTYPE SetColor(const D2D1_COLOR_F *color) override {
    if (color != nullptr) state.color = *color;
  }
  D2D1_COLOR_F STDMETHODCALLTYPE GetColor() const override { return state.color; }
};

struct D2dBitmapBrush final : public D2dBrushBase<ID2D1BitmapBrush, IID_ID2D1BitmapBrush> {
  ~D2dBitmapBrush() override {
    if (state.bitmap != nullptr) D2dBitmapInterface(state.bitmap)->Release();
  }
  // A Set call with a value outside its enumeration does nothing.
  void STDMETHODCALLTYPE SetExtendModeX(D2D1_EXTEND_MODE mode) override {
    if (ValidExtend(mode)) state.extendX = mode;
  }
  void STDMETHODCALLTYPE SetExtendModeY(D2D1_EXTEND_MODE mode) override {
    if (ValidExtend(mode)) state.extendY = mode;
  }
  void STDMETHODCALLTYPE SetInterpolationMode(D2D1_BITMAP_INTERPOLATION_MODE mode) override {
    if (ValidInterpolation(mode)) state.interpolation = mode;
  }
  void STDMETHODCALLTYPE SetBitmap(ID2D1Bitmap *bitmap) override {
    // A bitmap of another implementation cannot be painted; the brush then paints nothing.
    D2dBitmap *ours = D2dBitmapFrom(bitmap);
    if (ours != nullptr) D2dBitmapInterface(ours)->AddRef();
    if (state.bitmap != nullptr) D2dBitmapInterface(state.bitmap)->Release();
    state.bitmap = ours;
  }
  D2D1_EXTEND_MODE STDMETHODCALLTYPE GetExtendModeX() const override { return state.extendX; }
  D2D1_EXTEND_MODE STDMETHODCALLTYPE GetExtendModeY() const override { return state.extendY; }
  D2D1_BITMAP_INTERPOLATION_MODE STDMETHODCALLTYPE GetInterpolationMode() const override { return state.interpolation; }
  void STDMETHODCALLTYPE GetBitmap(ID2D1Bitmap **bitmap) const override {
    if (bitmap == nullptr) return;
    *bitmap = state.bitmap != nullptr ? D2dBitmapInterface(state.bitmap) : nullptr;
    if (*bitmap != nullptr) (*bitmap)->AddRef();
  }
};

ID2D1SolidColorBrush *D2dSolidBrushCreate(ID2D1Factory *factory, const D2D1_COLOR_F &color,
                                          const D2D1_BRUSH_PROPERTIES *properties) {
  D2dSolidBrush *brush = new (std::nothrow) D2dSolidBrush;
  if (brush == nullptr) return nullptr;
  brush->HoldFactory(factory);
  InitState(&brush->state, D2dBrushKind::Solid, properties);
  brush->state.color = color;
  return brush;
}

bool D2dValidBitmapBrushProperties(const D2D1_BITMAP_BRUSH_PROPERTIES *properties) {
  return properties == nullptr || (ValidExtend(properties->extendModeX) && ValidExtend(properties->extendModeY) &&
                                   ValidInterpolation(properties->interpolationMode));
}

ID2D1BitmapBrush *D2dBitmapBrushCreate(ID2D1Factory *factory, D2dBitmap *bitmap,
                                       const D2D1_BITMAP_BRUSH_PROPERTIES *bitmapProperties,
                                       const D2D1_BRUSH_PROPERTIES *properties) {
  D2dBitmapBrush *brush = new (std::nothrow) D2dBitmapBrush;
  if (brush == nullptr) return nullptr;
  brush->HoldFactory(factory);
  InitState(&brush->state, D2dBrushKind::Bitmap, properties);
  if (bitmapProperties != nullptr) {
    brush->SetExtendModeX(bitmapProperties->extendModeX);
    brush->SetExtendModeY(bitmapProperties->extendModeY);
    brush->SetInterpolationMode(bitmapProperties->interpolationMode);
  }
  if (bitmap != nullptr) brush->SetBitmap(D2dBitmapInterface(bitmap));
  return brush;
}

const D2dBrushState *D2dBrushStateOf(ID2D1Brush *brush) {
  if (D2dSolidBrush *solid = D2dExact<D2dSolidBrush>(brush)) return &solid->state;
  if (D2dBitmapBrush *bitmap = D2dExact<D2dBitmapBrush>(brush)) return &bitmap->state;
  return nullptr;
}
