// ID2D1DCRenderTarget: draws into its own copy of a rectangle of the 32-bit bitmap selected
// into a device context (a memory DC, a window's paint DC). As on Windows, BeginDraw reads
// the rectangle from the DC, drawing goes into the copy, and EndDraw (or Flush) writes the
// whole rectangle back: GDI drawing done on the DC inside a frame is overwritten.
#include "d2d_render_target.h"
#include "d2d_workers.h"

// A DC target reads and writes the pixels of the bitmap GDI has selected into the DC.
#include "gdi/gdi_pixels.h"

#include <algorithm>
#include <cstring>
#include <new>

struct D2dDcTarget final : public D2dRenderTargetBase<ID2D1DCRenderTarget, IID_ID2D1DCRenderTarget> {
  HDC dc = nullptr;           // the bound device context, null while unbound
  D2dBox area{0, 0, 0, 0};    // the bound rectangle, clipped to the DC's bitmap when bound
  std::vector<uint32_t> copy; // the target's pixels: the bound rectangle, rows top first

  ~D2dDcTarget() override { D2dFlushDeferred(); } // before the copy goes

  // A binding that fails leaves the one before it in place, as on Windows.
  HRESULT STDMETHODCALLTYPE BindDC(const HDC deviceContext, const RECT *subRect) override {
    // Binding anew inside a frame is a call in the wrong state: it fails, and so does the
    // frame's EndDraw.
    if (target.drawing) {
      D2dFail(&target, D2DERR_WRONG_STATE);
      return D2DERR_WRONG_STATE;
    }
    if (subRect == nullptr) return E_INVALIDARG;
    if (subRect->right < subRect->left || subRect->bottom < subRect->top) return E_INVALIDARG;
    GdiPixels pixels;
    if (!GdiGetDcPixels(deviceContext, &pixels) || pixels.bitsPerPixel != 32 || pixels.bits == nullptr)
      return E_INVALIDARG;
    D2dBox box = D2dIntersect(D2dBox{subRect->left, subRect->top, subRect->right, subRect->bottom},
                              D2dBox{0, 0, pixels.width, pixels.height});
    D2dFlushDeferred(); // recorded draws may still write to the copy of the binding before
    int width = std::max(box.x1 - box.x0, 0), height = std::max(box.y1 - box.y0, 0);
    try {
      // Same-sized bindings, one per frame, reuse the copy.
      copy.resize(static_cast<size_t>(width) * height);
    } catch (const std::bad_alloc &) {
      return E_OUTOFMEMORY;
    }
    dc = deviceContext;
    area = box;
    // Bound to no pixel when empty: every draw is clipped away.
    D2dSurfaceSet(&target.surface, copy.data(), width, height, width);
    return S_OK;
  }

  // Copies the bound rectangle from the DC's bitmap into the copy (in) or back (out). The
  // DC's bitmap is looked up each time: it may have been replaced, resized or deleted since
  // BindDC, and only what still lies inside a 32-bit bitmap is copied.
  void Transfer(bool in) {
    GdiPixels dib;
    if (dc == nullptr || D2dEmpty(area) || !GdiGetDcPixels(dc, &dib) || dib.bitsPerPixel != 32 || dib.bits == nullptr)
      return;
    D2dBox box = D2dIntersect(area, D2dBox{0, 0, dib.width, dib.height});
    if (D2dEmpty(box)) return;
    size_t bytes = static_cast<size_t>(box.x1 - box.x0) * 4;
    // A whole frame's rows are shared among the threads, as clears and copies are.
    D2dForRowBands(box.y0, box.y1, static_cast<int64_t>(box.x1 - box.x0) * (box.y1 - box.y0), [&](int y0, int y1) {
      for (int y = y0; y < y1; ++y) {
        uint8_t *bits = GdiRow(dib, y) + static_cast<size_t>(box.x0) * 4;
        uint32_t *own = D2dRow(target.surface, y - area.y0) + (box.x0 - area.x0);
        if (in) {
          std::memcpy(own, bits, bytes);
          // Drawing over opaque pixels keeps them opaque: only clears could undo it, and
          // they are made opaque themselves.
          if (D2dIgnoresAlpha(target.format))
            D2dMakeOpaque(&target.surface, D2dBox{box.x0 - area.x0, y - area.y0, box.x1 - area.x0, y - area.y0 + 1});
        } else {
          std::memcpy(bits, own, bytes);
        }
      }
    });
  }
};

HRESULT D2dCreateDcTarget(ID2D1Factory *factory, const D2D1_RENDER_TARGET_PROPERTIES *properties,
                          ID2D1DCRenderTarget **result) {
  if (result == nullptr) return E_POINTER;
  *result = nullptr;
  if (properties == nullptr) return E_INVALIDARG;
  D2D1_PIXEL_FORMAT format = properties->pixelFormat;
  // A device context's 32-bit bitmap is BGRA; its alpha is taken as premultiplied, or ignored.
  if (format.format == DXGI_FORMAT_UNKNOWN) format.format = DXGI_FORMAT_B8G8R8A8_UNORM;
  if (format.alphaMode == D2D1_ALPHA_MODE_UNKNOWN) format.alphaMode = D2D1_ALPHA_MODE_PREMULTIPLIED;
  if (!D2dSupportedFormat(format)) return D2DERR_UNSUPPORTED_PIXEL_FORMAT;
  D2dDcTarget *created = new (std::nothrow) D2dDcTarget;
  if (created == nullptr) return E_OUTOFMEMORY;
  created->Start(factory, format, properties->dpiX, properties->dpiY);
  *result = created;
  return S_OK;
}

void D2dDcTargetBeginDraw(ID2D1RenderTarget *target) {
  D2dDcTarget *ours = D2dExact<D2dDcTarget>(target);
  // A second BeginDraw is a failure of its own; reading again would lose what was drawn.
  if (!ours->target.drawing) ours->Transfer(true);
}

HRESULT D2dDcTargetEndDraw(ID2D1RenderTarget *target, D2D1_TAG *tag1, D2D1_TAG *tag2) {
  D2dDcTarget *ours = D2dExact<D2dDcTarget>(target);
  bool drawing = ours->target.drawing;
  // A frame with no device context to go to is a call in the wrong state, as on Windows.
  if (ours->dc == nullptr && drawing) D2dFail(&ours->target, D2DERR_WRONG_STATE);
  HRESULT result = D2dEndDraw(&ours->target, tag1, tag2);
  // Outside a frame the copy is stale: writing it would undo GDI drawing done since.
  if (drawing) ours->Transfer(false);
  return result;
}

void D2dDcTargetFlush(ID2D1RenderTarget *target) {
  D2dDcTarget *ours = D2dExact<D2dDcTarget>(target);
  if (ours->target.drawing) ours->Transfer(false);
}

D2dTarget *D2dDcTargetState(ID2D1RenderTarget *target) {
  D2dDcTarget *ours = D2dExact<D2dDcTarget>(target);
  return ours != nullptr ? &ours->target : nullptr;
}
