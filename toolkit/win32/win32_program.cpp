// Start and end of the program on Win32.
#include "port.h"
#include "text_utf.h"
#include "win32_internal.h"

#include <commctrl.h>
#include <objbase.h>

#include <cstdio>

// ---------------------------------------------------------------------------------------
// Globals
// ---------------------------------------------------------------------------------------

const wchar_t TkWindowClass[] = L"LumoraToolkitWindow";

namespace {

bool Initialised = false;
HFONT GadgetFont = nullptr;
bool OwnFont = false; // false while GadgetFont is a stock object

// The message font of the system (Segoe UI on current Windows) at its ordinary size, not
// the bitmap system font that controls get by default. The programs declare no DPI
// awareness, so the metrics are those of 96 DPI, which the gadgets' rectangles are made
// for, and Windows scales the font with the rest of the window on a high-DPI screen.
HFONT MakeGadgetFont() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
  OwnFont = font != nullptr;
  return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

bool RegisterWindowClass() {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = TkWin32WindowProcedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  // The program's own icon (resource 1) where it carries one; null gives Windows's default.
  windowClass.hIcon = LoadIconW(windowClass.hInstance, MAKEINTRESOURCEW(1));
  windowClass.hIconSm = static_cast<HICON>(LoadImageW(windowClass.hInstance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  // The face colour of dialogs behind the gadgets; the main window paints all of its
  // client area itself and answers the erase.
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  windowClass.lpszClassName = TkWindowClass;
  return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

} // namespace

HFONT TkWin32GadgetFont() { return GadgetFont; }

// Where a debugger or a debug-output viewer shows it, beside the backend's own messages.
void TkPortReportFailure(const std::string &line) { OutputDebugStringW(TkUtf8ToWide(line).c_str()); }

// ---------------------------------------------------------------------------------------
// Program
// ---------------------------------------------------------------------------------------

// Windows asks a program to end through its windows (WM_CLOSE), which the window
// procedure already turns into close events, and ends a program with no window itself:
// there is nothing to catch before the windows exist.
void TkCatchEndRequests() {}
bool TkEndRequested() { return false; }

// A Windows program's windows live in the system itself; no connection can go away.
void TkAtLostDisplay(TkLostDisplayProc) {}

void TkInit() {
  if (Initialised) return;
  Initialised = true;
  CoInitialize(nullptr);
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  if (!RegisterWindowClass()) TkReportFailure("Cannot register the window class: windows are not available");
  GadgetFont = MakeGadgetFont();
}

void TkEnd() {
  if (!Initialised) return;
  TkCloseAllWindows();
  if (OwnFont) DeleteObject(GadgetFont);
  GadgetFont = nullptr;
  OwnFont = false;
  Initialised = false;
}

void TkExitProcess(int exitCode) {
  std::fflush(nullptr);
  // Not ExitProcess: that would still run the DLLs' detach code while another thread may
  // be waiting for a paint or holding a lock.
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exitCode));
  // TerminateProcess of the own process does not return; this keeps the promise of
  // [[noreturn]] should it ever fail.
  ExitProcess(static_cast<UINT>(exitCode));
}
