// Render targets made from the Direct2D factory: the window and DC targets, the DXGI
// surface target, and a few small procedures on any target.
#include "d2d_backend.h"

namespace {

D2D1_RENDER_TARGET_PROPERTIES TargetProperties(DXGI_FORMAT format, D2D1_ALPHA_MODE alphaMode,
                                               D2D1_RENDER_TARGET_USAGE usage) {
  D2D1_RENDER_TARGET_PROPERTIES properties;
  properties.type = D2D1_RENDER_TARGET_TYPE_DEFAULT;
  properties.pixelFormat.format = format;
  properties.pixelFormat.alphaMode = alphaMode;
  // 0 asks for Direct2D's default DPI. The programs declare no DPI awareness, so that is the
  // 96 that Windows reports to them, one device-independent pixel is one pixel of the bound
  // area, and on a high-DPI screen Windows scales the window as a whole.
  properties.dpiX = 0.0f;
  properties.dpiY = 0.0f;
  properties.usage = usage;
  properties.minLevel = D2D1_FEATURE_LEVEL_DEFAULT;
  return properties;
}

// A colour packed as 0xRRGGBB with a separate alpha.
D2D1_COLOR_F PackedColour(uint32_t rgb, float alpha) {
  D2D1_COLOR_F colour;
  colour.r = static_cast<float>(((rgb >> 16) & 0xFF) / 255.0);
  colour.g = static_cast<float>(((rgb >> 8) & 0xFF) / 255.0);
  colour.b = static_cast<float>((rgb & 0xFF) / 255.0);
  colour.a = alpha;
  return colour;
}

} // namespace

ID2D1RenderTarget *_D2D_CreateRenderTarget(int32_t mode, const RECT *rect, HWND window) {
  _D2D_DebugPrint(L"*** _D2D_CreateRenderTarget ***");
  ID2D1RenderTarget *result = nullptr;
  if (pD2DFactory == nullptr) return nullptr;

  if (mode == 0) {
    if (rect == nullptr) return nullptr;
    D2D1_HWND_RENDER_TARGET_PROPERTIES hwndProperties;
    hwndProperties.hwnd = window;
    // Differences of the rectangle's sides, wrapping as 32-bit values do.
    hwndProperties.pixelSize.width = static_cast<UINT32>(rect->right) - static_cast<UINT32>(rect->left);
    hwndProperties.pixelSize.height = static_cast<UINT32>(rect->bottom) - static_cast<UINT32>(rect->top);
    hwndProperties.presentOptions = D2D1_PRESENT_OPTIONS_NONE;
    D2D1_RENDER_TARGET_PROPERTIES properties =
        TargetProperties(DXGI_FORMAT_UNKNOWN, D2D1_ALPHA_MODE_UNKNOWN, D2D1_RENDER_TARGET_USAGE_NONE);
    ID2D1HwndRenderTarget *target = nullptr;
    if (SUCCEEDED(pD2DFactory->CreateHwndRenderTarget(&properties, &hwndProperties, &target))) {
      _D2D_DebugPrint(L"Created HWND Render Target.");
      result = target;
    }
  } else if (mode == 1) {
    D2D1_RENDER_TARGET_PROPERTIES properties =
        TargetProperties(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED, D2D1_RENDER_TARGET_USAGE_NONE);
    ID2D1DCRenderTarget *target = nullptr;
    if (SUCCEEDED(pD2DFactory->CreateDCRenderTarget(&properties, &target))) {
      _D2D_DebugPrint(L"Created DC Render Target.");
      result = target;
    }
  }
  return result;
}

int _D2D_BindDC(ID2D1DCRenderTarget *target, HDC dc, int32_t x, int32_t y, int32_t width, int32_t height) {
  if (target == nullptr) return 0;
  RECT area;
  area.left = x;
  area.top = y;
  // 32-bit sums that wrap rather than overflow.
  area.right = static_cast<LONG>(static_cast<uint32_t>(x) + static_cast<uint32_t>(width));
  area.bottom = static_cast<LONG>(static_cast<uint32_t>(y) + static_cast<uint32_t>(height));
  return SUCCEEDED(target->BindDC(dc, &area)) ? 1 : 0;
}

