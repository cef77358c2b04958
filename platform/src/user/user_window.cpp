// Window records: registration in the handle table, message dispatch, client geometry.
#include "bridge/linux_window.h"
#include "user_internal.h"

// Every handle the platform gives out is registered in the kernel's handle table.
#include "kernel/handles.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <vector>

// ---------------------------------------------------------------------------------------
// Globals
// ---------------------------------------------------------------------------------------

namespace {

// Live windows in creation order; GUI thread only.
std::vector<UserWindow *> &Windows() {
  static std::vector<UserWindow *> *windows = new std::vector<UserWindow *>;
  return *windows;
}

void FreeRecord(UserWindow *window) {
  UserDetachPainting(window);
  delete window;
}

// Origin of the client widget on the screen; false when it is not on screen yet.
bool ClientOrigin(UserWindow *window, int *x, int *y) {
  GdkWindow *top = gtk_widget_get_window(window->toplevel);
  if (!top || !gtk_widget_get_realized(window->client)) return false;
  int originX = 0, originY = 0;
  gdk_window_get_origin(top, &originX, &originY);
  int insideX = 0, insideY = 0;
  if (!gtk_widget_translate_coordinates(window->client, window->toplevel, 0, 0, &insideX, &insideY)) return false;
  *x = originX + insideX;
  *y = originY + insideY;
  return true;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Records
// ---------------------------------------------------------------------------------------

UserWindow *UserWindowFromHandle(HWND window) {
  return static_cast<UserWindow *>(HandleLookup(window, HandleKind::Window));
}

bool UserIsWindow(HWND window) { return HandleLookup(window, HandleKind::Window) != nullptr; }

int UserWindowCount() { return static_cast<int>(Windows().size()); }

UserWindow *UserWindowAt(int index) {
  if (index < 0 || index >= UserWindowCount()) return nullptr;
  return Windows()[index];
}

HWND LinuxCreateWindow(GtkWidget *toplevel, GtkWidget *client, int width, int height, WNDPROC procedure) {
  if (!toplevel || !client || width < 1 || height < 1) return nullptr;
  UserAdoptGuiThread();

  UserWindow *window = new UserWindow{};
  window->toplevel = toplevel;
  window->client = client;
  window->width = width;
  window->height = height;
  window->procedure = procedure;
  // A new window is shown erased and painted once, as Windows does on the first show.
  window->invalid = true;
  window->erasePending = true;
  window->handle = static_cast<HWND>(HandleAdd(HandleKind::Window, window));
  Windows().push_back(window);
  UserAttachPainting(window);
  return window->handle;
}

void LinuxDestroyWindow(HWND handle) {
  UserWindow *window = static_cast<UserWindow *>(HandleRemove(handle, HandleKind::Window));
  if (!window) return;
  auto &windows = Windows();
  windows.erase(std::remove(windows.begin(), windows.end(), window), windows.end());
  UserCancelPaintRequests(handle);
  // Closing a window from inside its own procedure: the dispatch frees it on the way out.
  if (window->dispatchDepth > 0) {
    UserDetachPainting(window);
    window->destroyed = true;
    return;
  }
  FreeRecord(window);
}

LRESULT UserDispatch(UserWindow *window, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC procedure = window->procedure ? window->procedure : DefWindowProcW;
  HWND handle = window->handle;
  window->dispatchDepth++;
  LRESULT result = procedure(handle, message, wParam, lParam);
  window->dispatchDepth--;
  if (window->destroyed && window->dispatchDepth == 0) FreeRecord(window);
  return result;
}

LRESULT LinuxSendMessage(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  UserWindow *window = UserWindowFromHandle(handle);
  if (!window) return 0;
  return UserDispatch(window, message, wParam, lParam);
}

int LinuxWindowPresentCount(HWND handle) {
  UserWindow *window = UserWindowFromHandle(handle);
  return window ? window->presentCount : 0;
}

// ---------------------------------------------------------------------------------------
// Win32: windows and coordinates
// ---------------------------------------------------------------------------------------

BOOL ScreenToClient(HWND handle, LPPOINT point) {
  UserWindow *window = UserWindowFromHandle(handle);
  int x = 0, y = 0;
  if (!window || !point || !ClientOrigin(window, &x, &y)) return FALSE;
  point->x -= x;
  point->y -= y;
  return TRUE;
}

HWND GetActiveWindow() {
  for (UserWindow *window : Windows())
    if (gtk_window_is_active(GTK_WINDOW(window->toplevel))) return window->handle;
  return nullptr;
}
