// GDI: bitmaps, device contexts, bit-block transfers, and the icons built on them.
// Bitmaps have 1, 24 or 32 bits per pixel; device contexts are memory DCs (each holding
// one bitmap) or the screen DC, which has no pixels of its own here.
#pragma once

#include <windef.h>

// ---------------------------------------------------------------------------------------
// Types
// ---------------------------------------------------------------------------------------

typedef struct tagBITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;
} BITMAP, *PBITMAP, *LPBITMAP;

typedef struct tagRGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
} RGBQUAD, *LPRGBQUAD;

typedef struct tagBITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight; // positive: bottom-up rows; negative: top-down
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
} BITMAPINFOHEADER, *PBITMAPINFOHEADER, *LPBITMAPINFOHEADER;

typedef struct tagBITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
} BITMAPINFO, *PBITMAPINFO, *LPBITMAPINFO;

#pragma pack(push, 2)
typedef struct tagBITMAPFILEHEADER {
  WORD bfType;
  DWORD bfSize;
  WORD bfReserved1;
  WORD bfReserved2;
  DWORD bfOffBits;
} BITMAPFILEHEADER, *PBITMAPFILEHEADER, *LPBITMAPFILEHEADER;
#pragma pack(pop)

typedef struct tagDIBSECTION {
  BITMAP dsBm;
  BITMAPINFOHEADER dsBmih;
  DWORD dsBitfields[3];
  HANDLE dshSection;
  DWORD dsOffset;
} DIBSECTION, *PDIBSECTION, *LPDIBSECTION;

typedef struct _BLENDFUNCTION {
  BYTE BlendOp;
  BYTE BlendFlags;
  BYTE SourceConstantAlpha;
  BYTE AlphaFormat;
} BLENDFUNCTION, *PBLENDFUNCTION;

typedef struct _ICONINFO {
  BOOL fIcon;
  DWORD xHotspot;
  DWORD yHotspot;
  HBITMAP hbmMask;
  HBITMAP hbmColor;
} ICONINFO, *PICONINFO;

// ---------------------------------------------------------------------------------------
// Constants
// ---------------------------------------------------------------------------------------

#define BI_RGB 0L
#define BI_RLE8 1L
#define BI_RLE4 2L
#define BI_BITFIELDS 3L
#define BI_JPEG 4L
#define BI_PNG 5L

#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1

// Raster operations of BitBlt.
#define SRCCOPY 0x00CC0020
#define SRCPAINT 0x00EE0086
#define SRCAND 0x008800C6
#define SRCINVERT 0x00660046
#define BLACKNESS 0x00000042
#define WHITENESS 0x00FF0062

// Object types of GetCurrentObject.
#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_DC 3
#define OBJ_PAL 5
#define OBJ_FONT 6
#define OBJ_BITMAP 7
#define OBJ_MEMDC 10

#define AC_SRC_OVER 0x00
#define AC_SRC_ALPHA 0x01

#define CLR_INVALID 0xFFFFFFFF
#define HGDI_ERROR ((HANDLE)(LONG_PTR)-1)

// LoadImageW.
#define IMAGE_BITMAP 0
#define IMAGE_ICON 1
#define IMAGE_CURSOR 2
#define LR_DEFAULTCOLOR 0x00000000
#define LR_MONOCHROME 0x00000001
#define LR_LOADFROMFILE 0x00000010
#define LR_LOADTRANSPARENT 0x00000020
#define LR_DEFAULTSIZE 0x00000040
#define LR_CREATEDIBSECTION 0x00002000
#define LR_SHARED 0x00008000

// ---------------------------------------------------------------------------------------
// Device contexts
// ---------------------------------------------------------------------------------------

// A memory DC holding a 1 x 1 monochrome bitmap; dc (null or a live DC) is ignored.
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
// Selects a bitmap into a memory DC and returns the one it held (null on failure).
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
// The bitmap a DC holds, for OBJ_BITMAP.
HGDIOBJ GetCurrentObject(HDC dc, UINT type);

// ---------------------------------------------------------------------------------------
// Bitmaps
// ---------------------------------------------------------------------------------------

// A top-down or bottom-up DIB section of 1, 24 or 32 bits, zero-filled; *bits gets the
// pixel address. A file mapping section is not supported.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO *info, UINT usage, void **bits, HANDLE section, DWORD offset);
// A device-dependent bitmap of 1, 24 or 32 bits, from word-aligned rows when bits is given.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void *bits);
// A bitmap like the one dc holds (a DIB section of the same depth for a DIB section); a
// 32-bit bitmap for a null dc.
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// BITMAP (or DIBSECTION when the buffer is that large and the bitmap is a DIB section);
// returns the bytes written, 0 for anything that is not a live bitmap.
int GetObjectW(HANDLE object, int size, LPVOID buffer);
// Copies scan lines of a bitmap into a 24- or 32-bit DIB; with bits null, fills in the
// header. Returns the number of lines copied, 0 on failure.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT startScan, UINT lines, LPVOID bits, LPBITMAPINFO info, UINT usage);
// Deletes a bitmap that no DC holds; FALSE for anything else.
BOOL DeleteObject(HGDIOBJ object);
BOOL GdiFlush();

// ---------------------------------------------------------------------------------------
// Bit-block transfers
// ---------------------------------------------------------------------------------------

// Copies a rectangle between the bitmaps of two DCs (any depths), clipped to both.
BOOL BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD rop);
// Blends a (possibly stretched) source rectangle of 32-bit bitmaps onto the destination.
BOOL GdiAlphaBlend(HDC destination, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                   int sourceWidth, int sourceHeight, BLENDFUNCTION blend);
// Copies a (possibly stretched) rectangle, leaving out source pixels of one colour.
BOOL GdiTransparentBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                       int sourceWidth, int sourceHeight, UINT transparentColor);

// ---------------------------------------------------------------------------------------
// Icons (from .ico files, or made from a colour bitmap and a mask)
// ---------------------------------------------------------------------------------------

// With LR_LOADFROMFILE, IMAGE_ICON reads a .ico file and gives the entry nearest
// width x height, scaled to that size (0, 0: the largest entry at its own size).
HANDLE LoadImageW(HINSTANCE instance, LPCWSTR name, UINT type, int width, int height, UINT flags);
// Fresh copies of the icon's bitmaps: a 32-bit colour bitmap and a 1-bit mask; the caller
// deletes both. FALSE for anything that is not a live icon.
BOOL GetIconInfo(HICON icon, PICONINFO info);
HICON CreateIconIndirect(PICONINFO info);
BOOL DestroyIcon(HICON icon);
