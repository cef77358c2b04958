// COM start-up and object creation.
#pragma once
#include <windef.h>

#define CLSCTX_INPROC_SERVER 0x1
#define COINIT_APARTMENTTHREADED 0x2

HRESULT CoInitialize(LPVOID reserved);
HRESULT CoInitializeEx(LPVOID reserved, DWORD coInit);
void CoUninitialize();
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown *outer, DWORD context, REFIID iid, LPVOID *object);
