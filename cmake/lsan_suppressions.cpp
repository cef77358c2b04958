// LeakSanitizer's own suppressions and options, built into every program and test of the
// sanitizer build, so that any of them run by hand reports the leaks of ours and no others.
//
// The window system's libraries keep process-wide allocations until the process ends:
// fontconfig its font configuration (reached through pango and GTK), GTK and GDK what
// they set up when the display opens (the accessibility bridge's names among it), D-Bus
// its connection to the session bus. A line matches a leak whose allocation stack passes
// through that library; nothing else is hidden.
extern "C" const char *__lsan_default_suppressions() {
  return "leak:libfontconfig\n"
         "leak:libgtk-3\n"
         "leak:libgdk-3\n"
         "leak:libdbus\n";
}

// The count of suppressed leaks would otherwise end every run on standard error.
extern "C" const char *__lsan_default_options() { return "print_suppressions=0"; }

// The lines above can only match a stack that reaches the library. The fast unwinder
// stops at the first frame of a library built without frame pointers, so a block GTK
// takes through g_malloc would show no more than g_malloc itself; the full unwinder
// follows every allocation's stack back to main, at some cost in speed.
extern "C" const char *__asan_default_options() { return "fast_unwind_on_malloc=0"; }
