// Windows Imaging Component: the imaging factory, bitmaps made from GDI bitmaps and the
// format converter that hands their pixels to Direct2D.
#pragma once

#include <windef.h>

// ---------------------------------------------------------------------------------------
// Pixel formats and records
// ---------------------------------------------------------------------------------------

typedef GUID WICPixelFormatGUID;
typedef REFGUID REFWICPixelFormatGUID;

extern const GUID GUID_WICPixelFormat24bppBGR;
extern const GUID GUID_WICPixelFormat32bppBGR;
extern const GUID GUID_WICPixelFormat32bppBGRA;
extern const GUID GUID_WICPixelFormat32bppPBGRA;

typedef struct WICRect {
  INT X;
  INT Y;
  INT Width;
  INT Height;
} WICRect;

typedef enum WICBitmapAlphaChannelOption {
  WICBitmapUseAlpha = 0x0,
  WICBitmapUsePremultipliedAlpha = 0x1,
  WICBitmapIgnoreAlpha = 0x2,
  WICBITMAPALPHACHANNELOPTIONS_FORCE_DWORD = 0x7fffffff
} WICBitmapAlphaChannelOption;

typedef enum WICBitmapDitherType {
  WICBitmapDitherTypeNone = 0x0,
  WICBitmapDitherTypeSolid = 0x0,
  WICBitmapDitherTypeOrdered4x4 = 0x1,
  WICBitmapDitherTypeOrdered8x8 = 0x2,
  WICBitmapDitherTypeOrdered16x16 = 0x3,
  WICBitmapDitherTypeSpiral4x4 = 0x4,
  WICBitmapDitherTypeSpiral8x8 = 0x5,
  WICBitmapDitherTypeDualSpiral4x4 = 0x6,
  WICBitmapDitherTypeDualSpiral8x8 = 0x7,
  WICBitmapDitherTypeErrorDiffusion = 0x8,
  WICBITMAPDITHERTYPE_FORCE_DWORD = 0x7fffffff
} WICBitmapDitherType;

typedef enum WICBitmapPaletteType {
  WICBitmapPaletteTypeCustom = 0x0,
  WICBitmapPaletteTypeMedianCut = 0x1,
  WICBitmapPaletteTypeFixedBW = 0x2,
  WICBITMAPPALETTETYPE_FORCE_DWORD = 0x7fffffff
} WICBitmapPaletteType;

// Errors of the imaging component.
#define WINCODEC_ERR_WRONGSTATE ((HRESULT)0x88982F04L)
#define WINCODEC_ERR_NOTINITIALIZED ((HRESULT)0x88982F0CL)
#define WINCODEC_ERR_PALETTEUNAVAILABLE ((HRESULT)0x88982F45L)
#define WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT ((HRESULT)0x88982F80L)
#define WINCODEC_ERR_UNSUPPORTEDOPERATION ((HRESULT)0x88982F81L)
#define WINCODEC_ERR_INSUFFICIENTBUFFER ((HRESULT)0x88982F8CL)

// ---------------------------------------------------------------------------------------
// Interfaces
// ---------------------------------------------------------------------------------------

struct IWICPalette;

extern const CLSID CLSID_WICImagingFactory1;
extern const IID IID_IWICBitmapSource;
extern const IID IID_IWICBitmap;
extern const IID IID_IWICFormatConverter;
extern const IID IID_IWICImagingFactory;

// Pixels that can be read by rectangle.
struct IWICBitmapSource : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetSize(UINT *width, UINT *height) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPixelFormat(WICPixelFormatGUID *pixelFormat) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetResolution(double *dpiX, double *dpiY) = 0;
  virtual HRESULT STDMETHODCALLTYPE CopyPalette(IWICPalette *palette) = 0;
  // Copies the rectangle (null: the whole picture) into buffer, rows stride bytes apart.
  virtual HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect *rect, UINT stride, UINT bufferSize, BYTE *buffer) = 0;
};

// A bitmap held in memory by the imaging component.
struct IWICBitmap : public IWICBitmapSource {};

// Reads another source's pixels in a chosen pixel format.
struct IWICFormatConverter : public IWICBitmapSource {
  virtual HRESULT STDMETHODCALLTYPE Initialize(IWICBitmapSource *source, REFWICPixelFormatGUID destinationFormat,
                                               WICBitmapDitherType dither, IWICPalette *palette,
                                               double alphaThresholdPercent, WICBitmapPaletteType paletteTranslate) = 0;
};

// Creates the imaging component's objects.
struct IWICImagingFactory : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CreateFormatConverter(IWICFormatConverter **converter) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateBitmapFromHBITMAP(HBITMAP bitmap, HPALETTE palette,
                                                            WICBitmapAlphaChannelOption options,
                                                            IWICBitmap **result) = 0;
};
