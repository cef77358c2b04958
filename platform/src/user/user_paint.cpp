// Painting: BeginPaint hands out a memory DC over the window's back buffer, EndPaint
// asks GTK to show it, and the client widget's draw handler copies the back buffer to
// the screen. A window that cannot be exposed (minimised, covered) still paints into its
// back buffer, so a synchronous repaint never waits for the screen.
#include "bridge/linux_window.h"
#include "user_internal.h"

#include <gtk/gtk.h>

// ---------------------------------------------------------------------------------------
// Back buffer
// ---------------------------------------------------------------------------------------

namespace {

bool EnsureBackBuffer(UserWindow *window) {
  if (window->backDc) return true;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = window->width;
  info.bmiHeader.biHeight = -window->height; // top-down, like the screen
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void *bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || !bits) {
    if (bitmap) DeleteObject(bitmap);
    return false;
  }
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) {
    DeleteObject(bitmap);
    return false;
  }
  window->backDcOldBitmap = SelectObject(dc, bitmap);
  window->backBitmap = bitmap;
  window->backDc = dc;
  window->backBits = static_cast<uint8_t *>(bits);
  return true;
}

void FreeBackBuffer(UserWindow *window) {
  if (!window->backDc) return;
  SelectObject(window->backDc, window->backDcOldBitmap);
  DeleteDC(window->backDc);
  DeleteObject(window->backBitmap);
  window->backDc = nullptr;
  window->backBitmap = nullptr;
  window->backDcOldBitmap = nullptr;
  window->backBits = nullptr;
}

// ---------------------------------------------------------------------------------------
// Showing the back buffer
// ---------------------------------------------------------------------------------------

gboolean DrawClient(GtkWidget *, cairo_t *cairo, gpointer data) {
  HWND handle = static_cast<HWND>(data);
  UserWindow *window = UserWindowFromHandle(handle);
  if (!window) return FALSE;
  // The first exposure paints through the window procedure, so the first frame shown is
  // the window's own and not an empty buffer.
  if (!window->paintedOnce) {
    window->inDrawHandler = true;
    UserPaintNow(window);
    window = UserWindowFromHandle(handle);
    if (!window) return FALSE;
    window->inDrawHandler = false;
  }
  // A window that never painted itself keeps the theme's background.
  if (window->hasContent && window->backBits) {
    int stride = window->width * 4;
    cairo_surface_t *surface = cairo_image_surface_create_for_data(window->backBits, CAIRO_FORMAT_RGB24, window->width,
                                                                   window->height, stride);
    cairo_save(cairo);
    cairo_set_operator(cairo, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cairo, surface, 0, 0);
    cairo_rectangle(cairo, 0, 0, window->width, window->height);
    cairo_fill(cairo);
    cairo_restore(cairo);
    cairo_surface_destroy(surface);
  }
  window->presentCount++;
  return FALSE;
}

} // namespace

void UserAttachPainting(UserWindow *window) {
  window->drawHandler = g_signal_connect(window->client, "draw", G_CALLBACK(DrawClient), window->handle);
}

void UserDetachPainting(UserWindow *window) {
  if (window->drawHandler) g_signal_handler_disconnect(window->client, window->drawHandler);
  window->drawHandler = 0;
  FreeBackBuffer(window);
}

void UserPaintNow(UserWindow *window) {
  window->paintedOnce = true;
  HWND handle = window->handle;
  UserDispatch(window, WM_PAINT, 0, 0);
  // A procedure that ignores WM_PAINT must not be asked again and again.
  if (UserWindow *still = UserWindowFromHandle(handle)) still->invalid = false;
}

// ---------------------------------------------------------------------------------------
// Win32
// ---------------------------------------------------------------------------------------

HDC BeginPaint(HWND handle, LPPAINTSTRUCT paint) {
  UserWindow *window = UserWindowFromHandle(handle);
  if (!window || !paint) return nullptr;
  *paint = PAINTSTRUCT{};
  if (!EnsureBackBuffer(window)) return nullptr;
  HDC dc = window->backDc;
  paint->hdc = dc;
  paint->rcPaint = RECT{0, 0, window->width, window->height};
  window->invalid = false;
  window->painting = true;
  if (window->erasePending) {
    window->erasePending = false;
    // fErase tells the painter that nobody erased the background.
    paint->fErase = UserDispatch(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) == 0;
  }
  return dc;
}

BOOL EndPaint(HWND handle, const PAINTSTRUCT *) {
  UserWindow *window = UserWindowFromHandle(handle);
  if (!window || !window->painting) return FALSE;
  window->painting = false;
  window->hasContent = true;
  if (!window->inDrawHandler) gtk_widget_queue_draw(window->client);
  return TRUE;
}

LRESULT DefWindowProcW(HWND handle, UINT message, WPARAM, LPARAM) {
  switch (message) {
  case WM_PAINT:
    // Nothing to draw: validating is enough, and the theme's background stays visible.
    if (UserWindow *window = UserWindowFromHandle(handle)) window->invalid = false;
    return 0;
  case WM_ERASEBKGND: return 0; // no class background of our own: GTK's theme draws it
  default: return 0;
  }
}
