// What the pieces of the Linux Direct2D share: surfaces, matrices, brush and target state,
// and the procedures each file supplies to the others.
//
// Pixels are premultiplied BGRA in memory, one uint32_t each (pixman's a8r8g8b8 on a
// little-endian machine).
//
// Geometry. Rectangles given with their edges out of order (left > right, top > bottom)
// are taken with their edges in order, as Direct2D sorts them. In aliased mode a pixel
// (x, y) is covered when its centre (x + 0.5, y + 0.5) lies inside the shape, left and top
// edges inclusive, right and bottom edges exclusive: for a device-space span [a, b) the
// columns ceil(a - 0.5) .. ceil(b - 0.5) - 1. In the default per-primitive mode the fills
// and bitmap draws of axis-aligned rectangles cover each pixel by the share of its area
// inside the rectangle (D2dCoverage). Shapes that rotate or skew, layer content bounds and
// opacity masks keep the pixel-centre rule in both modes.
#pragma once

#include <d2d1.h>
#include <pixman.h>

// Every object here is a COM object on the platform's one COM base.
#include "com/com_object.h"

#include <atomic>
#include <cstdint>
#include <typeinfo>
#include <utility>
#include <vector>

// ---------------------------------------------------------------------------------------
// Types
// ---------------------------------------------------------------------------------------

// The longest side of a bitmap or render target (what GetMaximumBitmapSize answers).
constexpr UINT32 D2dMaxBitmapSide = 16384;

// A rectangle of whole pixels, [x0, x1) x [y0, y1); empty when x0 >= x1 or y0 >= y1.
struct D2dBox {
  int x0, y0, x1, y1;
};

// 32-bit premultiplied pixels that drawing reads or writes. `image` wraps the same memory
// for pixman and is made on demand (null for an empty surface).
struct D2dSurface {
  uint32_t *pixels;
  int width;
  int height;
  int stride; // in pixels, >= width
  pixman_image_t *image;
};

// Everything a brush paints with; the two brush interfaces keep one of these.
enum class D2dBrushKind : uint8_t { Solid, Bitmap };
struct D2dBitmap;
struct D2dBrushState {
  D2dBrushKind kind;
  float opacity;
  D2D1_MATRIX_3X2_F transform;
  D2D1_COLOR_F color;                           // solid brushes
  D2dBitmap *bitmap;                            // bitmap brushes; one reference held
  D2D1_EXTEND_MODE extendX, extendY;            // bitmap brushes
  D2D1_BITMAP_INTERPOLATION_MODE interpolation; // bitmap brushes
};

// One pushed layer. Its pixels live in a buffer as large as the target, at the target's
// own coordinates, so drawing inside a layer needs no offsets; buffers stay allocated
// between frames and only the layer's box is cleared and composed.
struct D2dLayerLevel {
  std::vector<uint32_t> buffer;
  D2dSurface surface;
  D2dBox box; // where the layer's content may go (already clipped by its parent)
  float opacity;
  ID2D1Brush *opacityBrush;      // one reference held while pushed, else null
  D2D1_MATRIX_3X2_F brushDevice; // device transform in force at the push
};

// The source indices last made for scaled draws of whole pixels along one axis, kept so that
// the next draw of the same scale shares them (index k of the draw: floor(origin + (k + 0.5) *
// scale) clamped to [lo, hi]).
struct D2dIndexMemo {
  double scale = 0.0, origin = 0.0;
  int64_t lo = 0, hi = 0;
  int count = 0;
  uint64_t tag = 0; // 0: nothing made yet
  std::vector<int32_t> values;
};

// The state every render target keeps, whatever kind it is.
struct D2dTarget {
  ID2D1Factory *factory; // the target object's factory (the object holds the reference)
  D2dSurface surface;    // the target's own pixels (empty until a DC is bound)
  D2D1_PIXEL_FORMAT format;
  D2D1_MATRIX_3X2_F transform; // world transform as the caller set it
  D2D1_MATRIX_3X2_F device;    // world transform followed by the DPI scale
  float dpiX, dpiY;
  D2D1_ANTIALIAS_MODE antialias;
  D2D1_TEXT_ANTIALIAS_MODE textAntialias;
  D2D1_TAG tag1, tag2;
  bool drawing;
  HRESULT error;                     // the first failure since the last EndDraw or Flush, else S_OK
  D2D1_TAG errorTag1, errorTag2;     // the tags in force when it happened
  std::vector<D2dLayerLevel> levels; // grows to the deepest nesting seen, never shrinks
  size_t depth;                      // layers pushed now
  std::vector<int32_t> columns;      // scratch: source columns of a nearest-neighbour draw
  std::vector<int32_t> rows;         // scratch: source rows of a nearest-neighbour draw
  D2dIndexMemo columnMemo, rowMemo;  // shared tables of scaled whole-pixel draws
  std::vector<uint32_t> maskScratch; // scratch for opacity-brush masks
  D2dSurface maskSurface;            // over maskScratch
};