ID2D1RenderTarget *_D2D_CreateDxgiSurfaceRenderTarget(uint32_t width, uint32_t height) {
  if (pD3DDevice == nullptr || pD2DFactory == nullptr) return nullptr;

  D3D10_TEXTURE2D_DESC description;
  description.Width = width;
  description.Height = height;
  description.MipLevels = 1;
  description.ArraySize = 1;
  description.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
  description.SampleDesc.Count = 1;
  description.SampleDesc.Quality = 0;
  description.Usage = D3D10_USAGE_DEFAULT;
  description.BindFlags = D3D10_BIND_RENDER_TARGET;
  description.CPUAccessFlags = 0;
  description.MiscFlags = D3D10_RESOURCE_MISC_GDI_COMPATIBLE;
  ID3D10Texture2D *texture = nullptr;
  if (FAILED(pD3DDevice->CreateTexture2D(&description, nullptr, &texture)) || texture == nullptr) return nullptr;
  _D2D_DebugPrint(L"Created Texture.");

  IDXGISurface *surface = nullptr;
  if (FAILED(texture->QueryInterface(IID_IDXGISurface, reinterpret_cast<void **>(&surface))) || surface == nullptr) {
    texture->Release();
    return nullptr;
  }
  _D2D_DebugPrint(L"Got surface.");

  D2D1_RENDER_TARGET_PROPERTIES properties = TargetProperties(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED,
                                                              D2D1_RENDER_TARGET_USAGE_GDI_COMPATIBLE);
  ID2D1RenderTarget *target = nullptr;
  HRESULT hr = pD2DFactory->CreateDxgiSurfaceRenderTarget(surface, &properties, &target);
  // The render target keeps the surface alive on its own.
  surface->Release();
  texture->Release();
  if (FAILED(hr)) return nullptr;
  _D2D_DebugPrint(L"Created DxgiSurfaceRenderTarget");
  return target;
}

intptr_t _D2D_CreateLayer(ID2D1RenderTarget *target) {
  if (target == nullptr) return static_cast<intptr_t>(E_POINTER);
  ID2D1Layer *layer = nullptr;
  HRESULT hr = target->CreateLayer(nullptr, &layer);
  if (FAILED(hr)) return static_cast<intptr_t>(hr);
  return reinterpret_cast<intptr_t>(layer);
}

HRESULT _D2D_CreateBlackBrush(ID2D1RenderTarget *target) {
  if (target == nullptr) return E_POINTER;
  D2D1_COLOR_F black = PackedColour(0x000000, 1.0f);
  return target->CreateSolidColorBrush(&black, nullptr, &pBlackBrush);
}

HRESULT _D2D_DrawHelloWorld(ID2D1RenderTarget *target) {
  if (target == nullptr) return E_POINTER;
  D2D1_SIZE_F size = target->GetSize();
  target->BeginDraw();
  D2D1_MATRIX_3X2_F identity = {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f};
  target->SetTransform(&identity);
  D2D1_COLOR_F white = PackedColour(0xFFFFFF, 1.0f);
  target->Clear(&white);
  // Without a text format or a brush there is nothing to write with; the page stays white.
  if (pTextFormat != nullptr && pBlackBrush != nullptr) {
    D2D1_RECT_F layout = {0.0f, 0.0f, size.width, size.height};
    target->DrawText(L"Hello, World!", 13, pTextFormat, &layout, pBlackBrush, D2D1_DRAW_TEXT_OPTIONS_NONE,
                     DWRITE_MEASURING_MODE_NATURAL);
  }
  HRESULT hr = target->EndDraw(nullptr, nullptr);
  if (hr == static_cast<HRESULT>(D2DERR_RECREATE_TARGET)) hr = S_OK;
  return hr;
}
