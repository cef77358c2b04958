// What the GTK toolkit files share: the window and gadget records and the window
// procedure that hands messages to the bound callbacks. Everything here runs
// on the GUI thread; the window table is in window_table.h.
#pragma once

#include "toolkit.h"
#include "window_table.h"

#include <gtk/gtk.h>

#include <cstdint>

// ---------------------------------------------------------------------------------------
// Records
// ---------------------------------------------------------------------------------------

struct TkPortWindow {
  int64_t number;
  GtkWidget *window; // the GtkWindow
  GtkWidget *fixed;  // the client area: gadgets sit here at their exact rectangles
  GtkWidget *client; // the drawing area behind the gadgets that shows the back buffer
  HWND handle;
  int width; // client size as asked
  int height;
  int requestedX; // outer position as placed, until the window is on screen
  int requestedY;
  TkWindowCallback callback;
};

enum class TkGadgetKind { Text, Option, String };

struct TkGtkGadget {
  int64_t number;
  int64_t window;
  TkGadgetKind kind;
  GtkWidget *widget;
  GtkWidget *groupNone;        // options: the hidden member of the group that is active when none is
  RECT rect;                   // as asked, in client coordinates
  unsigned long numericFilter; // digits-only fields: the insert-text and delete-text handlers
  unsigned long numericDelete;
};

// ---------------------------------------------------------------------------------------
// Shared procedures
// ---------------------------------------------------------------------------------------

// True once TkInit has opened the display.
bool TkGtkReady();

// Sends every window a close request, as its close box does; returns how many.
int TkGtkAskEveryWindowToClose();

// Frees the gadgets of a window that is closing.
void TkGtkFreeGadgetsOf(int64_t window);
// The widget of a gadget, or null.
GtkWidget *TkGtkGadgetWidget(int64_t number);
// A window was opened: the next option starts a new group.
void TkGtkGadgetListChanged();

// The window procedure of every toolkit window: bound callback first, then the
// toolkit's own handling.
LRESULT TkGtkWindowProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