// ---------------------------------------------------------------------------------------
// Object identity
// ---------------------------------------------------------------------------------------

// The object behind an interface pointer when it is exactly of type T, else null. Only
// this Direct2D makes these objects, but a foreign or null pointer must not be trusted.
template <class T, class I> T *D2dExact(I *object) {
  if (object == nullptr || typeid(*object) != typeid(T)) return nullptr;
  return static_cast<T *>(object);
}

// A Direct2D resource: a COM object that also hands out the factory that made it, holding
// one reference on it. Answers: the resource's own interface identifiers, ID2D1Resource
// aside.
template <class Interface, const IID &...Answers>
struct D2dResource : public ComObject<Interface, IID_ID2D1Resource, Answers...> {
  ID2D1Factory *factory = nullptr;

  ~D2dResource() override {
    if (factory != nullptr) factory->Release();
  }
  void STDMETHODCALLTYPE GetFactory(ID2D1Factory **result) const override {
    if (result == nullptr) return;
    factory->AddRef();
    *result = factory;
  }
  // Every creator calls this once, with the factory it was made by.
  void HoldFactory(ID2D1Factory *maker) {
    maker->AddRef();
    factory = maker;
  }
};

// ---------------------------------------------------------------------------------------
// Deferred draws (d2d_batch.cpp)
// ---------------------------------------------------------------------------------------

// True while DrawBitmap has recorded draws that are not yet on their surface.
extern std::atomic<bool> D2dDeferredPending;
void D2dFlushDeferredNow();
// Puts every recorded draw on its surface. Every entry point that reads or writes pixels
// (other than the recorded draw itself) calls this first; it costs one load when nothing is
// recorded.
inline void D2dFlushDeferred() {
  if (D2dDeferredPending.load(std::memory_order_acquire)) D2dFlushDeferredNow();
}

// ---------------------------------------------------------------------------------------
// Matrices (d2d_matrix.cpp)
// ---------------------------------------------------------------------------------------

D2D1_MATRIX_3X2_F D2dIdentity();
// a then b, in Direct2D's row-vector order.
D2D1_MATRIX_3X2_F D2dMultiply(const D2D1_MATRIX_3X2_F &a, const D2D1_MATRIX_3X2_F &b);
bool D2dInvert(const D2D1_MATRIX_3X2_F &m, D2D1_MATRIX_3X2_F *inverse);
// pixman's transform of a source placed by sourceToDevice: pixman maps destination pixel
// centres into the source, so it is the inverse. False when that has no inverse or does not
// fit pixman's fixed point.
bool D2dPixmanSourceTransform(const D2D1_MATRIX_3X2_F &sourceToDevice, pixman_transform *t);
// True for scales and translations only (no rotation or skew) with positive scales.
bool D2dIsAxisAligned(const D2D1_MATRIX_3X2_F &m);
D2D1_POINT_2F D2dTransformPoint(const D2D1_MATRIX_3X2_F &m, float x, float y);

// ---------------------------------------------------------------------------------------
// Surfaces and boxes (d2d_surface.cpp)
// ---------------------------------------------------------------------------------------

