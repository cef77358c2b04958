// The mouse cursor, through GDK's pointer device, in screen coordinates.
#include <windows.h>

#include <gtk/gtk.h>

namespace {

GdkDevice *Pointer() {
  GdkDisplay *display = gdk_display_get_default();
  if (!display) return nullptr;
  GdkSeat *seat = gdk_display_get_default_seat(display);
  return seat ? gdk_seat_get_pointer(seat) : nullptr;
}

} // namespace

BOOL GetCursorPos(LPPOINT point) {
  if (!point) return FALSE;
  GdkDevice *pointer = Pointer();
  if (!pointer) {
    *point = POINT{0, 0};
    return FALSE;
  }
  int x = 0, y = 0;
  gdk_device_get_position(pointer, nullptr, &x, &y);
  *point = POINT{x, y};
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  GdkDevice *pointer = Pointer();
  if (!pointer) return FALSE;
  gdk_device_warp(pointer, gdk_display_get_default_screen(gdk_display_get_default()), x, y);
  // Make the move visible to the next GetCursorPos, as on Windows.
  gdk_display_sync(gdk_display_get_default());
  return TRUE;
}
