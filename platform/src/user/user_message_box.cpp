// MessageBoxW as a modal GTK message dialog. Without a display the message goes to
// standard error, so a program started headless still tells what went wrong.
#include "user_internal.h"

// The kernel's conversion of wide text to UTF-8, which GTK takes.
#include "kernel/kernel_internal.h"

#include <gtk/gtk.h>

#include <cstdio>

namespace {

GtkMessageType MessageType(UINT type) {
  switch (type & 0xF0) {
  case MB_ICONERROR: return GTK_MESSAGE_ERROR;
  case MB_ICONQUESTION: return GTK_MESSAGE_QUESTION;
  case MB_ICONWARNING: return GTK_MESSAGE_WARNING;
  case MB_ICONINFORMATION: return GTK_MESSAGE_INFO;
  default: return GTK_MESSAGE_OTHER;
  }
}

GtkButtonsType Buttons(UINT type) {
  switch (type & 0xF) {
  case MB_OKCANCEL: return GTK_BUTTONS_OK_CANCEL;
  case MB_YESNO: return GTK_BUTTONS_YES_NO;
  default: return GTK_BUTTONS_OK;
  }
}

int Result(int response, UINT type) {
  switch (response) {
  case GTK_RESPONSE_YES: return IDYES;
  case GTK_RESPONSE_NO: return IDNO;
  case GTK_RESPONSE_CANCEL: return IDCANCEL;
  case GTK_RESPONSE_OK: return IDOK;
  default:
    // Closed without a button: the answer that means "no" for the box's buttons.
    if ((type & 0xF) == MB_YESNO) return IDNO;
    if ((type & 0xF) == MB_OKCANCEL) return IDCANCEL;
    return IDOK;
  }
}

} // namespace

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  std::string textUtf8 = KernelWideToUtf8(text);
  std::string captionUtf8 = caption ? KernelWideToUtf8(caption) : std::string("Error");
  if (!gdk_display_get_default() && !gtk_init_check(nullptr, nullptr)) {
    std::fprintf(stderr, "%s: %s\n", captionUtf8.c_str(), textUtf8.c_str());
    std::fflush(stderr);
    return IDOK;
  }
  UserWindow *ownerWindow = UserWindowFromHandle(owner);
  GtkWidget *parent = ownerWindow ? ownerWindow->toplevel : nullptr;
  GtkWidget *dialog = gtk_message_dialog_new(parent ? GTK_WINDOW(parent) : nullptr, GTK_DIALOG_MODAL, MessageType(type),
                                             Buttons(type), "%s", textUtf8.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), captionUtf8.c_str());
  gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
  int response = gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
  return Result(response, type);
}
