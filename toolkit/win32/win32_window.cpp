// Windows by number on Win32. Every window is of the toolkit's class; its client area has
// exactly the asked size, whatever the frame of its style takes around it.
#include "port.h"
#include "text_utf.h"
#include "win32_internal.h"
#include "window_table.h"

// ---------------------------------------------------------------------------------------
// Placement
// ---------------------------------------------------------------------------------------

namespace {

// The low three bits of the flags place the window; the rest are window styles.
constexpr uint32_t PlacementBits = 7;

// Outer size of a window of that style around a client area of width x height.
SIZE OuterSize(DWORD style, DWORD exStyle, int width, int height) {
  RECT rect{0, 0, width, height};
  AdjustWindowRectEx(&rect, style, FALSE, exStyle);
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

POINT Placement(int x, int y, uint32_t flags, SIZE outer, const TkPortWindow *parent) {
  uint32_t placement = flags & PlacementBits;
  if (placement == TK_WINDOW_PARENT_CENTERED && parent) {
    RECT frame{};
    GetWindowRect(parent->handle, &frame);
    return POINT{frame.left + (frame.right - frame.left - outer.cx) / 2,
                 frame.top + (frame.bottom - frame.top - outer.cy) / 2};
  }
  if (placement == TK_WINDOW_SCREEN_CENTERED || placement == TK_WINDOW_PARENT_CENTERED) {
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return POINT{area.left + (area.right - area.left - outer.cx) / 2,
                 area.top + (area.bottom - area.top - outer.cy) / 2};
  }
  return POINT{x, y};
}

// Themes or title bars of more than one line can make the frame other than
// AdjustWindowRectEx said; the client area is what the program composes for, so the
// outer size follows it.
void HoldClientSize(HWND handle, int width, int height) {
  RECT client{}, frame{};
  GetClientRect(handle, &client);
  if (client.right == width && client.bottom == height) return;
  GetWindowRect(handle, &frame);
  SetWindowPos(handle, nullptr, 0, 0, frame.right - frame.left + width - client.right,
               frame.bottom - frame.top + height - client.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

// ---------------------------------------------------------------------------------------
// Shared with the other toolkit files
// ---------------------------------------------------------------------------------------

std::string TkWin32WindowText(HWND handle) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(handle)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(handle, text.data(), static_cast<int>(text.size()))));
  return TkWideToUtf8(text.c_str(), text.size());
}

void TkWin32QueueCloseOfEveryWindow() {
  for (const TkWindowEntry &entry : TkEveryWindow()) TkQueueEvent(TK_EVENT_CLOSE_WINDOW, entry.number, TK_ANY);
}

// ---------------------------------------------------------------------------------------
// Windows
// ---------------------------------------------------------------------------------------

int64_t TkOpenWindow(int64_t number, int x, int y, int width, int height, const std::string &title, uint32_t flags) {
  if (width < 1 || height < 1 || (number < 0 && number != TK_ANY)) return 0;
  if (number == TK_ANY) {
    number = TkPickWindowNumber();
  } else if (TkFindWindow(number)) {
    TkCloseWindow(number);
  }
  TkPortWindow *parent = TkCurrentWindow();
  DWORD style = flags & ~PlacementBits;
  DWORD exStyle = 0;
  SIZE outer = OuterSize(style, exStyle, width, height);
  POINT at = Placement(x, y, flags, outer, parent);

  HWND handle = CreateWindowExW(exStyle, TkWindowClass, TkUtf8ToWide(title).c_str(), style, at.x, at.y, outer.cx,
                                outer.cy, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!handle) return 0;
  TkPortWindow *window = new TkPortWindow{number, handle, nullptr, nullptr};
  // Filed before it is shown: the window procedure finds the window by its handle.
  TkFileWindow(number, window, handle);
  HoldClientSize(window->handle, width, height);
  ShowWindow(window->handle, SW_SHOWNORMAL);
  UpdateWindow(window->handle);
  TkWin32GadgetListChanged();
  return number;
}

void TkCloseWindow(int64_t number) {
  TkPortWindow *window = TkUnfileWindow(number);
  if (!window) return;
  TkWin32FreeGadgetsOf(number);
  TkDropEventsOf(number);
  DestroyWindow(window->handle);
  delete window;
}

int TkWindowX(int64_t number) {
  TkPortWindow *window = TkFindWindow(number);
  RECT frame{};
  return window && GetWindowRect(window->handle, &frame) ? frame.left : 0;
}

int TkWindowY(int64_t number) {
  TkPortWindow *window = TkFindWindow(number);
  RECT frame{};
  return window && GetWindowRect(window->handle, &frame) ? frame.top : 0;
}

int TkWindowWidth(int64_t number, int mode) {
  TkPortWindow *window = TkFindWindow(number);
  RECT rect{};
  if (!window) return 0;
  if (mode == TK_WINDOW_INNER_SIZE) return GetClientRect(window->handle, &rect) ? rect.right : 0;
  return GetWindowRect(window->handle, &rect) ? rect.right - rect.left : 0;
}

int TkWindowHeight(int64_t number, int mode) {
  TkPortWindow *window = TkFindWindow(number);
  RECT rect{};
  if (!window) return 0;
  if (mode == TK_WINDOW_INNER_SIZE) return GetClientRect(window->handle, &rect) ? rect.bottom : 0;
  return GetWindowRect(window->handle, &rect) ? rect.bottom - rect.top : 0;
}

std::string TkWindowTitle(int64_t number) {
  TkPortWindow *window = TkFindWindow(number);
  return window ? TkWin32WindowText(window->handle) : "";
}

void TkStickyWindow(int64_t number, int flag) {
  TkPortWindow *window = TkFindWindow(number);
  if (window)
    SetWindowPos(window->handle, flag ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}
