// Toolkit services: the general services that the demo and the Render API's image
// procedures stand on. Windows, gadgets and toolkit images are addressed by numbers;
// passing TK_ANY (-1) lets the toolkit pick a free number and return it. Creating an
// object under a number in use replaces the old object.
//
// Windows, gadgets, events, callbacks and picture decoding are implemented per OS (gtk/,
// win32/; port.h says what each port provides); the rest is written once against the
// Windows API.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

constexpr int64_t TK_ANY = -1;

// ---------------------------------------------------------------------------------------
// Program
// ---------------------------------------------------------------------------------------

// Catches the system's requests to end the program (on Linux SIGTERM, SIGINT and SIGHUP,
// unless they are ignored): from then on each request becomes a close request to every
// open window, as when the user closes it, and TkEndRequested answers true. A second
// request ends the process at once. Call first thing in main, before TkInit.
void TkCatchEndRequests();
// True once a request to end has come; start-up asks between its steps and stops.
bool TkEndRequested();
// Initialises every service once (common controls, COM on the calling GUI thread, the
// window system). Call before anything else but TkCatchEndRequests.
void TkInit();
// What runs when the window system goes away under the program (on Linux, the X server
// ends or drops the connection): on the GUI thread, after the toolkit has said so on
// standard error and before the process ends with exit code 1. It may print its last
// words but must not touch the windows. Windows has no such connection to lose.
typedef void (*TkLostDisplayProc)();
void TkAtLostDisplay(TkLostDisplayProc procedure);
// Releases the toolkit's own resources once, after the event loop.
void TkEnd();
// Ends the process at once with the exit code, whatever other threads are doing.
[[noreturn]] void TkExitProcess(int exitCode);

// ---------------------------------------------------------------------------------------
// Windows and events
// ---------------------------------------------------------------------------------------

// Window flags: Win32 styles in the upper bits, placement in the low three bits.
constexpr uint32_t TK_WINDOW_SCREEN_CENTERED = 0x1;
constexpr uint32_t TK_WINDOW_PARENT_CENTERED = 0x2;
constexpr uint32_t TK_WINDOW_CAPTION = 0xC00000;     // WS_CAPTION
constexpr uint32_t TK_WINDOW_SYSTEM_MENU = 0x80000;  // WS_SYSMENU
constexpr uint32_t TK_WINDOW_MINIMIZE_BOX = 0x20000; // WS_MINIMIZEBOX

// Event codes returned by TkWaitWindowEvent.
constexpr int TK_EVENT_GADGET = 13100;       // 0x332C
constexpr int TK_EVENT_CLOSE_WINDOW = 13116; // 0x333C

// Result of a window callback that leaves a message to the toolkit.
constexpr int64_t TK_DEFAULT_CALLBACK_RESULT = -522133279; // 0xE0E0E0E1 sign-extended

