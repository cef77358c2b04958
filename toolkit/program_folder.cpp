// The folder of the running program's own file.
#include "text_utf.h"
#include "toolkit.h"

#include <vector>

std::string TkProgramFolder() {
  // Asked of the system rather than read from argv[0], which names the program only as it
  // was typed: a bare name found through PATH, or a relative one, says nothing of the
  // folder. Windows allows names of up to 32767 characters.
  std::vector<WCHAR> name(512);
  DWORD length = 0;
  while ((length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()))) == name.size() &&
         name.size() < 32768)
    name.resize(name.size() * 2);
  if (length == 0 || length >= name.size()) return "";
  const std::string program = TkWideToUtf8(name.data(), length);
  const size_t separator = program.find_last_of("\\/");
  return separator == std::string::npos ? "" : program.substr(0, separator + 1);
}
