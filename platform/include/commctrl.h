// Common controls: initialisation and image lists.
#pragma once
#include <windows.h>

typedef struct tagINITCOMMONCONTROLSEX {
  DWORD dwSize;
  DWORD dwICC;
} INITCOMMONCONTROLSEX, *LPINITCOMMONCONTROLSEX;
#define ICC_WIN95_CLASSES 0x000000FF
#define ICC_STANDARD_CLASSES 0x00004000

// Nothing to register on Linux; TRUE for a record of the right size.
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX *init);

// ---------------------------------------------------------------------------------------
// Image lists: equally sized images, each with a colour part and a mask
// ---------------------------------------------------------------------------------------

typedef struct _IMAGELIST *HIMAGELIST;

#define ILC_MASK 0x00000001
#define ILC_COLOR 0x00000000
#define ILC_COLORDDB 0x000000FE
#define ILC_COLOR4 0x00000004
#define ILC_COLOR8 0x00000008
#define ILC_COLOR16 0x00000010
#define ILC_COLOR24 0x00000018
#define ILC_COLOR32 0x00000020

#define ILD_NORMAL 0x00000000
#define ILD_TRANSPARENT 0x00000001
#define ILD_MASK 0x00000010
#define ILD_IMAGE 0x00000020

#define CLR_NONE 0xFFFFFFFFL
#define CLR_DEFAULT 0xFF000000L

// A list of width x height images; initial and grow are sizing hints.
HIMAGELIST ImageList_Create(int width, int height, UINT flags, int initial, int grow);
BOOL ImageList_Destroy(HIMAGELIST list);
// Adds the images of a bitmap (one per `width` columns) with an optional 1-bit mask in
// which set bits are transparent. Without a mask, a 32-bit bitmap with alpha is
// transparent where its alpha is 0. Returns the index of the first new image, or -1.
int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask);
// A new icon made from one image; the caller destroys it.
HICON ImageList_GetIcon(HIMAGELIST list, int index, UINT flags);
