// Message box.
#include "text_utf.h"
#include "toolkit.h"

int TkMessageBox(const std::string &caption, const std::string &text, uint32_t flags) {
  return MessageBoxW(GetActiveWindow(), TkUtf8ToWide(text).c_str(), TkUtf8ToWide(caption).c_str(), flags);
}
