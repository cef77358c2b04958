// Start and end of the program on GTK 3.
#include "gtk_internal.h"
#include "linux_window.h"
#include "port.h"

#include <commctrl.h>
#include <gdk/gdkx.h>
#include <objbase.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <unistd.h>

// ---------------------------------------------------------------------------------------
// Globals
// ---------------------------------------------------------------------------------------

namespace {

bool Initialised = false;
bool DisplayOpen = false;
TkLostDisplayProc LostDisplayProcedure = nullptr;

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

// The program's icon for every window it opens, when the program carries one: PNG files
// of several sizes in its resource bundle under /program/icons.
void UseProgramIcon() {
  char **names = g_resources_enumerate_children("/program/icons", G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr);
  if (!names) return;
  GList *icons = nullptr;
  for (char **name = names; *name; ++name) {
    const std::string path = std::string("/program/icons/") + *name;
    if (GdkPixbuf *icon = gdk_pixbuf_new_from_resource(path.c_str(), nullptr)) icons = g_list_append(icons, icon);
  }
  g_strfreev(names);
  gtk_window_set_default_icon_list(icons);
  g_list_free_full(icons, g_object_unref);
}

// GTK asks a Wayland display for its keyboard through the default seat without checking
// that there is one (when it opens the display, when an entry goes away). On a session
// without a seat that prints a critical, and GTK then goes on with a keyboard map of its
// own, as it should. That one message is dropped; every other goes out as usual.
void OnGdkCritical(const gchar *domain, GLogLevelFlags level, const gchar *message, gpointer) {
  if (std::strstr(message, "gdk_seat_get_keyboard") && std::strstr(message, "GDK_IS_SEAT")) return;
  g_log_default_handler(domain, level, message, nullptr);
}

// Xlib calls this when the connection to the X server breaks, and ends the process if it
// returns; GDK's own handler ends it without a word. Nothing of the windows can be used
// any more: the program says what happened, has its last words and fails.
int OnLostDisplay(Display *) {
  std::fprintf(stderr, "Lost the connection to the display: the windows are gone\n");
  if (LostDisplayProcedure) LostDisplayProcedure();
  TkExitProcess(1);
}

} // namespace

bool TkGtkReady() { return DisplayOpen; }

// ---------------------------------------------------------------------------------------
// Program
// ---------------------------------------------------------------------------------------

void TkInit() {
  if (Initialised) return;
  Initialised = true;
  // X11 first: there a window goes where the program puts it and the pointer has one
  // position on the screen, which Wayland gives no client. A Wayland desktop runs the
  // programs through its X server; a Wayland session without one still works.
  gdk_set_allowed_backends("x11,wayland");
  g_log_set_handler("Gdk", G_LOG_LEVEL_CRITICAL, OnGdkCritical, nullptr);
  DisplayOpen = gtk_init_check(nullptr, nullptr);
  if (DisplayOpen) {
    InstallGadgetCss();
    UseProgramIcon();
    if (GDK_IS_X11_DISPLAY(gdk_display_get_default())) XSetIOErrorHandler(OnLostDisplay);
  } else {
    std::fprintf(stderr, "Cannot open the display: windows are not available\n");
  }
  LinuxUserStart();
  CoInitialize(nullptr);
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
}

void TkAtLostDisplay(TkLostDisplayProc procedure) { LostDisplayProcedure = procedure; }

void TkEnd() {
  if (!Initialised) return;
  TkCloseAllWindows();
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
