// Gadgets on GTK 3: text labels, options (radio buttons) and one-line string fields, each
// at an exact rectangle of the current window's client area.
#include "gtk_internal.h"
#include "port.h"

#include <map>
#include <string>

// ---------------------------------------------------------------------------------------
// Globals
// ---------------------------------------------------------------------------------------

namespace {

// Gadget numbers are global, like window numbers. GUI thread only.
std::map<int64_t, TkGtkGadget *> Gadgets;
int64_t NextPickedNumber = 0x10000;

// The option created last, while no other gadget has come after it: the next option
// joins its group.
int64_t OpenGroupOption = TK_ANY;

// Setting an option from code must not look like the user's click.
int SilentChanges = 0;

// A field replaces its selection in two steps, deleting it and then inserting what was
// typed or pasted. A digits-only field keeps the text from before such a deletion until
// GTK is idle again, so that refusing the insertion can undo the deletion too.
struct Deletion {
  int64_t gadget = TK_ANY; // none pending
  std::string text;        // the whole text before the deletion
  int start = 0;           // the deleted range, which was the selection
  int end = 0;
  bool undone = false; // the text was put back: the selection is put back when idle
};
Deletion PendingDeletion;

int64_t PickNumber() {
  while (Gadgets.count(NextPickedNumber)) NextPickedNumber++;
  return NextPickedNumber++;
}

TkGtkGadget *Find(int64_t number) {
  auto found = Gadgets.find(number);
  return found == Gadgets.end() ? nullptr : found->second;
}

void FreeGadget(TkGtkGadget *gadget) {
  if (OpenGroupOption == gadget->number) OpenGroupOption = TK_ANY;
  gtk_widget_destroy(gadget->widget);
  if (gadget->groupNone) g_object_unref(gadget->groupNone);
  delete gadget;
}

// ---------------------------------------------------------------------------------------
// Signals
// ---------------------------------------------------------------------------------------

// A click on an option, even on the one already selected, is a gadget event; the option
// that a click clears is not.
void OnOptionClicked(GtkButton *button, gpointer data) {
  if (SilentChanges || !gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button))) return;
  TkGtkGadget *gadget = static_cast<TkGtkGadget *>(data);
  TkQueueEvent(TK_EVENT_GADGET, gadget->window, gadget->number);
}

void OnStringChanged(GtkEditable *, gpointer data) {
  TkGtkGadget *gadget = static_cast<TkGtkGadget *>(data);
  TkQueueEvent(TK_EVENT_GADGET, gadget->window, gadget->number);
}

// Runs once the step that deleted is over (GTK has placed its cursor by then).
gboolean ForgetDeletion(gpointer) {
  TkGtkGadget *gadget = PendingDeletion.undone ? Find(PendingDeletion.gadget) : nullptr;
  if (gadget) gtk_editable_select_region(GTK_EDITABLE(gadget->widget), PendingDeletion.start, PendingDeletion.end);
  PendingDeletion = Deletion{};
  return G_SOURCE_REMOVE;
}

// Keeps a deletion of the selection: the first half of replacing it. Other deletions
// (a key that deletes, the program's own edits) stand on their own.
void OnNumericDelete(GtkEditable *editable, gint start, gint end, gpointer data) {
  TkGtkGadget *gadget = static_cast<TkGtkGadget *>(data);
  const char *text = gtk_entry_get_text(GTK_ENTRY(editable));
  if (end < 0) end = static_cast<gint>(g_utf8_strlen(text, -1));
  gint selectedFrom = 0, selectedTo = 0;
  if (PendingDeletion.gadget != TK_ANY || !gtk_editable_get_selection_bounds(editable, &selectedFrom, &selectedTo) ||
      selectedFrom != start || selectedTo != end)
    return;
  PendingDeletion.gadget = gadget->number;
  PendingDeletion.text = text;
  PendingDeletion.start = start;
  PendingDeletion.end = end;
  g_idle_add_full(G_PRIORITY_HIGH, ForgetDeletion, nullptr, nullptr);
}

// Puts back the text that a deletion of this step took, as if the edit never began.
void UndoDeletion(TkGtkGadget *gadget) {
  if (PendingDeletion.gadget != gadget->number || PendingDeletion.undone) return;
  PendingDeletion.undone = true;
  g_signal_handler_block(gadget->widget, gadget->numericFilter);
  g_signal_handler_block(gadget->widget, gadget->numericDelete);
  gtk_entry_set_text(GTK_ENTRY(gadget->widget), PendingDeletion.text.c_str());
  g_signal_handler_unblock(gadget->widget, gadget->numericDelete);
  g_signal_handler_unblock(gadget->widget, gadget->numericFilter);
}

