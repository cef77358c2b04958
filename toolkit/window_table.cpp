// The window table of both ports (window_table.h).
#include "window_table.h"

#include "object_numbers.h"

#include <map>
#include <mutex>

namespace {

struct Filed {
  TkPortWindow *record;
  HWND handle;
};

// Never destroyed: a window closed from a static destructor would otherwise meet a table
// already gone.
std::mutex &TableMutex() {
  static std::mutex *mutex = new std::mutex;
  return *mutex;
}

std::map<int64_t, Filed> &Table() {
  static std::map<int64_t, Filed> *table = new std::map<int64_t, Filed>;
  return *table;
}

int64_t CurrentWindow = TK_ANY;
int64_t NextPickedNumber = TkFirstPickedNumber;

} // namespace

int64_t TkPickWindowNumber() {
  std::lock_guard<std::mutex> lock(TableMutex());
  return TkPickNumber(Table(), &NextPickedNumber);
}

void TkFileWindow(int64_t number, TkPortWindow *record, HWND handle) {
  {
    std::lock_guard<std::mutex> lock(TableMutex());
    Table()[number] = Filed{record, handle};
  }
  CurrentWindow = number;
}

TkPortWindow *TkUnfileWindow(int64_t number) {
  TkPortWindow *record;
  {
    std::lock_guard<std::mutex> lock(TableMutex());
    auto found = Table().find(number);
    if (found == Table().end()) return nullptr;
    record = found->second.record;
    Table().erase(found);
  }
  if (CurrentWindow == number) CurrentWindow = TK_ANY;
  return record;
}

TkPortWindow *TkFindWindow(int64_t number) {
  std::lock_guard<std::mutex> lock(TableMutex());
  auto found = Table().find(number);
  return found == Table().end() ? nullptr : found->second.record;
}

TkPortWindow *TkFindWindowByHandle(HWND handle) {
  if (!handle) return nullptr;
  std::lock_guard<std::mutex> lock(TableMutex());
  for (auto &entry : Table())
    if (entry.second.handle == handle) return entry.second.record;
  return nullptr;
}

TkPortWindow *TkCurrentWindow() { return TkFindWindow(CurrentWindow); }

std::vector<TkWindowEntry> TkEveryWindow() {
  std::lock_guard<std::mutex> lock(TableMutex());
  std::vector<TkWindowEntry> every;
  every.reserve(Table().size());
  for (auto &entry : Table()) every.push_back(TkWindowEntry{entry.first, entry.second.handle});
  return every;
}

void TkCloseAllWindows() {
  while (true) {
    int64_t number;
    {
      std::lock_guard<std::mutex> lock(TableMutex());
      if (Table().empty()) return;
      number = Table().begin()->first;
    }
    TkCloseWindow(number);
  }
}

int TkIsWindow(int64_t number) {
  std::lock_guard<std::mutex> lock(TableMutex());
  return Table().count(number) ? 1 : 0;
}

HWND TkWindowHandle(int64_t number) {
  std::lock_guard<std::mutex> lock(TableMutex());
  auto found = Table().find(number);
  return found == Table().end() ? nullptr : found->second.handle;
}
