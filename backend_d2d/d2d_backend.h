// The Direct2D backend: plain procedures over Direct2D, DirectWrite, WIC and DXGI, and the
// process-wide state they share. Every procedure runs on the GUI thread.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <d2d1.h>
#include <dwrite.h>
#include <wincodec.h>
#include <d3d10.h>
#include <dxgi.h>

#include <cstdint>

// ---------------------------------------------------------------------------------------
// State (lives until the process ends, or until _D2D_Stop)
// ---------------------------------------------------------------------------------------

extern ID2D1Factory *pD2DFactory;
extern IDWriteFactory *pDWriteFactory;
extern IWICImagingFactory *pWICFactory;
extern IDWriteTextFormat *pTextFormat;
extern ID2D1SolidColorBrush *pBlackBrush;
extern ID3D10Device *pD3DDevice;
extern ID2D1BitmapRenderTarget *pTempRenderTarget;
extern BYTE bFactoriesLoaded;
extern HMODULE hD2D1Module;
extern HMODULE hDWriteModule;

// ---------------------------------------------------------------------------------------
// Start-up and debug output
// ---------------------------------------------------------------------------------------

// Initialises COM, loads the factories and creates the WIC imaging factory; returns the
// HRESULT of that last step.
HRESULT _D2D_Start();
// Releases every global object and unloads Direct2D and DirectWrite (COM stays
// initialised): for a program that ends by returning from main.
void _D2D_Stop();
// Loads Direct2D and DirectWrite once and creates their factories; 1 when both exist.
BYTE _D2D_LoadFactories();
// Formats with wvsprintfW and passes the text to OutputDebugStringW, nothing added.
void _D2D_DebugPrint(const WCHAR *format, ...);

// ---------------------------------------------------------------------------------------
// Render targets
// ---------------------------------------------------------------------------------------

// Mode 0: window render target over window and rect; mode 1: DC render target (rect and
// window unread). Null on failure or for any other mode.
ID2D1RenderTarget *_D2D_CreateRenderTarget(int32_t mode, const RECT *rect, HWND window);
// Binds a DC render target to (x, y, x + width, y + height) of a device context; 1 or 0.
int _D2D_BindDC(ID2D1DCRenderTarget *target, HDC dc, int32_t x, int32_t y, int32_t width, int32_t height);
ID2D1RenderTarget *_D2D_CreateDxgiSurfaceRenderTarget(uint32_t width, uint32_t height);
// The new layer, or the failing HRESULT in the same value.
intptr_t _D2D_CreateLayer(ID2D1RenderTarget *target);
HRESULT _D2D_CreateBlackBrush(ID2D1RenderTarget *target);
HRESULT _D2D_DrawHelloWorld(ID2D1RenderTarget *target);

// ---------------------------------------------------------------------------------------
// Bitmaps
// ---------------------------------------------------------------------------------------

// A width x height premultiplied BGRA target cleared to color (RGBA, red in the low byte).
ID2D1BitmapRenderTarget *_D2D_CreateBitmapRenderTarget(ID2D1RenderTarget *parent, int32_t width, int32_t height,
                                                       uint32_t color);
ID2D1BitmapRenderTarget *_D2D_CreateMaskRenderTarget(ID2D1RenderTarget *parent, int32_t width, int32_t height);
// A target holding the (premultiplied) pixels of a GDI bitmap, through WIC.
ID2D1BitmapRenderTarget *_D2D_BitmapRenderTargetFromHBITMAP(ID2D1RenderTarget *parent, HBITMAP bitmap);
// Copies `rows` rows of `width` premultiplied BGRA pixels, `pitch` bytes apart in memory,
// into the target's bitmap from (0, y) on; 1 when Direct2D took them.
int _D2D_CopyMemoryToTarget(ID2D1BitmapRenderTarget *target, const void *pixels, uint32_t pitch, int32_t y,
                            int32_t width, int32_t rows);
ID2D1BitmapBrush *_D2D_CreateBitmapBrush(ID2D1BitmapRenderTarget *target);
// Clears dest to opaque black and draws the source rectangle of source at (destX, destY).
int _D2D_DrawToRenderTarget(ID2D1BitmapRenderTarget *source, float srcX, float srcY, float width, float height,
                            ID2D1RenderTarget *dest, float destX, float destY);
int _D2D_ReleaseBitmapTarget(ID2D1BitmapRenderTarget *target);

// ---------------------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------------------

void _D2D_BeginDraw(ID2D1RenderTarget *target);
HRESULT _D2D_EndDraw(ID2D1RenderTarget *target);
void _D2D_FillRectangle(ID2D1RenderTarget *target, ID2D1Brush *brush, const D2D1_RECT_F *rect);
// colour is 0x00BBGGRR; the transform of the target is reset to the identity.
int _D2D_FillSolidRectangle(ID2D1RenderTarget *target, float x, float y, float width, float height, uint32_t colour,
                            float alpha);
int _D2D_DrawBitmap(ID2D1BitmapRenderTarget *source, const D2D1_RECT_F *sourceRect, ID2D1RenderTarget *destination,
                    const D2D1_RECT_F *destRect, float opacity);
// The same draw from a bitmap the caller already holds (a bitmap target's own bitmap, taken
// once with _D2D_TargetBitmap): no reference is taken or given back per draw.
int _D2D_DrawBitmapPixels(ID2D1Bitmap *source, const D2D1_RECT_F *sourceRect, ID2D1RenderTarget *destination,
                          const D2D1_RECT_F *destRect, float opacity);
// The target's own bitmap, one reference for the caller; null for a null target.
ID2D1Bitmap *_D2D_TargetBitmap(ID2D1BitmapRenderTarget *target);
void _D2D_SetBrushOpacity(ID2D1Brush *brush, float opacity);
void _D2D_SetBrushExtendMode(ID2D1BitmapBrush *brush, D2D1_EXTEND_MODE modeX, D2D1_EXTEND_MODE modeY);
void _D2D_SetBrushTranslation(ID2D1Brush *brush, float x, float y);
void _D2D_SetBrushScale(ID2D1Brush *brush, float scaleX, float scaleY, float centerX, float centerY);
void _D2D_SetBrushTransform(ID2D1Brush *brush, float scaleX, float scaleY, float centerX, float centerY, float angle,
                            float offsetX, float offsetY);
void _D2D_PushLayer(ID2D1RenderTarget *target, ID2D1Layer *layer, const D2D1_RECT_F *bounds,
                    ID2D1Geometry *geometricMask, int32_t antialiasMode, const void *maskTransformArgument,
                    float opacity, ID2D1Brush *opacityBrush, int32_t options);
void _D2D_PopLayer(ID2D1RenderTarget *target);
int _D2D_CopyRenderTargetArea(ID2D1BitmapRenderTarget *source, float x, float y, float width, float height,
                              ID2D1BitmapRenderTarget *destination, float destX, float destY);
void _D2D_PrepareTempRenderTarget(ID2D1RenderTarget *target, int32_t width, int32_t height);
void _D2D_FillOpacityMask(ID2D1RenderTarget *target, ID2D1BitmapRenderTarget *maskTarget, ID2D1Brush *brush,
                          const D2D1_RECT_F *destRect, const D2D1_RECT_F *sourceRect);
HRESULT _D2D_Flush(ID2D1RenderTarget *target);
ULONG _D2D_ReleaseBrush(ID2D1Brush *brush);
ULONG _D2D_ReleaseObject(IUnknown *object);
