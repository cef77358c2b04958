// COM start-up and object creation.
#pragma once
#include <windef.h>

#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_INPROC_HANDLER 0x2
#define CLSCTX_LOCAL_SERVER 0x4
#define CLSCTX_ALL (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER)

#define CO_E_NOTINITIALIZED ((HRESULT)0x800401F0L)

// Initialises COM on the calling thread as a single-threaded apartment. S_OK the first
// time, S_FALSE when the thread is already initialised. COM stays initialised until the
// thread ends.
HRESULT CoInitialize(LPVOID reserved);
// Creates an object of a registered class and asks it for iid. The only class is the
// WIC imaging factory (CLSID_WICImagingFactory1); CO_E_NOTINITIALIZED when COM is not
// initialised on the calling thread.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown *outer, DWORD context, REFIID iid, LPVOID *object);
