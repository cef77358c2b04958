// Common controls: initialisation and image lists.
#pragma once
#include <windows.h>

typedef struct tagINITCOMMONCONTROLSEX {
  DWORD dwSize;
  DWORD dwICC;
} INITCOMMONCONTROLSEX, *LPINITCOMMONCONTROLSEX;
#define ICC_WIN95_CLASSES 0x000000FF
#define ICC_STANDARD_CLASSES 0x00004000

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX *init);
