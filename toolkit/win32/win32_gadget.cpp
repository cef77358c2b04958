// Gadgets on Win32: static texts, automatic radio buttons and one-line edit fields, real
// controls at exact rectangles of the current window's client area, in the font that
// Windows programs use for dialogs.
#include "object_numbers.h"
#include "text_utf.h"
#include "win32_internal.h"

#include <map>

// ---------------------------------------------------------------------------------------
// Globals
// ---------------------------------------------------------------------------------------

namespace {

// Gadget numbers are global, like window numbers. GUI thread only.
std::map<int64_t, TkWin32Gadget *> Gadgets;
int64_t NextPickedNumber = TkFirstPickedNumber;

// The option created last, while no other gadget has come after it: the next option
// joins its group.
int64_t OpenGroupOption = TK_ANY;

TkWin32Gadget *Find(int64_t number) {
  auto found = Gadgets.find(number);
  return found == Gadgets.end() ? nullptr : found->second;
}

void FreeGadget(TkWin32Gadget *gadget) {
  if (OpenGroupOption == gadget->number) OpenGroupOption = TK_ANY;
  DestroyWindow(gadget->handle);
  delete gadget;
}

// Makes the control at its rectangle in the current window under the number; returns the
// record, or null when there is no current window or the number is not usable.
TkWin32Gadget *AddGadget(int64_t number, TkGadgetKind kind, const wchar_t *className, DWORD style, DWORD exStyle, int x,
                         int y, int width, int height, const std::string &text) {
  TkPortWindow *window = TkCurrentWindow();
  if (!window || (number < 0 && number != TK_ANY) || width < 0 || height < 0) return nullptr;
  if (number == TK_ANY) {
    number = TkPickNumber(Gadgets, &NextPickedNumber);
  } else if (TkWin32Gadget *old = Find(number)) {
    Gadgets.erase(number);
    FreeGadget(old);
  }
  // Windows groups radio buttons from one WS_GROUP control to the next, so every gadget
  // that is not a following option closes the group before it.
  TkWin32Gadget *previous = Find(OpenGroupOption);
  bool joinsGroup = kind == TkGadgetKind::Option && previous && previous->window == window->number;
  if (!joinsGroup) style |= WS_GROUP;
  // Until one is selected, the first option is its group's tab stop.
  if (kind == TkGadgetKind::Option && !joinsGroup) style |= WS_TABSTOP;
  HWND handle = CreateWindowExW(exStyle, className, TkUtf8ToWide(text).c_str(), WS_CHILD | WS_VISIBLE | style, x, y,
                                width, height, window->handle, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!handle) return nullptr;
  SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(TkWin32GadgetFont()), FALSE);
  TkWin32Gadget *gadget = new TkWin32Gadget{number, window->number, kind, handle, number};
  if (joinsGroup) gadget->group = previous->group;
  Gadgets[number] = gadget;
  OpenGroupOption = kind == TkGadgetKind::Option ? number : TK_ANY;
  TkWin32GadgetMade();
  return gadget;
}

} // namespace

void TkWin32FreeGadgetsOf(int64_t window) {
  for (auto entry = Gadgets.begin(); entry != Gadgets.end();) {
    if (entry->second->window == window) {
      TkWin32Gadget *gadget = entry->second;
      entry = Gadgets.erase(entry);
      FreeGadget(gadget);
    } else {
      ++entry;
    }
  }
}

TkWin32Gadget *TkWin32FindGadgetByHandle(HWND handle) {
  for (auto &entry : Gadgets)
    if (entry.second->handle == handle) return entry.second;
  return nullptr;
}

void TkWin32GadgetListChanged() { OpenGroupOption = TK_ANY; }

bool TkWin32HasGadgets(int64_t window) {
  for (auto &entry : Gadgets)
    if (entry.second->window == window) return true;
  return false;
}

