// The Render API's process-wide state, its start and the choice of drawing backend.
#include "render_internal.h"

#include <initializer_list>

int64_t RenderBackend = RENDER_BACKEND_NONE;
ID2D1DCRenderTarget *MainRenderTarget = nullptr;
TkList *ImageList = nullptr;
TkList *BrushList = nullptr;
TkList *BorderList = nullptr;
TkList *DrawingStack = nullptr;

bool SystemHasDirect2D() {
  // Direct2D exists from Windows NT 6.0 on, OS version code 70; a version the toolkit does
  // not know (code 200) is taken as newer.
  constexpr int FirstDirect2DVersion = 70;
  return TkOSVersion() >= FirstDirect2DVersion;
}

void StartRenderAPI() {
  if (SystemHasDirect2D()) {
    _D2D_Start();
    MainRenderTarget = static_cast<ID2D1DCRenderTarget *>(_D2D_CreateRenderTarget(1, nullptr, nullptr));
  }
  RenderBackend = RENDER_BACKEND_NONE;
  // Refused on older systems: the Render API then keeps its records but draws nothing.
  SetRenderBackend(RENDER_BACKEND_DIRECT2D);

  ImageList = TkNewList(sizeof(RenderImage));
  DrawingStack = TkNewList(sizeof(DrawingContext));
  BrushList = TkNewList(sizeof(RenderBrush));
  BorderList = TkNewList(sizeof(RenderBorder));
  TkUsePNGDecoder();
  TkUseJPEGDecoder();
}

void StopRenderAPI() {
  while (CurrentDrawingContext()) StopRenderDrawing();
  if (ImageList) {
    TkResetList(ImageList);
    while (RenderImage *image = static_cast<RenderImage *>(TkNextElement(ImageList))) ReleaseRenderImageObjects(image);
  }
  if (BrushList) {
    TkResetList(BrushList);
    while (RenderBrush *brush = static_cast<RenderBrush *>(TkNextElement(BrushList)))
      if (brush->brush) _D2D_ReleaseBrush(brush->brush);
  }
  // Borders only refer to brushes, which went above.
  for (TkList **list : {&ImageList, &BrushList, &BorderList, &DrawingStack}) {
    if (*list) TkFreeList(*list);
    *list = nullptr;
  }
  if (MainRenderTarget) MainRenderTarget->Release();
  MainRenderTarget = nullptr;
  RenderBackend = RENDER_BACKEND_NONE;
  _D2D_Stop();
}

int64_t SetRenderBackend(int64_t mode) {
  if (mode == RENDER_BACKEND_DIRECT2D) {
    if (!SystemHasDirect2D()) return 0;
    RenderBackend = RENDER_BACKEND_DIRECT2D;
    return 1;
  }
  if (mode == RENDER_BACKEND_GDI) {
    RenderBackend = RENDER_BACKEND_GDI;
    return 1;
  }
  return 0;
}

int64_t GetRenderBackend() { return RenderBackend; }
