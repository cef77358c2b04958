// Leaks one allocation of its own after starting the toolkit as the programs do, so that
// the sanitizer build shows that its built-in suppressions hide the window system's
// allocations and not ours: run, it must end with LeakSanitizer's report naming
// LeakOnPurpose.
#include <cstdint>

#include "toolkit.h"

// The sanitizer build does not optimise, so this stays a call of its own and the report's
// stack names it.
void *LeakOnPurpose() { return new char[48]; }

// The block's address is kept only disguised, so that nothing LeakSanitizer scans points
// at it.
volatile uintptr_t Disguised = 0;

int main() {
  TkInit();
  Disguised = reinterpret_cast<uintptr_t>(LeakOnPurpose()) ^ ~uintptr_t{0};
  TkEnd();
  return 0;
}
