// Entry of both demo programs; app/variant_*.cpp picks which one.
#include <windows.h>

#include "startup.h"
#include "toolkit.h"
#include "variant.h"

int main() {
  TkInit();
  RunDemo(Variant.titlePrefix, Variant.composeFrame);
  TkEnd();
  // The render thread is neither signalled nor joined: ending the process ends it, even
  // while it waits inside a repaint.
  TkExitProcess(0);
}
