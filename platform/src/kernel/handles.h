// The table behind every handle that the Linux stand-ins give out (bitmaps, device
// contexts, icons, windows, image lists, modules, threads, files). A handle is an opaque number,
// never an address, so probing a foreign or stale value answers "no" without touching
// memory. Numbers are never reused while the process lives.
#pragma once

#include <cstdint>

enum class HandleKind : uint8_t {
  Bitmap,
  Dc,
  Icon,
  Window,
  ImageList,
  Module,
  Thread,
  File,
};

// Registers a record and returns its new handle value. The table does not own the record.
void *HandleAdd(HandleKind kind, void *record);
// The record of a live handle of this kind, or null for anything else.
void *HandleLookup(const void *handle, HandleKind kind);
// Forgets the handle and returns its record (null when it was not a live handle of this kind).
void *HandleRemove(const void *handle, HandleKind kind);
