// The toolkit's windows by number, kept once for both ports. Each port defines its own
// TkPortWindow record (gtk/, win32/) and files it here as it opens a window; the table
// knows of a record only its address and its window handle.
//
// The render thread asks TkIsWindow and TkWindowHandle every frame while the GUI thread may
// open or close windows, so the table is guarded. Only the GUI thread changes it, and only
// the GUI thread follows the record pointers.
#pragma once

#include "toolkit.h"

#include <cstdint>
#include <vector>

struct TkPortWindow;

// A number for TK_ANY that no window has.
int64_t TkPickWindowNumber();
// Files a window that has just been opened, and makes it the current one (the window that
// gadgets go into).
void TkFileWindow(int64_t number, TkPortWindow *record, HWND handle);
// Takes a window out of the table; its record, or null when there was none.
TkPortWindow *TkUnfileWindow(int64_t number);

// The window of a number or a handle, or null. GUI thread.
TkPortWindow *TkFindWindow(int64_t number);
TkPortWindow *TkFindWindowByHandle(HWND handle);
// The window that gadgets go into (the one opened last), or null.
TkPortWindow *TkCurrentWindow();

// The numbers and handles of every window now open, in order of number.
struct TkWindowEntry {
  int64_t number;
  HWND handle;
};
std::vector<TkWindowEntry> TkEveryWindow();
// Closes every window (end of program).
void TkCloseAllWindows();