// Digits-only fields refuse any insertion that holds something else, typed or pasted, and
// the text stays as it was, selection included: the text never holds a letter even for a
// moment, and a refused key never empties the field.
void OnNumericInsert(GtkEditable *editable, gchar *text, gint length, gpointer, gpointer data) {
  if (length < 0) length = static_cast<gint>(strlen(text));
  for (gint i = 0; i < length; i++) {
    if (text[i] < '0' || text[i] > '9') {
      g_signal_stop_emission_by_name(editable, "insert-text");
      gtk_widget_error_bell(GTK_WIDGET(editable));
      UndoDeletion(static_cast<TkGtkGadget *>(data));
      return;
    }
  }
}

// ---------------------------------------------------------------------------------------
// Creation
// ---------------------------------------------------------------------------------------

// Puts a new widget at its rectangle in the current window under the number; returns the
// record, or null when there is no current window or the number is not usable.
TkGtkGadget *AddGadget(int64_t number, TkGadgetKind kind, GtkWidget *widget, int x, int y, int width, int height) {
  TkPortWindow *window = TkCurrentWindow();
  if (!window || (number < 0 && number != TK_ANY) || width < 0 || height < 0) {
    g_object_ref_sink(widget);
    g_object_unref(widget);
    return nullptr;
  }
  if (number == TK_ANY) {
    number = PickNumber();
  } else if (TkGtkGadget *old = Find(number)) {
    Gadgets.erase(number);
    FreeGadget(old);
  }
  TkGtkGadget *gadget = new TkGtkGadget{};
  gadget->number = number;
  gadget->window = window->number;
  gadget->kind = kind;
  gadget->widget = widget;
  gadget->rect = RECT{x, y, x + width, y + height};
  gtk_widget_set_size_request(widget, width, height);
  gtk_fixed_put(GTK_FIXED(window->fixed), widget, x, y);
  gtk_widget_show(widget);
  Gadgets[number] = gadget;
  if (kind != TkGadgetKind::Option) OpenGroupOption = TK_ANY;
  return gadget;
}

} // namespace

void TkGtkFreeGadgetsOf(int64_t window) {
  for (auto entry = Gadgets.begin(); entry != Gadgets.end();) {
    if (entry->second->window == window) {
      TkGtkGadget *gadget = entry->second;
      entry = Gadgets.erase(entry);
      FreeGadget(gadget);
    } else {
      ++entry;
    }
  }
}

GtkWidget *TkGtkGadgetWidget(int64_t number) {
  TkGtkGadget *gadget = Find(number);
  return gadget ? gadget->widget : nullptr;
}

void TkGtkGadgetListChanged() { OpenGroupOption = TK_ANY; }

int64_t TkTextGadget(int64_t number, int x, int y, int width, int height, const std::string &text) {
  // Gadgets live in a window; without one (no display) there is nothing to make.
  if (!TkCurrentWindow()) return 0;
  GtkWidget *label = gtk_label_new(text.c_str());
  gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
  gtk_label_set_yalign(GTK_LABEL(label), 0.0f);
  // A text longer than its rectangle is cut, never allowed to widen the window.
  gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
  TkGtkGadget *gadget = AddGadget(number, TkGadgetKind::Text, label, x, y, width, height);
  return gadget ? gadget->number : 0;
}

int64_t TkOptionGadget(int64_t number, int x, int y, int width, int height, const std::string &text) {
  // Gadgets live in a window; without one (no display) there is nothing to make.
  if (!TkCurrentWindow()) return 0;
  // A GTK radio group always has one member active; a hidden member stands for "none
  // selected", which is how a new group of options starts.
  TkGtkGadget *previous = Find(OpenGroupOption);
  TkPortWindow *window = TkCurrentWindow();
  GtkWidget *groupNone = nullptr;
  if (previous && window && previous->window == window->number) {
    groupNone = GTK_WIDGET(g_object_ref(previous->groupNone));
  } else {
    groupNone = gtk_radio_button_new(nullptr);
    g_object_ref_sink(groupNone);
  }
  GtkWidget *button = gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(groupNone), text.c_str());
  if (GtkWidget *label = gtk_bin_get_child(GTK_BIN(button)))
    gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
  TkGtkGadget *gadget = AddGadget(number, TkGadgetKind::Option, button, x, y, width, height);
  if (!gadget) {
    g_object_unref(groupNone);
    return 0;
  }
  gadget->groupNone = groupNone;
  OpenGroupOption = gadget->number;
  g_signal_connect(button, "clicked", G_CALLBACK(OnOptionClicked), gadget);
  return gadget->number;
}

