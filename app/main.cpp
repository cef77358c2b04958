// Entry of both demo programs; app/variant_*.cpp picks which one.
#include <windows.h>

#include "startup.h"
#include "toolkit.h"
#include "variant.h"

// The sanitizer build releases everything and returns from main, so that LeakSanitizer
// sees what is left at the end; the demo itself ends the process at once.
#ifdef DEMO_RELEASE_AT_EXIT
constexpr bool ReleaseAtExit = true;
#else
constexpr bool ReleaseAtExit = false;
#endif

int main() {
  TkInit();
  RunDemo(Variant.titlePrefix, Variant.composeFrame);
  if (ReleaseAtExit) {
    ReleaseDemo();
    TkEnd();
    return 0;
  }
  TkEnd();
  // The render thread is neither signalled nor joined: ending the process ends it, even
  // while it waits inside a repaint.
  TkExitProcess(0);
}
