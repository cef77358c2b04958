// DXGI: the surface of a Direct3D texture that Direct2D can draw on. Declarations only:
// no Direct3D device exists on this platform, so no surface is ever made.
#pragma once

#include <windef.h>
#include <dxgiformat.h>

typedef struct DXGI_SAMPLE_DESC {
  UINT Count;
  UINT Quality;
} DXGI_SAMPLE_DESC;

extern const IID IID_IDXGISurface;

struct IDXGISurface : public IUnknown {};
