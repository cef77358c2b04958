// Linux only: the bridge between the GTK toolkit windows and the platform's window
// records. The toolkit makes the GTK widgets; the platform registers the HWND, owns the
// back buffer behind BeginPaint, shows it in the client widget and runs the window
// procedure for painting. Every procedure here runs on the GUI thread unless it says so.
#pragma once
#include <windows.h>

typedef struct _GtkWidget GtkWidget;

// Marks the calling thread as the GUI thread (the one that runs GTK's main context) and
// lets RedrawWindow wait for paints again after a shutdown.
void LinuxUserStart();
// The GUI loop is over: every RedrawWindow waiting for a paint returns, and later ones
// return at once. Safe from any thread.
void LinuxUserStop();

// Registers a window: `toplevel` is its GtkWindow, `client` the widget of exactly
// width x height pixels that shows the back buffer. Messages go to `procedure`.
HWND LinuxCreateWindow(GtkWidget *toplevel, GtkWidget *client, int width, int height, WNDPROC procedure);
// Forgets the window (the widgets stay the caller's); waiting repaints return.
void LinuxDestroyWindow(HWND window);
// Sends a message through the window's procedure; 0 for a dead window.
LRESULT LinuxSendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// How many times the client widget has shown the back buffer (tests poll this).
int LinuxWindowPresentCount(HWND window);
