// Start and end of the program on GTK 3.
#include "gtk_internal.h"
#include "linux_window.h"

#include <commctrl.h>
#include <objbase.h>

#include <cstdio>
#include <iostream>
#include <unistd.h>

// ---------------------------------------------------------------------------------------
// Globals
// ---------------------------------------------------------------------------------------

namespace {

bool Initialised = false;
bool DisplayOpen = false;

// GTK's theme gives entries, buttons and radio buttons minimum sizes well above the
// small rectangles the programs ask for; these rules let every gadget take exactly its
// rectangle and keep the text readable at that size.
const char *GadgetCss = R"css(
.tk-window label,
.tk-window entry,
.tk-window radiobutton,
.tk-window radiobutton label {
  font-family: Sans;
  font-size: 10px;
}
.tk-window entry {
  min-height: 0;
  min-width: 0;
  padding: 0 3px;
  border-radius: 2px;
}
.tk-window radiobutton {
  min-height: 0;
  min-width: 0;
  padding: 0;
  margin: 0;
}
.tk-window radiobutton radio {
  min-width: 12px;
  min-height: 12px;
  margin: 0 3px 0 0;
  padding: 0;
}
.tk-window radiobutton label {
  margin: 0;
  padding: 0;
}
)css";

void InstallGadgetCss() {
  GtkCssProvider *provider = gtk_css_provider_new();
  gtk_css_provider_load_from_data(provider, GadgetCss, -1, nullptr);
  gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(provider),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(provider);
}

} // namespace

bool TkGtkReady() { return DisplayOpen; }

// ---------------------------------------------------------------------------------------
// Program
// ---------------------------------------------------------------------------------------

void TkInit() {
  if (Initialised) return;
  Initialised = true;
  DisplayOpen = gtk_init_check(nullptr, nullptr);
  if (DisplayOpen) {
    InstallGadgetCss();
  } else {
    std::fprintf(stderr, "Cannot open the display: windows are not available\n");
  }
  LinuxUserStart();
  CoInitialize(nullptr);
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
}

void TkEnd() {
  if (!Initialised) return;
  TkGtkCloseAllWindows();
  // A render thread waiting for a paint must not wait for a loop that has ended.
  LinuxUserStop();
  Initialised = false;
}

void TkExitProcess(int exitCode) {
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  // _exit, not exit: other threads may be waiting for a paint or holding a lock, and
  // running static destructors under them would hang or crash the exit.
  _exit(exitCode);
}