// A bound window callback: gets every message of its window first.
typedef int64_t (*TkWindowCallback)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Opens a window whose client area is width x height; returns its number (or the number
// picked for TK_ANY), 0 on failure. The opened window becomes the current gadget list.
int64_t TkOpenWindow(int64_t number, int x, int y, int width, int height, const std::string &title, uint32_t flags);
// Closes a window; its number becomes free.
void TkCloseWindow(int64_t window);
// Outer left and top edge of the window on the screen.
int TkWindowX(int64_t window);
int TkWindowY(int64_t window);
// With TK_WINDOW_INNER_SIZE the client size, otherwise the outer size.
constexpr int TK_WINDOW_INNER_SIZE = 1;
int TkWindowWidth(int64_t window, int mode = TK_WINDOW_INNER_SIZE);
int TkWindowHeight(int64_t window, int mode = TK_WINDOW_INNER_SIZE);
// Window title as shown.
std::string TkWindowTitle(int64_t window);
// Flag 1 keeps the window above all others, 0 takes that away; no move, size or activation.
void TkStickyWindow(int64_t window, int flag);
// Non-zero while the window is open. Safe from any thread.
int TkIsWindow(int64_t window);
// The window's HWND, or null. Safe from any thread.
HWND TkWindowHandle(int64_t window);
// Blocks until the next event and returns its code; window messages (and the bound
// callbacks) run on this thread while it waits.
int TkWaitWindowEvent();
// The same, but gives up after the timeout and then returns 0.
int TkWindowEvent(int timeoutMilliseconds);
// Window and gadget numbers of the last event.
int64_t TkEventWindow();
int64_t TkEventGadget();
// Binds a callback to one window, or to every window with TK_ANY.
void TkBindWindowCallback(TkWindowCallback callback, int64_t window);

// ---------------------------------------------------------------------------------------
// Gadgets (created in the current window, the one opened last)
// ---------------------------------------------------------------------------------------

constexpr uint32_t TK_STRING_NUMERIC = 0x2000; // ES_NUMBER: digits only

int64_t TkTextGadget(int64_t number, int x, int y, int width, int height, const std::string &text);
// An automatic radio button. The first option after any other gadget starts a new group;
// options created one right after another join it.
int64_t TkOptionGadget(int64_t number, int x, int y, int width, int height, const std::string &text);
int64_t TkStringGadget(int64_t number, int x, int y, int width, int height, const std::string &text, uint32_t flags);
// Options: 1 when selected. Setting 1 clears the others of the group.
int TkGetGadgetState(int64_t gadget);
void TkSetGadgetState(int64_t gadget, int state);
std::string TkGetGadgetText(int64_t gadget);
void TkSetGadgetText(int64_t gadget, const std::string &text);
// Position and size of a gadget within its window's client area (for tests and layout).
bool TkGadgetRect(int64_t gadget, RECT *rect);

// ---------------------------------------------------------------------------------------
// Threads, mutexes, delay
// ---------------------------------------------------------------------------------------

typedef void (*TkThreadProc)(int64_t parameter);
// Starts the procedure on a new thread; returns non-zero on success.
int64_t TkCreateThread(TkThreadProc procedure, int64_t parameter);

// A re-entrant mutex (a Win32 critical section).
struct TkMutex;
TkMutex *TkCreateMutex();
void TkFreeMutex(TkMutex *mutex);
void TkLockMutex(TkMutex *mutex);
void TkUnlockMutex(TkMutex *mutex);

// Sleeps; the first call of the process raises the system timer resolution to 1 ms.
void TkDelay(int milliseconds);

// ---------------------------------------------------------------------------------------
// Linked lists of fixed-size, zero-filled records. The address of an element's data is
// stable for its life and serves as a handle. One current-element cursor per list.
// ---------------------------------------------------------------------------------------

struct TkList;
TkList *TkNewList(size_t elementSize);
void TkFreeList(TkList *list);
// Links a new zero-filled element after the current one (first in an empty list), makes
// it current and returns its data address; null when out of memory.
void *TkAddElement(TkList *list);
void TkClearList(TkList *list);
// Puts the cursor before the first element.
void TkResetList(TkList *list);
// Steps to the next element and returns it; null after the last one.
void *TkNextElement(TkList *list);
// The current element, or null.
void *TkCurrentElement(TkList *list);
// Makes an element of this list current.
void TkChangeCurrentElement(TkList *list, void *element);
// Deletes the current element; the one before it becomes current (the cursor goes before
// the first element when there is none), so a following TkNextElement continues normally.
void TkDeleteElement(TkList *list);
int64_t TkListSize(const TkList *list);
// True when element is the data address of an element of this list. The cursor is not moved.
bool TkListContains(const TkList *list, const void *element);

// ---------------------------------------------------------------------------------------
// Numbers and strings
// ---------------------------------------------------------------------------------------

// Uniform integer from 0 to max inclusive (max up to 2147483647); one generator per thread.
int64_t TkRandom(int64_t max);
// Reseeds the calling thread's generator (for reproducible runs).
void TkRandomSeed(uint64_t seed);
// -1, 0 or 1.
int TkSign(double value);
// Truncates towards zero; infinities and NaN give 0.
int64_t TkFloatToInt(double value);
// Leading blanks and tabs skipped, optional sign, then digits ("$" hex, "%" binary);
// 0 when no digit follows. Saturates instead of overflowing.
int64_t TkVal(const std::string &text);
// Decimal text, with a minus sign when negative.
std::string TkStr(int64_t value);
// First character code, 0 for an empty string.
int TkAsc(const std::string &text);

constexpr uint32_t TkRGB(uint32_t r, uint32_t g, uint32_t b) { return r + g * 256 + b * 65536; }
constexpr uint32_t TkRGBA(uint32_t r, uint32_t g, uint32_t b, uint32_t a) { return TkRGB(r, g, b) + a * 16777216u; }
constexpr uint32_t TkAlpha(uint32_t rgba) { return (rgba >> 24) & 255; }

// ---------------------------------------------------------------------------------------
// Memory
// ---------------------------------------------------------------------------------------

// Zero-filled block, or null when size < 1.
void *TkAllocateMemory(int64_t size);
void TkFreeMemory(void *block);
void TkCopyMemory(const void *source, void *destination, int64_t length);
uint8_t TkPeekByte(const void *address);

// ---------------------------------------------------------------------------------------
// System
// ---------------------------------------------------------------------------------------

// The folder holding the running program's file, ending in its separator; empty when the
// system cannot say.
std::string TkProgramFolder();
// Windows version code (70 = NT 6.0 workstation ... 110 = NT 10.0; 200 for any version
// not in the table, which includes every non-Windows system).
int TkOSVersion();
// Opens a library; returns its number, 0 when it cannot be loaded.
int64_t TkOpenLibrary(int64_t number, const std::string &fileName);
// Address of an export, or null.
void *TkGetFunction(int64_t library, const std::string &name);
// Modal message box owned by the active window; flags are MB_* values.
int TkMessageBox(const std::string &caption, const std::string &text, uint32_t flags);
// Writes one line (given without its line end) that says what failed: on standard error,
// and on Windows to the debug output too, since a program without a console has no
// standard error to show.
void TkReportFailure(const std::string &line);

// ---------------------------------------------------------------------------------------
// Images (toolkit images, distinct from the Render API's RenderImage)
// ---------------------------------------------------------------------------------------

void TkUsePNGDecoder();
void TkUseJPEGDecoder();
// Size in bytes; -1 when missing, -2 for a folder. Backslashes separate folders too.
int64_t TkFileSize(const std::string &fileName);
// Why a file that TkFileSize gives less than one byte holds no picture: "missing",
// "unreadable: a folder", "not a picture: the file is empty" and the like.
std::string TkNoBytesReason(const std::string &fileName);
// Decodes a PNG or JPEG file; returns the image number, 0 on failure (with a line on
// standard error naming the file). Pictures with transparency come out 32-bit with
// straight alpha, others 24-bit.
int64_t TkLoadImage(int64_t number, const std::string &fileName);
// Reports (TkReportFailure) the one line that says a picture file could not be loaded and
// why; for loaders that give up before TkLoadImage is reached.
void TkReportImageFailure(const std::string &fileName, const std::string &reason);
// Depth 32 (with an all-zero alpha channel) or 24; all pixels zero.
int64_t TkCreateImage(int64_t number, int width, int height, int depth);
void TkFreeImage(int64_t image);
int TkIsImage(int64_t image);
int TkImageWidth(int64_t image);
int TkImageHeight(int64_t image);
int TkImageDepth(int64_t image);
// Resizes with smoothing; non-zero on success.
int TkResizeImage(int64_t image, int width, int height);
// The image's DIB section.
HBITMAP TkImageHandle(int64_t image);
// Takes the DIB section away from the image and frees the image: the caller now owns the
// bitmap and deletes it. Null when there is no such image.
HBITMAP TkDetachImageHandle(int64_t image);

// Makes the image the current drawing output; returns its device context or null.
HDC TkStartDrawing(int64_t image);
void TkStopDrawing();
constexpr int TK_DRAW_DEFAULT = 0;
constexpr int TK_DRAW_ALL_CHANNELS = 0x100; // plot writes alpha too instead of blending
void TkDrawingMode(int mode);
// Writes one pixel of the current output with an RGBA value (red in the low byte); y
// counts from the top. Outside the image nothing happens.
void TkPlot(int x, int y, uint32_t rgba);
// Reads one pixel of the current output as RGBA (alpha 255 on a 24-bit image).
uint32_t TkPoint(int x, int y);
