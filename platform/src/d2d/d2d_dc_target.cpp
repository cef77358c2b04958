// ID2D1DCRenderTarget: draws into the 32-bit bitmap selected into a device context (a
// memory DC, a window's paint DC). A top-down bitmap is drawn into directly; a bottom-up
// one is copied into rows of our own at BeginDraw and back at EndDraw or Flush, because
// the composition code walks rows top to bottom.
#include "d2d_render_target.h"

// A DC target draws into the pixels of the bitmap GDI has selected into the DC.
#include "gdi/gdi_pixels.h"

#include <algorithm>
#include <cstring>
#include <new>

struct D2dDcTarget final : public D2dRenderTargetBase<ID2D1DCRenderTarget, IID_ID2D1DCRenderTarget> {
  HDC dc = nullptr;        // the bound device context, null while unbound
  GdiPixels dib{};         // its bitmap (bits null while unbound or bound to no pixel)
  D2dBox area{0, 0, 0, 0}; // the bound rectangle, clipped to the bitmap
  std::vector<uint32_t> staging;

  ~D2dDcTarget() override { D2dFlushDeferred(); } // before the staging rows go

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
    D2dFlushDeferred(); // recorded draws may still write to the rows of the binding before
    int width = std::max(box.x1 - box.x0, 0), height = std::max(box.y1 - box.y0, 0);
    if (pixels.bottomUp) {
      try {
        staging.resize(static_cast<size_t>(width) * height);
      } catch (const std::bad_alloc &) {
        return E_OUTOFMEMORY;
      }
    }
    Unbind();
    dc = deviceContext;
    if (D2dEmpty(box)) return S_OK; // bound to no pixel: every draw is clipped away
    dib = pixels;
    area = box;
    if (!dib.bottomUp) {
      uint32_t *first = reinterpret_cast<uint32_t *>(GdiRow(dib, box.y0)) + box.x0;
      D2dSurfaceSet(&target.surface, first, width, height, dib.stride / 4);
      return S_OK;
    }
    D2dSurfaceSet(&target.surface, staging.data(), width, height, width);
    CopyIn();
    return S_OK;
  }

  void Unbind() {
    dc = nullptr;
    dib = GdiPixels{};
    area = D2dBox{0, 0, 0, 0};
    D2dSurfaceSet(&target.surface, nullptr, 0, 0, 0);
  }

  bool Staged() const { return dib.bits != nullptr && dib.bottomUp; }

  void CopyIn() {
    if (!Staged()) return;
    size_t bytes = static_cast<size_t>(area.x1 - area.x0) * 4;
    for (int y = area.y0; y < area.y1; ++y)
      std::memcpy(D2dRow(target.surface, y - area.y0), GdiRow(dib, y) + static_cast<size_t>(area.x0) * 4, bytes);
  }

  void CopyOut() {
    if (!Staged()) return;
    size_t bytes = static_cast<size_t>(area.x1 - area.x0) * 4;
    for (int y = area.y0; y < area.y1; ++y)
      std::memcpy(GdiRow(dib, y) + static_cast<size_t>(area.x0) * 4, D2dRow(target.surface, y - area.y0), bytes);
  }
};

HRESULT D2dCreateDcTarget(ID2D1Factory *factory, const D2D1_RENDER_TARGET_PROPERTIES *properties,
                          ID2D1DCRenderTarget **result) {
  if (result == nullptr) return E_POINTER;
  *result = nullptr;
  if (properties == nullptr) return E_INVALIDARG;
  D2D1_PIXEL_FORMAT format = properties->pixelFormat;
  // A device context's 32-bit bitmap is BGRA; its alpha is taken as premultiplied. Targets
  // that ignore alpha are not made (nothing in the system asks for one).
  if (format.format != DXGI_FORMAT_B8G8R8A8_UNORM && format.format != DXGI_FORMAT_UNKNOWN)
    return D2DERR_UNSUPPORTED_PIXEL_FORMAT;
  if (format.alphaMode != D2D1_ALPHA_MODE_PREMULTIPLIED && format.alphaMode != D2D1_ALPHA_MODE_UNKNOWN)
    return D2DERR_UNSUPPORTED_PIXEL_FORMAT;
  format = D2D1_PIXEL_FORMAT{DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED};
  D2dDcTarget *created = new (std::nothrow) D2dDcTarget;
  if (created == nullptr) return E_OUTOFMEMORY;
  created->Start(factory, format, properties->dpiX, properties->dpiY);
  *result = created;
  return S_OK;
}

void D2dDcTargetBeginDraw(ID2D1RenderTarget *target) {
  if (D2dDcTarget *dc = D2dExact<D2dDcTarget>(target)) dc->CopyIn();
}

HRESULT D2dDcTargetEndDraw(ID2D1RenderTarget *target, D2D1_TAG *tag1, D2D1_TAG *tag2) {
  D2dDcTarget *ours = D2dExact<D2dDcTarget>(target);
  // A frame with no device context to go to is a call in the wrong state, as on Windows.
  if (ours->dc == nullptr && ours->target.drawing) D2dFail(&ours->target, D2DERR_WRONG_STATE);
  HRESULT result = D2dEndDraw(&ours->target, tag1, tag2);
  ours->CopyOut();
  return result;
}

void D2dDcTargetFlush(ID2D1RenderTarget *target) {
  if (D2dDcTarget *dc = D2dExact<D2dDcTarget>(target)) dc->CopyOut();
}

D2dTarget *D2dDcTargetState(ID2D1RenderTarget *target) {
  D2dDcTarget *ours = D2dExact<D2dDcTarget>(target);
  return ours != nullptr ? &ours->target : nullptr;
}
