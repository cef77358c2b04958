// The window record behind an HWND and what the user stand-ins share about it. Records
// are made, used and freed on the GUI thread only; other threads may look a handle up
// to learn that it is live, but never read the record.
#pragma once

#include <windows.h>

typedef struct _GtkWidget GtkWidget;

struct UserWindow {
  HWND handle;
  GtkWidget *toplevel;
  GtkWidget *client;
  unsigned long drawHandler; // the client's "draw" signal connection
  int width;                 // client size, fixed for the window's life
  int height;
  WNDPROC procedure;

  // Back buffer: a 32-bit top-down DIB section of the client size, selected into a
  // memory DC that BeginPaint hands out. Made on the first paint.
  HBITMAP backBitmap;
  HDC backDc;
  HGDIOBJ backDcOldBitmap;
  uint8_t *backBits;

  bool invalid;       // a repaint is wanted
  bool erasePending;  // the next BeginPaint sends WM_ERASEBKGND first
  bool painting;      // between BeginPaint and EndPaint
  bool hasContent;    // EndPaint has run at least once: the back buffer is worth showing
  bool paintedOnce;   // WM_PAINT has gone through the procedure at least once
  bool paintQueued;   // an idle paint is already on its way
  bool inDrawHandler; // GTK is drawing the client right now: no need to queue another draw
  int dispatchDepth;  // messages being handled right now
  bool destroyed;     // forgotten while a message was being handled: freed afterwards
  int presentCount;
};

// Marks the calling thread as the GUI thread unless one is marked already.
void UserAdoptGuiThread();
// The live record of a handle, or null. GUI thread.
UserWindow *UserWindowFromHandle(HWND window);
// True when the value is a live window. Safe from any thread: the record is not read.
bool UserIsWindow(HWND window);
// Runs one message through the window's procedure, keeping the record alive meanwhile.
LRESULT UserDispatch(UserWindow *window, UINT message, WPARAM wParam, LPARAM lParam);
// Sends WM_PAINT through the procedure and leaves the window valid. GUI thread.
void UserPaintNow(UserWindow *window);
// Connects the client's draw handler; frees the back buffer. GUI thread.
void UserAttachPainting(UserWindow *window);
void UserDetachPainting(UserWindow *window);
// Wakes every RedrawWindow waiting for this window (it is going away).
void UserCancelPaintRequests(HWND window);
// True on the GUI thread.
bool UserOnGuiThread();
// Every live window, in the order they were opened (the cursor on Wayland takes the first
// for the screen). GUI thread.
int UserWindowCount();
UserWindow *UserWindowAt(int index);
