// Windows by number on GTK 3. A window is a GtkWindow that is not resizable, holding a
// GtkFixed of exactly the client size; a drawing area at the back of the fixed shows the
// platform's back buffer and the gadgets sit in front of it.
#include "gtk_internal.h"

#include <gdk/gdkx.h>

#include "port.h"
#include "linux_window.h"
#include "window_table.h"

namespace {

// ---------------------------------------------------------------------------------------
// Placement
// ---------------------------------------------------------------------------------------

GdkRectangle ScreenArea() {
  GdkRectangle area{0, 0, 0, 0};
  GdkDisplay *display = gdk_display_get_default();
  GdkMonitor *monitor = gdk_display_get_primary_monitor(display);
  if (!monitor) monitor = gdk_display_get_monitor(display, 0);
  if (monitor) gdk_monitor_get_geometry(monitor, &area);
  return area;
}

// Outer frame of a window on the screen; with no window manager the frame is the client
// area itself.
GdkRectangle FrameOf(const TkPortWindow *window) {
  GdkWindow *gdkWindow = gtk_widget_get_window(window->window);
  GdkRectangle frame{window->requestedX, window->requestedY, window->width, window->height};
  if (gdkWindow && gtk_widget_get_realized(window->window)) gdk_window_get_frame_extents(gdkWindow, &frame);
  return frame;
}

// A minimised (iconified) window has no client area, as Windows reports it: GTK keeps the
// allocation of the hidden widgets, which would place balls spawned meanwhile inside a
// window nobody sees instead of at its edge. Only X11 tells: a Wayland compositor never
// says whether a window is minimised, so GDK's flag there is no guide.
bool Minimised(const TkPortWindow *window) {
  GdkWindow *gdkWindow = gtk_widget_get_window(window->window);
  return gdkWindow && GDK_IS_X11_WINDOW(gdkWindow) && (gdk_window_get_state(gdkWindow) & GDK_WINDOW_STATE_ICONIFIED);
}

void Place(TkPortWindow *window, int x, int y, uint32_t flags, const TkPortWindow *parent) {
  uint32_t placement = flags & 7;
  if (placement == TK_WINDOW_PARENT_CENTERED && parent) {
    GdkRectangle frame = FrameOf(parent);
    x = frame.x + (frame.width - window->width) / 2;
    y = frame.y + (frame.height - window->height) / 2;
  } else if (placement == TK_WINDOW_SCREEN_CENTERED || placement == TK_WINDOW_PARENT_CENTERED) {
    GdkRectangle area = ScreenArea();
    x = area.x + (area.width - window->width) / 2;
    y = area.y + (area.height - window->height) / 2;
  }
  window->requestedX = x;
  window->requestedY = y;
  gtk_window_move(GTK_WINDOW(window->window), x, y);
}

// Tells the window manager which frame buttons the styles ask for.
void ApplyFrameStyle(TkPortWindow *window, uint32_t flags) {
  GdkWindow *gdkWindow = gtk_widget_get_window(window->window);
  if (!gdkWindow) return;
  int functions = GDK_FUNC_MOVE;
  int decorations = GDK_DECOR_BORDER;
  if ((flags & TK_WINDOW_CAPTION) == TK_WINDOW_CAPTION) decorations |= GDK_DECOR_TITLE;
  if (flags & TK_WINDOW_SYSTEM_MENU) {
    functions |= GDK_FUNC_CLOSE;
    decorations |= GDK_DECOR_MENU;
  }
  if (flags & TK_WINDOW_MINIMIZE_BOX) {
    functions |= GDK_FUNC_MINIMIZE;
    decorations |= GDK_DECOR_MINIMIZE;
  }
  gdk_window_set_functions(gdkWindow, static_cast<GdkWMFunction>(functions));
  gdk_window_set_decorations(gdkWindow, static_cast<GdkWMDecoration>(decorations));
}

// The close box asks, it does not close: the window procedure (and through it the
// program) decides.
gboolean OnDeleteEvent(GtkWidget *, GdkEvent *, gpointer data) {
  HWND handle = static_cast<HWND>(data);
  LinuxSendMessage(handle, WM_CLOSE, 0, 0);
  return TRUE;
}

void FreeWindow(TkPortWindow *window) {
  TkGtkFreeGadgetsOf(window->number);
  TkDropEventsOf(window->number);
  // The platform lets go of the widgets before they are destroyed.
  LinuxDestroyWindow(window->handle);
  gtk_widget_destroy(window->window);
  delete window;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Shared with the other toolkit files
// ---------------------------------------------------------------------------------------

int TkGtkAskEveryWindowToClose() {
  std::vector<TkWindowEntry> every = TkEveryWindow();
  // A window closed by an earlier request is no longer live, and the message goes nowhere.
  for (const TkWindowEntry &entry : every) LinuxSendMessage(entry.handle, WM_CLOSE, 0, 0);
  return static_cast<int>(every.size());
}

// ---------------------------------------------------------------------------------------
// Windows
// ---------------------------------------------------------------------------------------

int64_t TkOpenWindow(int64_t number, int x, int y, int width, int height, const std::string &title, uint32_t flags) {
  if (!TkGtkReady() || width < 1 || height < 1) return 0;
  if (number == TK_ANY) {
    number = TkPickWindowNumber();
  } else if (number < 0) {
    return 0;
  } else if (TkFindWindow(number)) {
    TkCloseWindow(number);
  }
  TkPortWindow *parent = TkCurrentWindow();

  TkPortWindow *window = new TkPortWindow{};
  window->number = number;
  window->width = width;
  window->height = height;
  window->window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWindow *gtkWindow = GTK_WINDOW(window->window);
  gtk_window_set_title(gtkWindow, title.c_str());
  gtk_window_set_resizable(gtkWindow, FALSE);
  gtk_window_set_decorated(gtkWindow, (flags & TK_WINDOW_CAPTION) != 0);
  gtk_window_set_deletable(gtkWindow, (flags & TK_WINDOW_SYSTEM_MENU) != 0);
  gtk_style_context_add_class(gtk_widget_get_style_context(window->window), "tk-window");

  window->fixed = gtk_fixed_new();
  gtk_widget_set_size_request(window->fixed, width, height);
  gtk_container_add(GTK_CONTAINER(window->window), window->fixed);
  window->client = gtk_drawing_area_new();
  // Without a window of its own the drawing area paints below the gadgets, which draw
  // on the same surface after it.
  gtk_widget_set_has_window(window->client, FALSE);
  gtk_widget_set_size_request(window->client, width, height);
  gtk_fixed_put(GTK_FIXED(window->fixed), window->client, 0, 0);

  window->handle = LinuxCreateWindow(window->window, window->client, width, height, TkGtkWindowProcedure);
  if (!window->handle) {
    gtk_widget_destroy(window->window);
    delete window;
    return 0;
  }
  g_signal_connect(window->window, "delete-event", G_CALLBACK(OnDeleteEvent), window->handle);
  Place(window, x, y, flags, parent);
  gtk_widget_realize(window->window);
  ApplyFrameStyle(window, flags);
  gtk_widget_show_all(window->window);

  TkFileWindow(number, window, window->handle);
  TkGtkGadgetListChanged();
  return number;
}

void TkCloseWindow(int64_t number) {
  if (TkPortWindow *window = TkUnfileWindow(number)) FreeWindow(window);
}

int TkWindowX(int64_t number) {
  TkPortWindow *window = TkFindWindow(number);
  return window ? FrameOf(window).x : 0;
}

int TkWindowY(int64_t number) {
  TkPortWindow *window = TkFindWindow(number);
  return window ? FrameOf(window).y : 0;
}

int TkWindowWidth(int64_t number, int mode) {
  TkPortWindow *window = TkFindWindow(number);
  if (!window) return 0;
  if (mode == TK_WINDOW_INNER_SIZE) {
    if (Minimised(window)) return 0;
    int allocated = gtk_widget_get_allocated_width(window->fixed);
    return allocated > 1 ? allocated : window->width;
  }
  return FrameOf(window).width;
}

int TkWindowHeight(int64_t number, int mode) {
  TkPortWindow *window = TkFindWindow(number);
  if (!window) return 0;
  if (mode == TK_WINDOW_INNER_SIZE) {
    if (Minimised(window)) return 0;
    int allocated = gtk_widget_get_allocated_height(window->fixed);
    return allocated > 1 ? allocated : window->height;
  }
  return FrameOf(window).height;
}

std::string TkWindowTitle(int64_t number) {
  TkPortWindow *window = TkFindWindow(number);
  if (!window) return "";
  const char *title = gtk_window_get_title(GTK_WINDOW(window->window));
  return title ? title : "";
}

void TkStickyWindow(int64_t number, int flag) {
  TkPortWindow *window = TkFindWindow(number);
  if (window) gtk_window_set_keep_above(GTK_WINDOW(window->window), flag != 0);
}