D2dBox D2dIntersect(const D2dBox &a, const D2dBox &b);
inline bool D2dEmpty(const D2dBox &b) { return b.x0 >= b.x1 || b.y0 >= b.y1; }
// The pixels whose centres lie in [left, right) x [top, bottom), clamped to +-2^30.
D2dBox D2dCoveredBox(double left, double top, double right, double bottom);
// The bounding box, by the pixel-centre rule, of a rectangle under a transform.
D2dBox D2dTransformedBox(const D2D1_RECT_F &rect, const D2D1_MATRIX_3X2_F &m);
// The rectangle with left <= right and top <= bottom (NaN edges stay as they are).
inline D2D1_RECT_F D2dOrdered(D2D1_RECT_F r) {
  if (r.left > r.right) std::swap(r.left, r.right);
  if (r.top > r.bottom) std::swap(r.top, r.bottom);
  return r;
}
// Points the surface at memory; width or height 0 makes an empty surface.
void D2dSurfaceSet(D2dSurface *surface, uint32_t *pixels, int width, int height, int stride);
void D2dSurfaceRelease(D2dSurface *surface);
// Makes *surface a surface the size of `like` over *buffer, growing the buffer when it is too
// small; the memory is kept for later frames. False, leaving both as they were, when the
// buffer cannot grow.
bool D2dScratchSurface(std::vector<uint32_t> *buffer, D2dSurface *surface, const D2dSurface &like);
// The pixman image over the surface, made on first use; null for an empty surface.
pixman_image_t *D2dSurfaceImage(D2dSurface *surface);
inline uint32_t *D2dRow(const D2dSurface &s, int y) { return s.pixels + static_cast<ptrdiff_t>(y) * s.stride; }
// Surfaces of this alpha mode are opaque whatever is drawn: their alpha is taken as 255.
inline bool D2dIgnoresAlpha(const D2D1_PIXEL_FORMAT &format) { return format.alphaMode == D2D1_ALPHA_MODE_IGNORE; }
// The pixel formats bitmaps and targets are made in: premultiplied BGRA, or BGRA whose alpha
// is ignored (kept at 255).
inline bool D2dSupportedFormat(const D2D1_PIXEL_FORMAT &format) {
  return format.format == DXGI_FORMAT_B8G8R8A8_UNORM &&
         (format.alphaMode == D2D1_ALPHA_MODE_PREMULTIPLIED || D2dIgnoresAlpha(format));
}
// Sets the alpha of the box's pixels to 255.
void D2dMakeOpaque(D2dSurface *surface, const D2dBox &box);
// Premultiplied pixel of a colour with its alpha multiplied by opacity.
uint32_t D2dPremultiply(const D2D1_COLOR_F &color, float opacity);
// 0..255 from a 0..1 opacity.
uint32_t D2dOpacity8(float opacity);
// Rounded a * b / 255 for a, b in 0..255: an opacity times a coverage.
inline uint32_t D2dMul8(uint32_t a, uint32_t b) { return (a * b + 127) / 255; }

// How an axis-aligned device-space rectangle covers pixels. `box` holds every pixel it
// touches (not clipped); the first and last of its columns and rows may be covered in part
// (share of the pixel's width or height, 0..1), the ones between are covered whole. A pixel
// is covered by the product of its column's and its row's shares, as 0..255.
struct D2dCoverage {
  D2dBox box;
  double firstColumn, lastColumn, firstRow, lastRow;
};
// By the share of each pixel's area inside [left, right) x [top, bottom) when antialiased,
// else by the pixel-centre rule (every share 1). Empty for a NaN edge.
D2dCoverage D2dCover(double left, double top, double right, double bottom, bool antialiased);
// 0..255 coverage of a pixel whose column and row have these shares.
inline uint32_t D2dCoverage8(double columnShare, double rowShare) {
  return static_cast<uint32_t>(columnShare * rowShare * 255.0 + 0.5);
}
// Calls paint(part, coverage8) for each part of the covered pixels inside `clip` that is
// covered alike: at most nine boxes (corners, edges, inside), parts of coverage 0 left out.
template <class Paint> void D2dForEachCoveredPart(const D2dCoverage &c, const D2dBox &clip, Paint &&paint) {
  struct Span {
    int from, to;
    double share;
  };
  auto spans = [](int from, int to, double first, double last, Span out[3]) {
    if (from + 1 == to) {
      out[0] = Span{from, to, first};
      return 1;
    }
    int n = 0;
    // Whole shares at the ends join the middle span.
    int inner0 = first == 1.0 ? from : from + 1, inner1 = last == 1.0 ? to : to - 1;
    if (inner0 != from) out[n++] = Span{from, from + 1, first};
    if (inner1 > inner0) out[n++] = Span{inner0, inner1, 1.0};
    if (inner1 != to) out[n++] = Span{to - 1, to, last};
    return n;
  };
  if (D2dEmpty(c.box)) return;
  Span columns[3], rows[3];
  int nc = spans(c.box.x0, c.box.x1, c.firstColumn, c.lastColumn, columns);
  int nr = spans(c.box.y0, c.box.y1, c.firstRow, c.lastRow, rows);
  for (int r = 0; r < nr; ++r)
    for (int k = 0; k < nc; ++k) {
      D2dBox part = D2dIntersect(D2dBox{columns[k].from, rows[r].from, columns[k].to, rows[r].to}, clip);
      uint32_t coverage8 = D2dCoverage8(columns[k].share, rows[r].share);
      if (!D2dEmpty(part) && coverage8 > 0) paint(part, coverage8);
    }
}

