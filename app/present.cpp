#include "paint.h"
#include "scene.h"

// Without the Direct2D backend nothing is drawn and the window keeps what it showed.
void PresentFrame(HDC dc) { DrawRenderImageToDC(FrameImage, dc); }
