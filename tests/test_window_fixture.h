// What the GTK window tests share: running GTK's main context until something holds, and
// a fixture that starts the toolkit once per program and closes every window after each
// test. Runs under a virtual X display without a window manager (frame = client area).
#pragma once

#include "gtk_internal.h"
#include "toolkit.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

inline gboolean KeepAwake(gpointer) { return G_SOURCE_CONTINUE; }

// Runs GTK's main context until the condition holds; false when it never did. A ticking
// source keeps the loop from blocking when nothing else is pending.
template <class Condition> bool PumpUntil(Condition condition, int rounds = 3000) {
  guint tick = g_timeout_add(2, KeepAwake, nullptr);
  bool met = condition();
  for (int i = 0; i < rounds && !met; i++) {
    g_main_context_iteration(nullptr, TRUE);
    met = condition();
  }
  g_source_remove(tick);
  return met;
}

// True once the window is shown with a client area of exactly width x height.
inline bool Laid(int64_t window, int width, int height) {
  TkPortWindow *record = TkFindWindow(window);
  return record && gtk_widget_get_mapped(record->window) && gtk_widget_get_allocated_width(record->fixed) == width &&
         gtk_widget_get_allocated_height(record->fixed) == height;
}

class Window : public ::testing::Test {
protected:
  static void SetUpTestSuite() { TkInit(); }
  static void TearDownTestSuite() { TkEnd(); }
  void SetUp() override {
    ASSERT_TRUE(TkGtkReady()) << "needs a display";
    TkBindWindowCallback(nullptr, TK_ANY);
  }
  void TearDown() override {
    TkCloseAllWindows();
    TkBindWindowCallback(nullptr, TK_ANY);
  }
};