// ---------------------------------------------------------------------------------------
// Bitmaps (d2d_bitmap.cpp)
// ---------------------------------------------------------------------------------------

// Creates a bitmap of the given pixel size (transparent black, or opaque black when its
// format ignores alpha), one reference for the caller. Null when the memory cannot be had.
D2dBitmap *D2dBitmapCreate(ID2D1Factory *factory, UINT32 width, UINT32 height, const D2D1_PIXEL_FORMAT &format,
                           float dpiX, float dpiY);
// The bitmap's pixels as they are now: recorded draws may still be pending (call
// D2dFlushDeferred() before reading them from outside a drawing call).
D2dSurface *D2dBitmapSurface(D2dBitmap *bitmap);
// After pixels were written into the box of a bitmap from outside: a bitmap that ignores
// alpha makes them opaque.
void D2dBitmapStored(D2dBitmap *bitmap, const D2dBox &box);
void D2dBitmapDpi(const D2dBitmap *bitmap, float *dpiX, float *dpiY);
ID2D1Bitmap *D2dBitmapInterface(D2dBitmap *bitmap);
D2dBitmap *D2dBitmapFrom(ID2D1Bitmap *bitmap);

// ---------------------------------------------------------------------------------------
// Brushes (d2d_brushes.cpp)
// ---------------------------------------------------------------------------------------

ID2D1SolidColorBrush *D2dSolidBrushCreate(ID2D1Factory *factory, const D2D1_COLOR_F &color,
                                          const D2D1_BRUSH_PROPERTIES *properties);
// False when a bitmap brush's properties hold a value outside its enumeration.
bool D2dValidBitmapBrushProperties(const D2D1_BITMAP_BRUSH_PROPERTIES *properties);
ID2D1BitmapBrush *D2dBitmapBrushCreate(ID2D1Factory *factory, D2dBitmap *bitmap,
                                       const D2D1_BITMAP_BRUSH_PROPERTIES *bitmapProperties,
                                       const D2D1_BRUSH_PROPERTIES *properties);
// The state behind a brush of this Direct2D, or null.
const D2dBrushState *D2dBrushStateOf(ID2D1Brush *brush);

// ---------------------------------------------------------------------------------------
// Render targets (d2d_render_target.cpp, d2d_bitmap_target.cpp, d2d_dc_target.cpp)
// ---------------------------------------------------------------------------------------

void D2dTargetInit(D2dTarget *target, ID2D1Factory *factory, const D2D1_PIXEL_FORMAT &format, float dpiX, float dpiY);
void D2dTargetRelease(D2dTarget *target);
// The state behind a render target of this Direct2D, or null. Recorded draws are put on
// their surfaces first, so the caller may read the target's pixels.
D2dTarget *D2dTargetOf(ID2D1RenderTarget *target);
// Where drawing goes now: the innermost layer, or the target's own pixels.
D2dSurface *D2dDrawSurface(D2dTarget *target);
// The pixels drawing may touch now: the target clipped by every pushed layer.
D2dBox D2dClipBox(const D2dTarget *target);
void D2dTargetSetDpi(D2dTarget *target, float dpiX, float dpiY);
// The error model of drawing calls: a call that fails (an invalid argument, a call in the
// wrong state) draws nothing and records its error; the first one recorded is kept, with
// the tags in force, until EndDraw or Flush reports it, and nothing is drawn meanwhile.
void D2dFail(D2dTarget *target, HRESULT error);
// True when a drawing call may draw: after BeginDraw, with no failure recorded. A drawing
// call outside BeginDraw/EndDraw fails with D2DERR_NOT_INITIALIZED.
bool D2dMayDraw(D2dTarget *target);
void D2dTargetSetTransform(D2dTarget *target, const D2D1_MATRIX_3X2_F &transform);

