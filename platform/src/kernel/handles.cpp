// Handle table: a map from handle value to (kind, record), guarded by one mutex since
// the render thread probes window handles while the GUI thread creates bitmaps.
#include "handles.h"

#include <mutex>
#include <unordered_map>

namespace {

struct HandleEntry {
  HandleKind kind;
  void *record;
};

std::mutex &TableMutex() {
  static std::mutex mutex;
  return mutex;
}

std::unordered_map<uintptr_t, HandleEntry> &Table() {
  static std::unordered_map<uintptr_t, HandleEntry> table;
  return table;
}

// Values start high and step by 4, so small integers, null and misaligned values are
// never handles.
uintptr_t NextHandleValue = 0x10000;

} // namespace

void *HandleAdd(HandleKind kind, void *record) {
  std::lock_guard<std::mutex> lock(TableMutex());
  uintptr_t value = NextHandleValue;
  NextHandleValue += 4;
  Table()[value] = HandleEntry{kind, record};
  return reinterpret_cast<void *>(value);
}

void *HandleLookup(const void *handle, HandleKind kind) {
  std::lock_guard<std::mutex> lock(TableMutex());
  auto found = Table().find(reinterpret_cast<uintptr_t>(handle));
  if (found == Table().end() || found->second.kind != kind) return nullptr;
  return found->second.record;
}

void *HandleRemove(const void *handle, HandleKind kind) {
  std::lock_guard<std::mutex> lock(TableMutex());
  auto found = Table().find(reinterpret_cast<uintptr_t>(handle));
  if (found == Table().end() || found->second.kind != kind) return nullptr;
  void *record = found->second.record;
  Table().erase(found);
  return record;
}
