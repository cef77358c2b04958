// DWriteCreateFactory and the DirectWrite factory. The system draws no text, so the
// factory exists for the backend to hold but makes no text formats.
#include <windows.h>
#include <dwrite.h>

// The COM base every platform object derives from.
#include "com/com_object.h"

// The identifiers live beside DWriteCreateFactory on purpose: the module table refers to
// the export only weakly, so it is the backend's use of IID_IDWriteFactory that links this
// file into the program.
const IID IID_IDWriteFactory = {0xb859ee5a, 0xd838, 0x4b5b, {0xa2, 0xe8, 0x1a, 0xdc, 0x7d, 0x93, 0xdb, 0x48}};
const IID IID_IDWriteTextFormat = {0x9c906818, 0x31d7, 0x4fd3, {0xa1, 0x51, 0x7c, 0x5e, 0x22, 0x5d, 0xb5, 0x5a}};

namespace {

struct DWriteFactory : public ComObject<IDWriteFactory, IID_IDWriteFactory> {
  HRESULT STDMETHODCALLTYPE CreateTextFormat(const WCHAR *, IDWriteFontCollection *, DWRITE_FONT_WEIGHT,
                                             DWRITE_FONT_STYLE, DWRITE_FONT_STRETCH, FLOAT, const WCHAR *,
                                             IDWriteTextFormat **format) override {
    if (format != nullptr) *format = nullptr;
    return E_NOTIMPL;
  }
};

} // namespace

// The shared and the isolated factory behave alike here: neither holds any state.
extern "C" HRESULT WINAPI DWriteCreateFactory(DWRITE_FACTORY_TYPE factoryType, REFIID iid, IUnknown **factory) {
  if (factory == nullptr) return E_INVALIDARG;
  *factory = nullptr;
  if (factoryType != DWRITE_FACTORY_TYPE_SHARED && factoryType != DWRITE_FACTORY_TYPE_ISOLATED) return E_INVALIDARG;
  IDWriteFactory *created = new DWriteFactory;
  HRESULT hr = created->QueryInterface(iid, reinterpret_cast<void **>(factory));
  created->Release();
  return hr;
}
