#include "scene.h"

#include "app_state.h"
#include "toolkit.h"

#include <string>

RenderImage *BackgroundImage = nullptr;
RenderImage *FrameImage = nullptr;
RenderImage *LogoImage = nullptr;
RenderImage *MaskImage = nullptr;
RenderImage *BorderMaskImage = nullptr;
RenderImage *BorderImage = nullptr;
RenderBrush *MaskBrush = nullptr;
RenderBrush *LogoBrush = nullptr;
BorderMargins WindowBorderMargins = {0, 0, 0, 0};
RenderBorder *WindowBorder = nullptr;

constexpr const char *BorderFile = "border_new2.png";
constexpr const char *BorderMaskFile = "border_new_mask2.png";

RenderImage *BallPicture() { return reinterpret_cast<RenderImage *>(BallImage); }

// The folder of the pictures, ending in a separator: "Icons" in the current folder, where
// the demo has always looked, else the "Icons" folder beside the program, so that an
// installed program runs from any folder. With neither, the names stay as the demo has
// always given them.
static std::string PicturesFolder() {
  if (TkFileSize("Icons") == -2) return "Icons\\";
  const std::string folder = TkProgramFolder();
  return !folder.empty() && TkFileSize(folder + "Icons") == -2 ? folder + "Icons\\" : "Icons\\";
}

// A picture that is missing or unreadable leaves its handle null (the loader names the
// file on standard error); the demo runs on without it, since every drawing procedure,
// brush and border accepts a null image and draws nothing for it.
static void LoadPictures(const std::string &folder) {
  BackgroundImage = LoadRenderImage(folder + "322621.jpg", 1024, 768, 0);
  FrameImage = CreateRenderImage(static_cast<int32_t>(ViewWidth), static_cast<int32_t>(ViewHeight), 0);
  LogoImage = LoadRenderImage(folder + "newlogo2_256x256.png", 100, 100, 0);
  BallImage = reinterpret_cast<int64_t>(LoadRenderImage(folder + "boingball.png", 0, 0, 0));
  MaskImage = LoadRenderImage(folder + "backgroundMask.png", 0, 0, 0);
  BorderMaskImage = LoadRenderImage(folder + BorderMaskFile, 0, 0, 0);
  BorderImage = LoadRenderImage(folder + BorderFile, 0, 0, 0);

  // 0 x 0 when the ball did not load.
  BallWidth = RenderImageWidth(BallPicture());
  BallHeight = RenderImageHeight(BallPicture());
}

static std::string Size(int32_t width, int32_t height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

// Reports once, as a failure line, when the border's pictures do not fit its slice lines or
// each other. The border is cut all the same: pieces that fall outside the picture come
// out transparent or not at all, and the mask is cut along the picture's lines.
static void CheckBorderPictures(const std::string &borderFile, const std::string &maskFile) {
  const int32_t w = RenderImageWidth(BorderImage), h = RenderImageHeight(BorderImage);
  const BorderMargins &m = WindowBorderMargins;
  if (BorderImage &&
      !(0 < m.left && m.left <= m.right && m.right < w && 0 < m.top && m.top <= m.bottom && m.bottom < h))
    TkReportFailure("Border picture \"" + borderFile + "\" is " + Size(w, h) +
                    " pixels, too small for its slice lines at " + std::to_string(m.left) + ", " +
                    std::to_string(m.top) + ", " + std::to_string(m.right) + ", " + std::to_string(m.bottom));
  const int32_t maskW = RenderImageWidth(BorderMaskImage), maskH = RenderImageHeight(BorderMaskImage);
  if (BorderImage && BorderMaskImage && (maskW != w || maskH != h))
    TkReportFailure("Border mask \"" + maskFile + "\" is " + Size(maskW, maskH) + " pixels, not the " + Size(w, h) +
                    " of its border picture \"" + borderFile + "\"");
}

static void MakeBrushesAndBorder(const std::string &folder) {
  MaskBrush = CreateRenderBrush(MaskImage);
  LogoBrush = CreateRenderBrush(LogoImage);
  SetRenderBrushExtendMode(LogoBrush, RENDER_EXTEND_WRAP, RENDER_EXTEND_WRAP);

  // The slice lines of border_new2.png: 20-pixel corners on the top left, a 20-pixel
  // frame (70 .. 90) on the bottom right.
  WindowBorderMargins = {20, 20, 70, 70};
  CheckBorderPictures(folder + BorderFile, folder + BorderMaskFile);
  WindowBorder = CreateRenderBorder(BorderImage, BorderMaskImage, &WindowBorderMargins);
}

static void NameRenderer() {
  switch (GetRenderBackend()) {
  case RENDER_BACKEND_DIRECT2D: RendererName = "Direct2D"; break;
  case RENDER_BACKEND_GDI: RendererName = "GDI"; break;
  default: RendererName.clear(); break;
  }
}

void SetUpScene() {
  StartRenderAPI();
  const std::string folder = PicturesFolder();
  LoadPictures(folder);
  MakeBrushesAndBorder(folder);
  NameRenderer();
}
