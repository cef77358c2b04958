// Start-up: COM, the Direct2D and DirectWrite factories (loaded once) and the WIC
// imaging factory; and their release for a program that ends by returning from main.
#include "d2d_backend.h"

#include <initializer_list>

namespace {

typedef HRESULT(WINAPI *D2D1CreateFactoryProc)(D2D1_FACTORY_TYPE factoryType, REFIID iid,
                                               const D2D1_FACTORY_OPTIONS *options, void **factory);
typedef HRESULT(WINAPI *DWriteCreateFactoryProc)(DWRITE_FACTORY_TYPE factoryType, REFIID iid, IUnknown **factory);

// Exports are looked up untyped; going through a plain function pointer keeps the
// conversion to the real signature explicit.
template <typename Proc> Proc ExportAs(FARPROC address) {
  return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(address));
}

// IDWriteFactory's published interface ID. MinGW-w64's import libraries leave
// IID_IDWriteFactory undefined, so the backend names the value itself.
constexpr IID DWriteFactoryId = {0xb859ee5a, 0xd838, 0x4b5b, {0xa2, 0xe8, 0x1a, 0xdc, 0x7d, 0x93, 0xdb, 0x48}};

} // namespace

BYTE _D2D_LoadFactories() {
  if (!bFactoriesLoaded) {
    hD2D1Module = LoadLibraryW(L"D2D1.DLL");
    if (hD2D1Module != nullptr) {
      D2D1CreateFactoryProc create = ExportAs<D2D1CreateFactoryProc>(GetProcAddress(hD2D1Module, "D2D1CreateFactory"));
      if (create != nullptr) {
        create(D2D1_FACTORY_TYPE_SINGLE_THREADED, IID_ID2D1Factory, nullptr, reinterpret_cast<void **>(&pD2DFactory));
      }
    }
    hDWriteModule = LoadLibraryW(L"DWRITE.DLL");
    if (hDWriteModule != nullptr) {
      DWriteCreateFactoryProc create =
          ExportAs<DWriteCreateFactoryProc>(GetProcAddress(hDWriteModule, "DWriteCreateFactory"));
      if (create != nullptr) {
        create(DWRITE_FACTORY_TYPE_SHARED, DWriteFactoryId, reinterpret_cast<IUnknown **>(&pDWriteFactory));
      }
    }
    // A failed load is not retried.
    bFactoriesLoaded = 1;
  }
  return (pDWriteFactory != nullptr && pD2DFactory != nullptr) ? 1 : 0;
}

HRESULT _D2D_Start() {
  // The toolkit has already initialised COM on this thread; this only makes sure of it.
  CoInitialize(nullptr);
  _D2D_LoadFactories();
  _D2D_DebugPrint(L"*** _D2D_Start ***");
  return CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                          reinterpret_cast<LPVOID *>(&pWICFactory));
}

void _D2D_Stop() {
  IUnknown **held[] = {
      reinterpret_cast<IUnknown **>(&pTempRenderTarget), reinterpret_cast<IUnknown **>(&pBlackBrush),
      reinterpret_cast<IUnknown **>(&pTextFormat),       reinterpret_cast<IUnknown **>(&pD3DDevice),
      reinterpret_cast<IUnknown **>(&pWICFactory),       reinterpret_cast<IUnknown **>(&pDWriteFactory),
      reinterpret_cast<IUnknown **>(&pD2DFactory),
  };
  for (IUnknown **object : held) {
    if (*object) (*object)->Release();
    *object = nullptr;
  }
  for (HMODULE *module : {&hD2D1Module, &hDWriteModule}) {
    if (*module) FreeLibrary(*module);
    *module = nullptr;
  }
  bFactoriesLoaded = 0;
}