void D2dClear(D2dTarget *target, const D2D1_COLOR_F *color);
void D2dFillRectangle(D2dTarget *target, const D2D1_RECT_F *rect, ID2D1Brush *brush);
void D2dDrawBitmap(D2dTarget *target, ID2D1Bitmap *bitmap, const D2D1_RECT_F *destRect, float opacity,
                   D2D1_BITMAP_INTERPOLATION_MODE interpolation, const D2D1_RECT_F *sourceRect);
void D2dFillOpacityMask(D2dTarget *target, ID2D1Bitmap *mask, ID2D1Brush *brush, D2D1_OPACITY_MASK_CONTENT content,
                        const D2D1_RECT_F *destRect, const D2D1_RECT_F *sourceRect);
void D2dPushLayer(D2dTarget *target, const D2D1_LAYER_PARAMETERS *parameters);
void D2dPopLayer(D2dTarget *target);
// Pops what is still pushed; true when something was.
bool D2dPopAllLayers(D2dTarget *target);
// Forgets what is still pushed without composing it.
void D2dDropLayers(D2dTarget *target);

// Creates a bitmap render target compatible with a parent target, one reference for the caller.
HRESULT D2dCreateCompatibleTarget(D2dTarget *parent, const D2D1_SIZE_F *desiredSize,
                                  const D2D1_SIZE_U *desiredPixelSize, const D2D1_PIXEL_FORMAT *desiredFormat,
                                  ID2D1BitmapRenderTarget **result);
HRESULT D2dCreateDcTarget(ID2D1Factory *factory, const D2D1_RENDER_TARGET_PROPERTIES *properties,
                          ID2D1DCRenderTarget **result);
// BeginDraw of a DC target: the bound rectangle is read from the device context.
void D2dDcTargetBeginDraw(ID2D1RenderTarget *target);
// EndDraw of a DC target: D2dEndDraw, failing when no DC is bound, then the bound rectangle
// written back whole.
HRESULT D2dDcTargetEndDraw(ID2D1RenderTarget *target, D2D1_TAG *tag1, D2D1_TAG *tag2);
// Flush of a DC target: what was drawn so far goes to the device context.
void D2dDcTargetFlush(ID2D1RenderTarget *target);

// ---------------------------------------------------------------------------------------
// Composition (d2d_compose.cpp, d2d_brush_sampler.cpp)
// ---------------------------------------------------------------------------------------

// The pixels of a rectangle under a rotating or skewing transform, by the pixel-centre
// rule, limited to `within`. The caller finishes the region.
void D2dQuadRegion(const D2D1_RECT_F &rect, const D2D1_MATRIX_3X2_F &m, const D2dBox &within,
                   pixman_region32_t *region);
// Paints a brush over the pixels of `area` (device pixels, already clipped) of dst with
// source-over, its opacity multiplied by `opacity`, then by coverage8 / 255 (the pixels'
// share in an antialiased edge). `clip` (null: none) limits the painting further to a
// region, for shapes that are not axis-aligned boxes.
void D2dPaintBrush(D2dSurface *dst, const D2dBox &area, const pixman_region32_t *clip, const D2dBrushState &brush,
                   const D2D1_MATRIX_3X2_F &device, float opacity, uint32_t coverage8);
// Replaces the pixels of area with the brush's colour times opacity (no blending): the
// opacity mask of a layer.
void D2dRenderBrushMask(D2dSurface *dst, const D2dBox &area, const D2dBrushState &brush,
                        const D2D1_MATRIX_3X2_F &device, float opacity);
// Paints a bitmap-brush with per-axis extend modes through our own sampler (pixman has
// one repeat mode for both axes).
void D2dSampleBitmapBrush(D2dSurface *dst, const D2dBox &area, const pixman_region32_t *clip,
                          const D2dBrushState &brush, const D2D1_MATRIX_3X2_F &device, uint32_t opacity8, bool replace);
// Paints a bilinear bitmap brush (one extend mode both ways) whose source transform (pixman's,
// device pixel to bitmap pixel) rotates or skews, source-over with opacity8, exactly as
// pixman's composite would (d2d_affine_fill.cpp). False, painting nothing, for the fills it
// does not take; the caller then uses pixman.
bool D2dAffineBrushFill(D2dSurface *dst, const D2dBox &area, const pixman_region32_t *clip, const D2dSurface &bitmap,
                        const pixman_transform &transform, D2D1_EXTEND_MODE extend, uint32_t opacity8);