int64_t TkStringGadget(int64_t number, int x, int y, int width, int height, const std::string &text, uint32_t flags) {
  // Gadgets live in a window; without one (no display) there is nothing to make.
  if (!TkCurrentWindow()) return 0;
  GtkWidget *entry = gtk_entry_new();
  gtk_entry_set_text(GTK_ENTRY(entry), text.c_str());
  // The entry's own minimum width (about 150 pixels) would override the rectangle.
  gtk_entry_set_width_chars(GTK_ENTRY(entry), 0);
  TkGtkGadget *gadget = AddGadget(number, TkGadgetKind::String, entry, x, y, width, height);
  if (!gadget) return 0;
  if (flags & TK_STRING_NUMERIC) {
    gtk_entry_set_input_purpose(GTK_ENTRY(entry), GTK_INPUT_PURPOSE_DIGITS);
    gadget->numericFilter = g_signal_connect(entry, "insert-text", G_CALLBACK(OnNumericInsert), gadget);
    gadget->numericDelete = g_signal_connect(entry, "delete-text", G_CALLBACK(OnNumericDelete), gadget);
  }
  g_signal_connect(entry, "changed", G_CALLBACK(OnStringChanged), gadget);
  return gadget->number;
}

// ---------------------------------------------------------------------------------------
// State and text
// ---------------------------------------------------------------------------------------

int TkGetGadgetState(int64_t number) {
  TkGtkGadget *gadget = Find(number);
  if (!gadget || gadget->kind != TkGadgetKind::Option) return 0;
  return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(gadget->widget)) ? 1 : 0;
}

void TkSetGadgetState(int64_t number, int state) {
  TkGtkGadget *gadget = Find(number);
  if (!gadget || gadget->kind != TkGadgetKind::Option) return;
  SilentChanges++;
  if (state) {
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(gadget->widget), TRUE);
  } else if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(gadget->widget))) {
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(gadget->groupNone), TRUE);
  }
  SilentChanges--;
}

std::string TkGetGadgetText(int64_t number) {
  TkGtkGadget *gadget = Find(number);
  if (!gadget) return "";
  const char *text = nullptr;
  switch (gadget->kind) {
  case TkGadgetKind::Text: text = gtk_label_get_text(GTK_LABEL(gadget->widget)); break;
  case TkGadgetKind::Option: text = gtk_button_get_label(GTK_BUTTON(gadget->widget)); break;
  case TkGadgetKind::String: text = gtk_entry_get_text(GTK_ENTRY(gadget->widget)); break;
  }
  return text ? text : "";
}

void TkSetGadgetText(int64_t number, const std::string &text) {
  TkGtkGadget *gadget = Find(number);
  if (!gadget) return;
  switch (gadget->kind) {
  case TkGadgetKind::Text: gtk_label_set_text(GTK_LABEL(gadget->widget), text.c_str()); break;
  case TkGadgetKind::Option: gtk_button_set_label(GTK_BUTTON(gadget->widget), text.c_str()); break;
  case TkGadgetKind::String:
    // The program's own text is not filtered (as on Windows, where only typing is); the
    // change is reported like any other edit.
    if (gadget->numericFilter) {
      g_signal_handler_block(gadget->widget, gadget->numericFilter);
      g_signal_handler_block(gadget->widget, gadget->numericDelete);
    }
    gtk_entry_set_text(GTK_ENTRY(gadget->widget), text.c_str());
    if (gadget->numericFilter) {
      g_signal_handler_unblock(gadget->widget, gadget->numericDelete);
      g_signal_handler_unblock(gadget->widget, gadget->numericFilter);
    }
    break;
  }
}

bool TkGadgetRect(int64_t number, RECT *rect) {
  TkGtkGadget *gadget = Find(number);
  if (!gadget || !rect) return false;
  *rect = gadget->rect;
  // Once laid out, the rectangle is the one GTK really gave the widget.
  TkPortWindow *window = TkFindWindow(gadget->window);
  int x = 0, y = 0;
  if (window && gtk_widget_get_mapped(gadget->widget) &&
      gtk_widget_translate_coordinates(gadget->widget, window->fixed, 0, 0, &x, &y)) {
    *rect = RECT{x, y, x + gtk_widget_get_allocated_width(gadget->widget),
                 y + gtk_widget_get_allocated_height(gadget->widget)};
  }
  return true;
}
