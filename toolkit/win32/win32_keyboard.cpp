// The keyboard in windows with gadgets on Win32: Tab, Shift+Tab and the arrow keys move as
// in a dialog, each window keeps the focus on one of its gadgets, and digits-only fields
// refuse a paste that holds anything else. Moving the focus is no gadget event; an arrow
// that selects an option clicks it, so the program sees what a mouse click gives.
#include "win32_internal.h"

#include <commctrl.h>

// ---------------------------------------------------------------------------------------
// Globals
// ---------------------------------------------------------------------------------------

namespace {

// A gadget was made since the focus was last placed: windows get their gadgets after they
// are shown and activated, when there was nothing to give the focus to.
bool FocusUnplaced = false;

// The control to focus in a window: the one that had the focus when the window was last
// left, or else its first tab stop (the selected option of a group), as a dialog does.
HWND FocusTarget(TkPortWindow *window) {
  if (window->focus && IsChild(window->handle, window->focus) && IsWindowEnabled(window->focus)) return window->focus;
  return GetNextDlgTabItem(window->handle, nullptr, FALSE);
}

bool AllDigits(const wchar_t *text) {
  for (; *text; text++)
    if (*text < L'0' || *text > L'9') return false;
  return true;
}

// Whether the clipboard holds text that is not digits alone. ES_NUMBER filters typed
// characters only: a pasted "abc" would get in and read as 0.
bool ClipboardHoldsNonDigits(HWND owner) {
  if (!OpenClipboard(owner)) return false;
  bool refused = false;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const wchar_t *text = static_cast<const wchar_t *>(GlobalLock(data))) {
      refused = !AllDigits(text);
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return refused;
}

// Ctrl+V, Shift+Insert and the context menu's Paste all reach the edit control as WM_PASTE.
LRESULT CALLBACK DigitsOnlyField(HWND handle, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (message == WM_PASTE && ClipboardHoldsNonDigits(handle)) {
    // The text and its selection stay as they were.
    MessageBeep(MB_OK);
    return 0;
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(handle, DigitsOnlyField, 1);
  return DefSubclassProc(handle, message, wParam, lParam);
}

} // namespace

// ---------------------------------------------------------------------------------------
// Navigation and focus
// ---------------------------------------------------------------------------------------

bool TkWin32Navigate(MSG *message) {
  if (message->message < WM_KEYFIRST || message->message > WM_KEYLAST || !message->hwnd) return false;
  HWND root = GetAncestor(message->hwnd, GA_ROOT);
  TkPortWindow *window = TkFindWindowByHandle(root);
  return window && TkWin32HasGadgets(window->number) && IsDialogMessageW(root, message);
}

void TkWin32GadgetMade() { FocusUnplaced = true; }

void TkWin32PlaceFocus() {
  if (!FocusUnplaced) return;
  FocusUnplaced = false;
  HWND active = GetActiveWindow();
  TkPortWindow *window = active ? TkFindWindowByHandle(active) : nullptr;
  // Only where nothing inside the window has the focus yet; a user's choice stays.
  if (!window || GetFocus() != active) return;
  if (HWND target = FocusTarget(window)) SetFocus(target);
}

bool TkWin32Activate(TkPortWindow *window, WPARAM wParam) {
  if (!TkWin32HasGadgets(window->number)) return false;
  if (LOWORD(wParam) == WA_INACTIVE) {
    HWND focus = GetFocus();
    if (focus && IsChild(window->handle, focus)) window->focus = focus;
    return false;
  }
  // A minimised window keeps the focus to itself, as DefWindowProc does.
  if (HIWORD(wParam) != 0) return false;
  HWND target = FocusTarget(window);
  if (!target) return false;
  SetFocus(target);
  return true;
}

void TkWin32AcceptDigitsOnly(HWND field) { SetWindowSubclass(field, DigitsOnlyField, 1, 0); }
