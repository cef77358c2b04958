// The mouse cursor, through GDK's pointer device, in screen coordinates.
#include <windows.h>

#include "user_internal.h"

#include <gdk/gdkwayland.h>
#include <gtk/gtk.h>

namespace {

GdkDevice *Pointer() {
  GdkDisplay *display = gdk_display_get_default();
  if (!display) return nullptr;
  GdkSeat *seat = gdk_display_get_default_seat(display);
  return seat ? gdk_seat_get_pointer(seat) : nullptr;
}

// Wayland tells a program where the pointer is only while it is over one of the
// program's windows, and then in that window's own coordinates: no window knows where it
// is on the screen. The first window the program opened (its main window) stands for the
// screen. Over it the cursor is exact; anywhere else it stays where it was last seen
// there, so what follows the cursor holds still instead of jumping into another window's
// coordinates. GUI thread.
POINT LastOverFirstWindow{0, 0};

POINT WaylandCursor(GdkDevice *pointer) {
  int x = 0, y = 0;
  GdkWindow *under = gdk_device_get_window_at_position(pointer, &x, &y);
  UserWindow *first = UserWindowAt(0);
  GdkWindow *firstToplevel = first ? gtk_widget_get_window(first->toplevel) : nullptr;
  if (under && firstToplevel && gdk_window_get_toplevel(under) == firstToplevel) {
    int originX = 0, originY = 0;
    gdk_window_get_origin(under, &originX, &originY);
    LastOverFirstWindow = POINT{originX + x, originY + y};
  }
  return LastOverFirstWindow;
}

} // namespace

BOOL GetCursorPos(LPPOINT point) {
  if (!point) return FALSE;
  GdkDevice *pointer = Pointer();
  if (!pointer) {
    *point = POINT{0, 0};
    return FALSE;
  }
  if (GDK_IS_WAYLAND_DISPLAY(gdk_device_get_display(pointer))) {
    *point = WaylandCursor(pointer);
    return TRUE;
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
