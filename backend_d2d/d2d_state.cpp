// The backend's process-wide globals: empty until _D2D_Start, never released.
#include "d2d_backend.h"

ID2D1Factory *pD2DFactory = nullptr;
IDWriteFactory *pDWriteFactory = nullptr;
IWICImagingFactory *pWICFactory = nullptr;
IDWriteTextFormat *pTextFormat = nullptr;
ID2D1SolidColorBrush *pBlackBrush = nullptr;
ID3D10Device *pD3DDevice = nullptr;
ID2D1BitmapRenderTarget *pTempRenderTarget = nullptr;
BYTE bFactoriesLoaded = 0;
HMODULE hD2D1Module = nullptr;
HMODULE hDWriteModule = nullptr;
