// Events and window callbacks on Win32. Gadget notifications and close requests become
// events in a queue; TkWaitWindowEvent pumps the thread's messages until one is there, so
// window messages (and the bound callbacks) run on the waiting thread meanwhile.
#include "port.h"
#include "win32_internal.h"

// ---------------------------------------------------------------------------------------
// Globals
// ---------------------------------------------------------------------------------------

namespace {

TkWindowCallback AllWindowsCallback = nullptr;

void Dispatch(MSG *message) {
  if (TkWin32Navigate(message)) return;
  TranslateMessage(message);
  DispatchMessageW(message);
}

// A gadget's notification in WM_COMMAND: clicks of options and changes of string fields.
void NoteCommand(WPARAM wParam, LPARAM lParam) {
  TkWin32Gadget *gadget = TkWin32FindGadgetByHandle(reinterpret_cast<HWND>(lParam));
  if (!gadget) return;
  WORD code = HIWORD(wParam);
  bool clicked = gadget->kind == TkGadgetKind::Option && code == BN_CLICKED;
  bool changed = gadget->kind == TkGadgetKind::String && code == EN_CHANGE;
  if (clicked && SendMessageW(gadget->handle, BM_GETCHECK, 0, 0) == BST_CHECKED) TkWin32OptionSelected(gadget);
  if (clicked || changed) TkQueueEvent(TK_EVENT_GADGET, gadget->window, gadget->number);
}

} // namespace

// ---------------------------------------------------------------------------------------
// Events
// ---------------------------------------------------------------------------------------

int TkWaitWindowEvent() {
  MSG message;
  TkWin32PlaceFocus();
  while (!TkEventWaiting()) {
    BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      // WM_QUIT (the session ends) or a broken queue: no other event will come, so every
      // window is asked to close, as its close box would.
      TkWin32QueueCloseOfEveryWindow();
      if (!TkEventWaiting()) TkQueueEvent(TK_EVENT_CLOSE_WINDOW, TK_ANY, TK_ANY);
      break;
    }
    Dispatch(&message);
  }
  return TkTakeEvent();
}

int TkWindowEvent(int timeoutMilliseconds) {
  ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMilliseconds > 0 ? timeoutMilliseconds : 0);
  MSG message;
  TkWin32PlaceFocus();
  while (!TkEventWaiting()) {
    if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      Dispatch(&message);
      continue;
    }
    ULONGLONG now = GetTickCount64();
    if (now >= deadline) return 0;
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
  return TkTakeEvent();
}

// ---------------------------------------------------------------------------------------
// Callbacks
// ---------------------------------------------------------------------------------------

void TkBindWindowCallback(TkWindowCallback callback, int64_t window) {
  if (window == TK_ANY) {
    AllWindowsCallback = callback;
    return;
  }
  if (TkPortWindow *record = TkFindWindow(window)) record->callback = callback;
}

LRESULT CALLBACK TkWin32WindowProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  TkPortWindow *window = TkFindWindowByHandle(handle);
  if (!window) return DefWindowProcW(handle, message, wParam, lParam);
  int64_t number = window->number;
  TkWindowCallback callback = window->callback ? window->callback : AllWindowsCallback;
  if (callback) {
    int64_t result = callback(handle, message, wParam, lParam);
    if (result != TK_DEFAULT_CALLBACK_RESULT) return static_cast<LRESULT>(result);
  }
  switch (message) {
  case WM_CLOSE:
    // The window stays open: the program decides what a close request means.
    TkQueueEvent(TK_EVENT_CLOSE_WINDOW, number, TK_ANY);
    return 0;
  case WM_COMMAND: NoteCommand(wParam, lParam); break;
  case WM_ACTIVATE:
    if (TkWin32Activate(window, wParam)) return 0;
    break;
  }
  return DefWindowProcW(handle, message, wParam, lParam);
}
