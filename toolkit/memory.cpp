// Memory blocks.
#include "toolkit.h"

#include <cstdlib>
#include <cstring>

void *TkAllocateMemory(int64_t size) {
  if (size < 1 || static_cast<uint64_t>(size) > SIZE_MAX) return nullptr;
  return std::calloc(1, static_cast<size_t>(size));
}

void TkFreeMemory(void *block) { std::free(block); }

void TkCopyMemory(const void *source, void *destination, int64_t length) {
  if (length < 1 || !source || !destination) return;
  // Overlapping blocks are copied as if through a buffer.
  std::memmove(destination, source, static_cast<size_t>(length));
}

uint8_t TkPeekByte(const void *address) { return *static_cast<const uint8_t *>(address); }
