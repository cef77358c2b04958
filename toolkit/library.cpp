// Dynamic libraries by number.
#include "object_numbers.h"
#include "text_utf.h"

namespace {
// Libraries are opened and looked up by the GUI thread only.
std::map<int64_t, HMODULE> gLibraries;
int64_t gNextLibraryNumber = TkFirstPickedNumber;
} // namespace

int64_t TkOpenLibrary(int64_t number, const std::string &fileName) {
  if (number < 0 && number != TK_ANY) return 0;
  HMODULE module = LoadLibraryW(TkUtf8ToWide(fileName).c_str());
  if (!module) return 0;
  if (number == TK_ANY) number = TkPickNumber(gLibraries, &gNextLibraryNumber);
  auto old = gLibraries.find(number);
  if (old != gLibraries.end()) FreeLibrary(old->second);
  gLibraries[number] = module;
  return number;
}

void *TkGetFunction(int64_t library, const std::string &name) {
  auto found = gLibraries.find(library);
  if (found == gLibraries.end()) return nullptr;
  return reinterpret_cast<void *>(GetProcAddress(found->second, name.c_str()));
}
