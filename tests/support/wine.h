// Wine is not Windows: a few Direct2D features are stubs in Wine 8.0. A test that needs
// one of them skips under Wine with the reason below; everywhere else it runs in full.
#pragma once

// True when the program runs under Wine (its ntdll exports wine_get_version).
bool RunningUnderWine();

// Why a test cannot run under Wine.
constexpr const char *kWineCopyFromRenderTarget =
    "Wine's ID2D1Bitmap::CopyFromRenderTarget returns E_NOTIMPL, so no copy between targets ever gets pixels";
constexpr const char *kWineImageListMask =
    "Wine's image lists make no mask from a 32-bit bitmap's alpha, so the icon keeps transparent pixels opaque";
constexpr const char *kWineLayers = "Wine's PushLayer and PopLayer are stubs: nothing is clipped or masked";
constexpr const char *kWineOpacityMask = "Wine's FillOpacityMask draws nothing";
constexpr const char *kWineSourceClipping =
    "Wine's DrawBitmap does not clip a source rectangle to its bitmap: the part past the bitmap's edge repeats the "
    "edge pixels over the destination";
constexpr const char *kWineErrorState =
    "Wine keeps drawing, with no error, after a second BeginDraw and outside BeginDraw/EndDraw";
constexpr const char *kWineFlush = "Wine's ID2D1RenderTarget::Flush returns E_NOTIMPL";
constexpr const char *kWineAntialiasing = "Wine draws the edges of rectangles and bitmaps aliased in either mode";
