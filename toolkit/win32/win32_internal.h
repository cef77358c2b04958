// What the Win32 toolkit files share: the window and gadget records and the window
// procedure that hands messages to the bound callbacks. Everything here runs
// on the GUI thread; the window table is in window_table.h.
#pragma once

#include "toolkit.h"
#include "window_table.h"

#include <cstdint>

// ---------------------------------------------------------------------------------------
// Records
// ---------------------------------------------------------------------------------------

struct TkPortWindow {
  int64_t number;
  HWND handle;
  TkWindowCallback callback;
  HWND focus; // the gadget that had the keyboard focus when the window was last left
};

enum class TkGadgetKind { Text, Option, String };

struct TkWin32Gadget {
  int64_t number;
  int64_t window;
  TkGadgetKind kind;
  HWND handle;
  int64_t group; // options: the number of the first option of their group
};

// ---------------------------------------------------------------------------------------
// Shared procedures
// ---------------------------------------------------------------------------------------

// The window class of every toolkit window, registered by TkInit.
extern const wchar_t TkWindowClass[];
// The font of every gadget: the one Windows programs use for their dialogs and messages,
// at its ordinary size. Made by TkInit.
HFONT TkWin32GadgetFont();

// The text of a window or control as UTF-8.
std::string TkWin32WindowText(HWND handle);
// Queues a close request of every window (the message loop has ended).
void TkWin32QueueCloseOfEveryWindow();

// Frees the gadgets of a window that is closing.
void TkWin32FreeGadgetsOf(int64_t window);
// The gadget of a control, or null.
TkWin32Gadget *TkWin32FindGadgetByHandle(HWND handle);
// A window was opened: the next option starts a new group.
void TkWin32GadgetListChanged();
// Whether the window holds any gadget.
bool TkWin32HasGadgets(int64_t window);
// An option was selected: it becomes its group's tab stop.
void TkWin32OptionSelected(TkWin32Gadget *option);

// Keyboard (win32_keyboard.cpp)
// Lets the dialog manager take a key meant for a window with gadgets (Tab, Shift+Tab, the
// arrows); true when it took and dispatched the message.
bool TkWin32Navigate(MSG *message);
// A gadget was made: the focus is placed once the event loop runs again.
void TkWin32GadgetMade();
// Gives the focus to the first tab stop of the active window when nothing in it has it.
void TkWin32PlaceFocus();
// WM_ACTIVATE of a window: keeps its focused gadget when it is left and gives the focus
// back when it is activated; true when the focus was given.
bool TkWin32Activate(TkPortWindow *window, WPARAM wParam);
// Makes a digits-only edit field refuse a paste that holds anything but digits.
void TkWin32AcceptDigitsOnly(HWND field);

// The window procedure of every toolkit window: bound callback first, then the
// toolkit's own handling, then DefWindowProcW.
LRESULT CALLBACK TkWin32WindowProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
