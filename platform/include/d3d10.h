// Direct3D 10: the device and the 2D texture behind a DXGI surface render target.
// Declarations only: no device is ever created on this platform.
#pragma once

#include <windef.h>
#include <dxgi.h>

typedef enum D3D10_USAGE {
  D3D10_USAGE_DEFAULT = 0,
  D3D10_USAGE_IMMUTABLE = 1,
  D3D10_USAGE_DYNAMIC = 2,
  D3D10_USAGE_STAGING = 3
} D3D10_USAGE;

typedef enum D3D10_BIND_FLAG { D3D10_BIND_SHADER_RESOURCE = 0x8, D3D10_BIND_RENDER_TARGET = 0x20 } D3D10_BIND_FLAG;

typedef enum D3D10_RESOURCE_MISC_FLAG {
  D3D10_RESOURCE_MISC_SHARED = 0x2,
  D3D10_RESOURCE_MISC_GDI_COMPATIBLE = 0x20
} D3D10_RESOURCE_MISC_FLAG;

typedef struct D3D10_TEXTURE2D_DESC {
  UINT Width;
  UINT Height;
  UINT MipLevels;
  UINT ArraySize;
  DXGI_FORMAT Format;
  DXGI_SAMPLE_DESC SampleDesc;
  D3D10_USAGE Usage;
  UINT BindFlags;
  UINT CPUAccessFlags;
  UINT MiscFlags;
} D3D10_TEXTURE2D_DESC;

typedef struct D3D10_SUBRESOURCE_DATA {
  const void *pSysMem;
  UINT SysMemPitch;
  UINT SysMemSlicePitch;
} D3D10_SUBRESOURCE_DATA;

extern const IID IID_ID3D10Resource;
extern const IID IID_ID3D10Texture2D;
extern const IID IID_ID3D10Device;

struct ID3D10Resource : public IUnknown {};

struct ID3D10Texture2D : public ID3D10Resource {
  virtual void STDMETHODCALLTYPE GetDesc(D3D10_TEXTURE2D_DESC *desc) = 0;
};

struct ID3D10Device : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CreateTexture2D(const D3D10_TEXTURE2D_DESC *desc,
                                                    const D3D10_SUBRESOURCE_DATA *initialData,
                                                    ID3D10Texture2D **texture) = 0;
};
