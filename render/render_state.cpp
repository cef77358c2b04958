// The Render API's process-wide state and the choice of drawing backend.
#include "render_internal.h"

int64_t RenderBackend = -1;
ID2D1DCRenderTarget *MainRenderTarget = nullptr;
TkList *ImageList = nullptr;
TkList *BrushList = nullptr;
TkList *BorderList = nullptr;
TkList *DrawingStack = nullptr;

int64_t SetRenderBackend(int64_t mode) {
  if (mode == 1) {
    // Direct2D exists from Windows NT 6.0 on (version code 70); unknown versions are newer.
    if (TkOSVersion() > 69) {
      RenderBackend = 1;
      return 1;
    }
    return 0;
  }
  if (mode == 0) {
    RenderBackend = 0;
    return 1;
  }
  return 0;
}

int64_t GetRenderBackend() { return RenderBackend; }
