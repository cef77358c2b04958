// Numbering of toolkit objects (libraries, images): a caller names a number or passes
// TK_ANY to have one picked.
#pragma once

#include "toolkit.h"

#include <map>

// Numbers picked for TK_ANY start far above the small numbers that callers choose
// themselves, so the two rarely meet; a picked number is never 0 (0 means failure).
constexpr int64_t TkFirstPickedNumber = 0x10000;

template <typename Record> int64_t TkPickNumber(const std::map<int64_t, Record> &table, int64_t *nextPicked) {
  while (*nextPicked <= 0 || table.count(*nextPicked))
    *nextPicked = *nextPicked <= 0 ? TkFirstPickedNumber : *nextPicked + 1;
  return (*nextPicked)++;
}