// The one tab stop of an option group is its selected option, so that Tab lands on the
// selection, as in GTK. Focus reaching an option that is not selected would select it on
// Windows, and tabbing through the window would change the choice.
void TkWin32OptionSelected(TkWin32Gadget *option) {
  for (auto &entry : Gadgets) {
    TkWin32Gadget *member = entry.second;
    if (member->kind != TkGadgetKind::Option || member->group != option->group) continue;
    LONG_PTR style = GetWindowLongPtrW(member->handle, GWL_STYLE);
    LONG_PTR wanted = member == option ? style | WS_TABSTOP : style & ~static_cast<LONG_PTR>(WS_TABSTOP);
    if (wanted != style) SetWindowLongPtrW(member->handle, GWL_STYLE, wanted);
  }
}

int64_t TkTextGadget(int64_t number, int x, int y, int width, int height, const std::string &text) {
  TkWin32Gadget *gadget =
      AddGadget(number, TkGadgetKind::Text, L"STATIC", SS_LEFT | SS_NOPREFIX, 0, x, y, width, height, text);
  return gadget ? gadget->number : 0;
}

int64_t TkOptionGadget(int64_t number, int x, int y, int width, int height, const std::string &text) {
  TkWin32Gadget *gadget =
      AddGadget(number, TkGadgetKind::Option, L"BUTTON", BS_AUTORADIOBUTTON, 0, x, y, width, height, text);
  return gadget ? gadget->number : 0;
}

int64_t TkStringGadget(int64_t number, int x, int y, int width, int height, const std::string &text, uint32_t flags) {
  DWORD style = ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP;
  if (flags & TK_STRING_NUMERIC) style |= ES_NUMBER;
  TkWin32Gadget *gadget =
      AddGadget(number, TkGadgetKind::String, L"EDIT", style, WS_EX_CLIENTEDGE, x, y, width, height, text);
  if (gadget && (flags & TK_STRING_NUMERIC)) TkWin32AcceptDigitsOnly(gadget->handle);
  return gadget ? gadget->number : 0;
}

// ---------------------------------------------------------------------------------------
// State and text
// ---------------------------------------------------------------------------------------

int TkGetGadgetState(int64_t number) {
  TkWin32Gadget *gadget = Find(number);
  if (!gadget || gadget->kind != TkGadgetKind::Option) return 0;
  return SendMessageW(gadget->handle, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void TkSetGadgetState(int64_t number, int state) {
  TkWin32Gadget *gadget = Find(number);
  if (!gadget || gadget->kind != TkGadgetKind::Option) return;
  // BM_SETCHECK neither notifies nor clears the other options; a selection from code
  // clears them here, as a click would.
  if (state) {
    for (auto &entry : Gadgets)
      if (entry.second != gadget && entry.second->kind == TkGadgetKind::Option && entry.second->group == gadget->group)
        SendMessageW(entry.second->handle, BM_SETCHECK, BST_UNCHECKED, 0);
  }
  SendMessageW(gadget->handle, BM_SETCHECK, state ? BST_CHECKED : BST_UNCHECKED, 0);
  if (state) TkWin32OptionSelected(gadget);
}

std::string TkGetGadgetText(int64_t number) {
  TkWin32Gadget *gadget = Find(number);
  return gadget ? TkWin32WindowText(gadget->handle) : "";
}

void TkSetGadgetText(int64_t number, const std::string &text) {
  // A digits-only field filters what is typed or pasted; the program's own text is taken
  // as it is, and the edit field reports the change like any other.
  if (TkWin32Gadget *gadget = Find(number)) SetWindowTextW(gadget->handle, TkUtf8ToWide(text).c_str());
}

bool TkGadgetRect(int64_t number, RECT *rect) {
  TkWin32Gadget *gadget = Find(number);
  TkPortWindow *window = gadget ? TkFindWindow(gadget->window) : nullptr;
  if (!window || !rect || !GetWindowRect(gadget->handle, rect)) return false;
  MapWindowPoints(nullptr, window->handle, reinterpret_cast<POINT *>(rect), 2);
  return true;
}
