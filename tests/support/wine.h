// Wine is not Windows: a few Direct2D features are stubs in Wine 8.0. A test that needs
// one of them skips under Wine with the reason below; everywhere else it runs in full.
#pragma once

// True when the program runs under Wine (its ntdll exports wine_get_version).
bool RunningUnderWine();

// Why a test cannot run under Wine.
constexpr const char *WineCopyFromRenderTarget =
    "Wine's ID2D1Bitmap::CopyFromRenderTarget returns E_NOTIMPL, so no copy between targets ever gets pixels";
constexpr const char *WineImageListMask =
    "Wine's image lists make no mask from a 32-bit bitmap's alpha, so the icon keeps transparent pixels opaque";
constexpr const char *WineLayers = "Wine's PushLayer and PopLayer are stubs: nothing is clipped or masked";
constexpr const char *WineOpacityMask = "Wine's FillOpacityMask draws nothing";
constexpr const char *WineErrorState =
    "Wine keeps drawing, with no error, after a second BeginDraw and outside BeginDraw/EndDraw";
constexpr const char *WineBindDcInsideAFrame =
    "Wine's BindDC succeeds between BeginDraw and EndDraw, and so does the EndDraw after it";
constexpr const char *WineDcTargetCopy =
    "Wine's DC render target does not read the DC at BeginDraw: EndDraw writes its own pixels over the bound "
    "rectangle (transparent black where nothing was drawn), and so does an EndDraw outside a frame";
constexpr const char *WineIgnoredAlpha =
    "Wine's render targets that ignore alpha do not keep it at 255: a translucent fill leaves translucent pixels";
constexpr const char *WineFlush = "Wine's ID2D1RenderTarget::Flush returns E_NOTIMPL";
constexpr const char *WineAntialiasing = "Wine draws the edges of rectangles and bitmaps aliased in either mode";
