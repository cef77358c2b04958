// What COM's object creation needs from the apartment bookkeeping, and the class
// factories of the platform's in-process servers.
#pragma once

#include <windows.h>

// True when CoInitialize has succeeded on the calling thread.
bool ComIsInitialisedOnThread();

// Creates a WIC imaging factory and asks it for iid (the in-process server behind
// CLSID_WICImagingFactory1).
HRESULT WicCreateImagingFactory(REFIID iid, void **object);
