// The scene: everything the frames are made of, set up once at start-up before the
// windows open and kept until the process ends.
#pragma once

#include "render_api.h"

// ---------------------------------------------------------------------------------------
// Pictures, brushes and the window border (null when a picture did not load: every
// Render API procedure takes a null handle and draws nothing with it)
// ---------------------------------------------------------------------------------------

extern RenderImage *BackgroundImage; // "Icons\322621.jpg" at 1024 x 768
extern RenderImage *FrameImage;      // ViewWidth x ViewHeight, where each frame is composed
extern RenderImage *LogoImage;       // "Icons\newlogo2_256x256.png" at 100 x 100
extern RenderImage *MaskImage;       // "Icons\backgroundMask.png"
extern RenderImage *BorderMaskImage; // "Icons\border_new_mask2.png"
extern RenderImage *BorderImage;     // "Icons\border_new2.png"
extern RenderBrush *MaskBrush;       // opacity brush of the outer layer
extern RenderBrush *LogoBrush;       // the logo, tiling in both directions
extern BorderMargins WindowBorderMargins;
extern RenderBorder *WindowBorder; // the 9-slice skin, drawn and used as a layer mask

// The picture shared by every ball (BallImage holds the same handle as an integer).
RenderImage *BallPicture();

// Starts the renderer, loads the pictures, makes the brushes and the border, records the
// ball picture for the ball model and names the renderer in RendererName. GUI thread,
// once, before any ball exists.
void SetUpScene();
