// ID2D1Factory: makes the render targets. Only DC render targets exist on Linux: a window
// render target would need its own presentation path, and the demo draws into windows
// through a DC render target bound to the paint device context instead, so window targets
// are refused with E_NOTIMPL. DXGI surfaces cannot exist without a Direct3D device, which
// is never created here.
#include "d2d_internal.h"

#include <new>

struct D2dFactory final : public ComObject<ID2D1Factory, IID_ID2D1Factory> {
  HRESULT STDMETHODCALLTYPE ReloadSystemMetrics() override { return S_OK; }
  void STDMETHODCALLTYPE GetDesktopDpi(FLOAT *dpiX, FLOAT *dpiY) override {
    if (dpiX != nullptr) *dpiX = 96.0f;
    if (dpiY != nullptr) *dpiY = 96.0f;
  }
  HRESULT STDMETHODCALLTYPE CreateHwndRenderTarget(const D2D1_RENDER_TARGET_PROPERTIES *,
                                                   const D2D1_HWND_RENDER_TARGET_PROPERTIES *,
                                                   ID2D1HwndRenderTarget **result) override {
    if (result != nullptr) *result = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE CreateDxgiSurfaceRenderTarget(IDXGISurface *, const D2D1_RENDER_TARGET_PROPERTIES *,
                                                          ID2D1RenderTarget **result) override {
    if (result != nullptr) *result = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE CreateDCRenderTarget(const D2D1_RENDER_TARGET_PROPERTIES *properties,
                                                 ID2D1DCRenderTarget **result) override {
    return D2dCreateDcTarget(this, properties, result);
  }

  using ID2D1Factory::CreateDCRenderTarget;
  using ID2D1Factory::CreateDxgiSurfaceRenderTarget;
  using ID2D1Factory::CreateHwndRenderTarget;
};

ID2D1Factory *D2dFactoryCreate() { return new (std::nothrow) D2dFactory; }
