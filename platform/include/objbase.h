// COM start-up and object creation.
#pragma once
#include <windef.h>

#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_INPROC_HANDLER 0x2
#define CLSCTX_LOCAL_SERVER 0x4
#define CLSCTX_ALL (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER)

#define COINIT_MULTITHREADED 0x0
#define COINIT_APARTMENTTHREADED 0x2

#define CO_E_NOTINITIALIZED ((HRESULT)0x800401F0L)
#define RPC_E_CHANGED_MODE ((HRESULT)0x80010106L)

// Initialises COM on the calling thread as a single-threaded apartment. S_OK the first
// time, S_FALSE when the thread is already initialised; each success needs one
// CoUninitialize.
HRESULT CoInitialize(LPVOID reserved);
// The same with a chosen apartment; RPC_E_CHANGED_MODE when the thread already has the
// other kind.
HRESULT CoInitializeEx(LPVOID reserved, DWORD coInit);
// Undoes one successful CoInitialize or CoInitializeEx of the calling thread.
void CoUninitialize();
// Creates an object of a registered class and asks it for iid. The only class is the
// WIC imaging factory (CLSID_WICImagingFactory1); CO_E_NOTINITIALIZED when COM is not
// initialised on the calling thread.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown *outer, DWORD context, REFIID iid, LPVOID *object);
