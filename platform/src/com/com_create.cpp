// CoCreateInstance over the one class the platform registers: the WIC imaging factory.
#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include "com_internal.h"

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown *outer, DWORD context, REFIID iid, LPVOID *object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (!ComIsInitialisedOnThread()) return CO_E_NOTINITIALIZED;
  if (!IsEqualCLSID(clsid, CLSID_WICImagingFactory1) || (context & CLSCTX_INPROC_SERVER) == 0) {
    return REGDB_E_CLASSNOTREG;
  }
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  return WicCreateImagingFactory(iid, object);
}
