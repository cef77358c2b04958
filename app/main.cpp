// Entry of both demo programs; app/variant_*.cpp picks which one.
#include <windows.h>

#include <cstring>

#include "frame_stats.h"
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

// The one option, anywhere on the command line; other arguments are ignored, as they
// always were.
static bool HasOption(int argc, char **argv, const char *option) {
  for (int i = 1; i < argc; i++)
    if (std::strcmp(argv[i], option) == 0) return true;
  return false;
}

int main(int argc, char **argv) {
  // From the first instant, a request to end (a signal on Linux) ends the program as
  // closing a window does.
  TkCatchEndRequests();
  TkInit();
  if (HasOption(argc, argv, "--stats")) StartFrameStats(Variant.programName);
  // A display that goes away ends the program as a failure, with the figures so far.
  TkAtLostDisplay(EndFrameStats);
  RunDemo(Variant.titlePrefix, Variant.composeFrame);
  EndFrameStats();
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
