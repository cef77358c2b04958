// The toolkit's portable services: strings, numbers, lists, random numbers, memory,
// threads, mutexes, files, OS version and libraries. The delay's timer resolution is
// counted by the Linux kernel stand-in (test_toolkit_timer).
#include "os_version.h"
#include "text_utf.h"
#include "toolkit.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <future>
#include <limits>
#include <set>
#include <thread>
#include <vector>

namespace {

constexpr int64_t Max64 = std::numeric_limits<int64_t>::max();
constexpr int64_t Min64 = std::numeric_limits<int64_t>::min();

// ---------------------------------------------------------------------------------------
// Strings and numbers
// ---------------------------------------------------------------------------------------

TEST(TkVal, ReadsLeadingDecimalNumber) {
  EXPECT_EQ(TkVal(" 42abc"), 42);
  EXPECT_EQ(TkVal("-7"), -7);
  EXPECT_EQ(TkVal("+15"), 15);
  EXPECT_EQ(TkVal("\t \t 9 8"), 9);
  EXPECT_EQ(TkVal("007"), 7);
}

TEST(TkVal, GivesZeroWithoutDigits) {
  EXPECT_EQ(TkVal("abc"), 0);
  EXPECT_EQ(TkVal(""), 0);
  EXPECT_EQ(TkVal("-"), 0);
  EXPECT_EQ(TkVal(" - 5"), 0);
  EXPECT_EQ(TkVal("$"), 0);
  EXPECT_EQ(TkVal("\n5"), 0); // only blanks and tabs are skipped
}

TEST(TkVal, ReadsHexadecimalAndBinary) {
  EXPECT_EQ(TkVal("$FF"), 255);
  EXPECT_EQ(TkVal("$ff"), 255);
  EXPECT_EQ(TkVal("$1g"), 1);
  EXPECT_EQ(TkVal("-$10"), -16);
  EXPECT_EQ(TkVal("%101"), 5);
  EXPECT_EQ(TkVal("%1012"), 5);
  EXPECT_EQ(TkVal("%2"), 0);
}

TEST(TkVal, SaturatesInsteadOfOverflowing) {
  EXPECT_EQ(TkVal("9223372036854775807"), Max64);
  EXPECT_EQ(TkVal("9223372036854775808"), Max64);
  EXPECT_EQ(TkVal("-9223372036854775808"), Min64);
  EXPECT_EQ(TkVal("-9223372036854775809"), Min64);
  EXPECT_EQ(TkVal("12345678901234567890"), Max64);
  EXPECT_EQ(TkVal("-12345678901234567890"), Min64);
  EXPECT_EQ(TkVal("$FFFFFFFFFFFFFFFFFFFF"), Max64);
  EXPECT_EQ(TkVal("%" + std::string(100, '1')), Max64);
  EXPECT_EQ(TkVal(std::string(10000, '9')), Max64);
}

TEST(TkStr, WritesDecimalWithSign) {
  EXPECT_EQ(TkStr(0), "0");
  EXPECT_EQ(TkStr(10000), "10000");
  EXPECT_EQ(TkStr(-42), "-42");
  EXPECT_EQ(TkStr(Min64), "-9223372036854775808");
  EXPECT_EQ(TkVal(TkStr(Min64)), Min64);
}

TEST(TkAsc, GivesFirstCharacterCode) {
  EXPECT_EQ(TkAsc(""), 0);
  EXPECT_EQ(TkAsc("A"), 65);
  EXPECT_EQ(TkAsc("\xC3\xA9t\xC3\xA9"), 0xE9); // "été"
}

TEST(TkSign, GivesThreeWayResult) {
  EXPECT_EQ(TkSign(3.5), 1);
  EXPECT_EQ(TkSign(-0.001), -1);
  EXPECT_EQ(TkSign(0.0), 0);
  EXPECT_EQ(TkSign(-0.0), 0);
  EXPECT_EQ(TkSign(-INFINITY), -1);
  EXPECT_EQ(TkSign(NAN), 0);
}

TEST(TkFloatToInt, TruncatesTowardsZero) {
  EXPECT_EQ(TkFloatToInt(2.9), 2);
  EXPECT_EQ(TkFloatToInt(-2.9), -2);
  EXPECT_EQ(TkFloatToInt(INFINITY), 0);
  EXPECT_EQ(TkFloatToInt(-INFINITY), 0);
  EXPECT_EQ(TkFloatToInt(NAN), 0);
  EXPECT_EQ(TkFloatToInt(1e30), Max64);
  EXPECT_EQ(TkFloatToInt(-1e30), Min64);
  EXPECT_EQ(TkFloatToInt(-9223372036854775808.0), Min64);
}

TEST(TextUtf, RoundTripsEveryPlane) {
  // "aé€😀": one, two, three and four UTF-8 bytes.
  std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
  std::wstring wide = TkUtf8ToWide(text);
  size_t expected = sizeof(WCHAR) == 2 ? 5 : 4; // the emoji takes a surrogate pair in UTF-16
  ASSERT_EQ(wide.size(), expected);
  EXPECT_EQ(wide[0], L'a');
  EXPECT_EQ(static_cast<uint32_t>(wide[1]), 0xE9u);
  EXPECT_EQ(static_cast<uint32_t>(wide[2]), 0x20ACu);
  EXPECT_EQ(TkWideToUtf8(wide.c_str()), text);
}

TEST(TextUtf, ReplacesMalformedInput) {
  // A stray continuation byte, a cut-off sequence and an overlong "/".
  std::wstring wide = TkUtf8ToWide("x\x80y\xE2\x82");
  ASSERT_EQ(wide.size(), 5u);
  EXPECT_EQ(static_cast<uint32_t>(wide[1]), 0xFFFDu);
  EXPECT_EQ(wide[2], L'y');
  EXPECT_EQ(static_cast<uint32_t>(wide[3]), 0xFFFDu);
  EXPECT_EQ(TkUtf8ToWide("\xC0\xAF").size(), 2u);
  EXPECT_EQ(TkWideToUtf8(nullptr), "");
}

// ---------------------------------------------------------------------------------------
// Lists
// ---------------------------------------------------------------------------------------

struct Item {
  int value;
  double padding[3];
};

std::vector<int> Walk(TkList *list) {
  std::vector<int> values;
  TkResetList(list);
  while (Item *item = static_cast<Item *>(TkNextElement(list))) values.push_back(item->value);
  return values;
}

TEST(TkList, AddsInOrderWithZeroFilledRecords) {
  TkList *list = TkNewList(sizeof(Item));
  for (int i = 1; i <= 3; ++i) {
    Item *item = static_cast<Item *>(TkAddElement(list));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(item) % alignof(std::max_align_t), 0u);
    EXPECT_EQ(item->value, 0);
    EXPECT_EQ(item->padding[2], 0.0);
    EXPECT_EQ(TkCurrentElement(list), item);
    item->value = i;
  }
  EXPECT_EQ(TkListSize(list), 3);
  EXPECT_EQ(Walk(list), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(TkNextElement(list), nullptr); // stays at the end
  // An add after a finished walk appends.
  static_cast<Item *>(TkAddElement(list))->value = 4;
  EXPECT_EQ(Walk(list), (std::vector<int>{1, 2, 3, 4}));
  TkFreeList(list);
}

TEST(TkList, DeletingDuringIterationContinuesWithTheNext) {
  TkList *list = TkNewList(sizeof(Item));
  for (int i = 1; i <= 5; ++i) static_cast<Item *>(TkAddElement(list))->value = i;
  std::vector<int> visited;
  TkResetList(list);
  while (Item *item = static_cast<Item *>(TkNextElement(list))) {
    visited.push_back(item->value);
    if (item->value == 1 || item->value == 3 || item->value == 5) TkDeleteElement(list);
  }
  EXPECT_EQ(visited, (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(Walk(list), (std::vector<int>{2, 4}));
  EXPECT_EQ(TkListSize(list), 2);
  TkFreeList(list);
}

TEST(TkList, DeletingTheFirstPutsTheCursorBeforeTheStart) {
  TkList *list = TkNewList(sizeof(Item));
  Item *first = static_cast<Item *>(TkAddElement(list));
  first->value = 1;
  static_cast<Item *>(TkAddElement(list))->value = 2;
  TkChangeCurrentElement(list, first);
  TkDeleteElement(list);
  EXPECT_EQ(TkCurrentElement(list), nullptr);
  Item *next = static_cast<Item *>(TkNextElement(list));
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(next->value, 2);
  TkDeleteElement(list);
  EXPECT_EQ(TkListSize(list), 0);
  TkDeleteElement(list); // nothing current: nothing happens
  EXPECT_EQ(TkNextElement(list), nullptr);
  TkFreeList(list);
}

TEST(TkList, ClearEmptiesAndTheListStaysUsable) {
  TkList *list = TkNewList(sizeof(Item));
  for (int i = 0; i < 100; ++i) TkAddElement(list);
  TkClearList(list);
  EXPECT_EQ(TkListSize(list), 0);
  EXPECT_EQ(TkCurrentElement(list), nullptr);
  EXPECT_TRUE(Walk(list).empty());
  static_cast<Item *>(TkAddElement(list))->value = 7;
  EXPECT_EQ(Walk(list), (std::vector<int>{7}));
  TkFreeList(list);
}

TEST(TkList, ContainsLeavesTheCursorAlone) {
  TkList *list = TkNewList(sizeof(Item));
  TkList *other = TkNewList(sizeof(Item));
  void *a = TkAddElement(list);
  void *b = TkAddElement(list);
  void *foreign = TkAddElement(other);
  TkChangeCurrentElement(list, a);
  EXPECT_TRUE(TkListContains(list, b));
  EXPECT_FALSE(TkListContains(list, foreign));
  EXPECT_FALSE(TkListContains(list, nullptr));
  EXPECT_EQ(TkCurrentElement(list), a);
  // An element of another list cannot become current.
  TkChangeCurrentElement(list, foreign);
  EXPECT_EQ(TkCurrentElement(list), a);
  TkFreeList(list);
  TkFreeList(other);
}

TEST(TkList, AddWithCursorBeforeTheStartInsertsFirst) {
  TkList *list = TkNewList(sizeof(Item));
  static_cast<Item *>(TkAddElement(list))->value = 2;
  TkResetList(list);
  static_cast<Item *>(TkAddElement(list))->value = 1;
  EXPECT_EQ(Walk(list), (std::vector<int>{1, 2}));
  TkFreeList(list);
}

// ---------------------------------------------------------------------------------------
// Random numbers
// ---------------------------------------------------------------------------------------

TEST(TkRandom, ZeroAndNegativeMaxGiveZero) {
  TkRandomSeed(1);
  for (int i = 0; i < 1000; ++i) {
    ASSERT_EQ(TkRandom(0), 0);
    ASSERT_EQ(TkRandom(-5), 0);
  }
}

TEST(TkRandom, CoversSmallRangesEvenly) {
  TkRandomSeed(12345);
  int counts[3] = {0, 0, 0};
  for (int i = 0; i < 30000; ++i) {
    int64_t value = TkRandom(2);
    ASSERT_GE(value, 0);
    ASSERT_LE(value, 2);
    ++counts[value];
  }
  // Expected 10000 each; the standard deviation is about 82.
  for (int count : counts) EXPECT_NEAR(count, 10000, 400);
  int ones = 0;
  for (int i = 0; i < 10000; ++i) ones += static_cast<int>(TkRandom(1));
  EXPECT_NEAR(ones, 5000, 250);
}

TEST(TkRandom, LargestMaxStaysInRangeAndUsesTheTopBits) {
  TkRandomSeed(99);
  int64_t largest = 0;
  for (int i = 0; i < 10000; ++i) {
    int64_t value = TkRandom(2147483647);
    ASSERT_GE(value, 0);
    ASSERT_LE(value, 2147483647);
    largest = std::max(largest, value);
  }
  EXPECT_GT(largest, 2147483647LL / 4 * 3);
}

std::vector<int64_t> Draws(uint64_t seed) {
  TkRandomSeed(seed);
  std::vector<int64_t> values;
  for (int i = 0; i < 20; ++i) values.push_back(TkRandom(1000000));
  return values;
}

TEST(TkRandom, SeedsArePerThreadAndReproducible) {
  std::vector<int64_t> here = Draws(2024);
  EXPECT_EQ(Draws(2024), here);
  EXPECT_NE(Draws(2025), here);
  // Another thread with the same seed draws the same; its draws leave ours alone.
  TkRandomSeed(2024);
  int64_t firstHere = TkRandom(1000000);
  std::vector<int64_t> there = std::async(std::launch::async, [] { return Draws(2024); }).get();
  EXPECT_EQ(there, here);
  EXPECT_EQ(firstHere, here[0]);
  EXPECT_EQ(TkRandom(1000000), here[1]);
}

TEST(TkRandom, UnseededThreadsDiffer) {
  auto draw = [] {
    std::vector<int64_t> values;
    for (int i = 0; i < 4; ++i) values.push_back(TkRandom(2147483647));
    return values;
  };
  auto a = std::async(std::launch::async, draw);
  auto b = std::async(std::launch::async, draw);
  EXPECT_NE(a.get(), b.get());
}

// ---------------------------------------------------------------------------------------
// Memory
// ---------------------------------------------------------------------------------------

TEST(TkMemory, AllocatesZeroFilledBlocks) {
  EXPECT_EQ(TkAllocateMemory(0), nullptr);
  EXPECT_EQ(TkAllocateMemory(-1), nullptr);
  uint8_t *block = static_cast<uint8_t *>(TkAllocateMemory(64));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(TkPeekByte(block + i), 0);
  const char text[] = "abcdef";
  TkCopyMemory(text, block, 6);
  EXPECT_EQ(TkPeekByte(block + 5), 'f');
  TkCopyMemory(block, block + 2, 4); // overlapping
  EXPECT_EQ(std::string(reinterpret_cast<char *>(block), 6), "ababcd");
  TkCopyMemory(text, block, 0);
  EXPECT_EQ(block[0], 'a');
  TkFreeMemory(block);
}

// ---------------------------------------------------------------------------------------
// Threads, mutexes, delay
// ---------------------------------------------------------------------------------------

std::promise<int64_t> *gThreadResult;

void ReportParameter(int64_t parameter) { gThreadResult->set_value(parameter); }

TEST(TkThreads, RunTheProcedureWithItsParameter) {
  std::promise<int64_t> result;
  gThreadResult = &result;
  EXPECT_NE(TkCreateThread(ReportParameter, int64_t{1} << 40), 0);
  EXPECT_EQ(result.get_future().get(), int64_t{1} << 40);
  EXPECT_EQ(TkCreateThread(nullptr, 0), 0);
}

TEST(TkMutex, IsReentrantAndExcludesOtherThreads) {
  TkMutex *mutex = TkCreateMutex();
  ASSERT_NE(mutex, nullptr);
  TkLockMutex(mutex);
  TkLockMutex(mutex);
  TkUnlockMutex(mutex);
  TkUnlockMutex(mutex);

  // Plain increments: lost updates would show without exclusion.
  long counter = 0;
  auto work = [&] {
    for (int i = 0; i < 100000; ++i) {
      TkLockMutex(mutex);
      TkLockMutex(mutex);
      ++counter;
      TkUnlockMutex(mutex);
      TkUnlockMutex(mutex);
    }
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
  EXPECT_EQ(counter, 200000);
  TkFreeMutex(mutex);
}

// ---------------------------------------------------------------------------------------
// Files
// ---------------------------------------------------------------------------------------

struct TempFolder {
  std::filesystem::path path;
  TempFolder() {
    path = std::filesystem::temp_directory_path() /
           ("tk_files_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(TkRandom(1000000)));
    std::filesystem::create_directories(path);
  }
  ~TempFolder() { std::filesystem::remove_all(path); }
};

void WriteBytes(const std::filesystem::path &path, size_t count) {
  FILE *file = std::fopen(path.string().c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::vector<char> bytes(count, 'x');
  if (count) std::fwrite(bytes.data(), 1, count, file);
  std::fclose(file);
}

TEST(TkFileSize, TellsMissingFilesAndFoldersApart) {
  TempFolder folder;
  std::filesystem::create_directories(folder.path / "sub");
  WriteBytes(folder.path / "sub" / "data.bin", 1234);
  WriteBytes(folder.path / "empty.bin", 0);
  EXPECT_EQ(TkFileSize((folder.path / "missing.bin").string()), -1);
  EXPECT_EQ(TkFileSize(folder.path.string()), -2);
  EXPECT_EQ(TkFileSize((folder.path / "sub" / "data.bin").string()), 1234);
  EXPECT_EQ(TkFileSize((folder.path / "empty.bin").string()), 0);
  // Windows-style names: backslashes separate folders.
  EXPECT_EQ(TkFileSize(folder.path.string() + "\\sub\\data.bin"), 1234);
  EXPECT_EQ(TkFileSize(folder.path.string() + "\\sub"), -2);
}

// ---------------------------------------------------------------------------------------
// OS version and libraries
// ---------------------------------------------------------------------------------------

TEST(TkOSVersion, TableRows) {
  const uint8_t ws = 1, server = 3;
  EXPECT_EQ(TkOSVersionCode(1, 4, 0, 0), 10);
  EXPECT_EQ(TkOSVersionCode(1, 4, 10, 0), 30);
  EXPECT_EQ(TkOSVersionCode(1, 4, 90, 0), 40);
  EXPECT_EQ(TkOSVersionCode(1, 4, 50, 0), 200);
  EXPECT_EQ(TkOSVersionCode(2, 3, 51, ws), 5);
  EXPECT_EQ(TkOSVersionCode(2, 4, 0, ws), 20);
  EXPECT_EQ(TkOSVersionCode(2, 5, 0, server), 50);
  EXPECT_EQ(TkOSVersionCode(2, 5, 1, ws), 60);
  EXPECT_EQ(TkOSVersionCode(2, 5, 2, ws), 60);
  EXPECT_EQ(TkOSVersionCode(2, 5, 2, server), 65);
  EXPECT_EQ(TkOSVersionCode(2, 6, 0, ws), 70);
  EXPECT_EQ(TkOSVersionCode(2, 6, 0, server), 75);
  EXPECT_EQ(TkOSVersionCode(2, 6, 1, ws), 80);
  EXPECT_EQ(TkOSVersionCode(2, 6, 1, 2), 85); // domain controller counts as a server
  EXPECT_EQ(TkOSVersionCode(2, 6, 2, ws), 90);
  EXPECT_EQ(TkOSVersionCode(2, 6, 2, server), 95);
  EXPECT_EQ(TkOSVersionCode(2, 6, 3, ws), 100);
  EXPECT_EQ(TkOSVersionCode(2, 6, 3, server), 105);
  EXPECT_EQ(TkOSVersionCode(2, 10, 0, ws), 110);
  EXPECT_EQ(TkOSVersionCode(2, 10, 0, server), 110);
  EXPECT_EQ(TkOSVersionCode(2, 6, 4, ws), 200);
  EXPECT_EQ(TkOSVersionCode(2, 11, 0, ws), 200);
  EXPECT_EQ(TkOSVersionCode(0, 3, 1, 0), 200); // Win32s
}

TEST(TkOSVersion, UnknownWhereNoWindowsVersionCanBeRead) {
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof info;
  HMODULE ntdll = LoadLibraryW(L"ntdll.dll");
  if (ntdll || GetVersionExW(reinterpret_cast<OSVERSIONINFOW *>(&info))) GTEST_SKIP() << "running on Windows";
  EXPECT_EQ(TkOSVersion(), 200);
}

TEST(TkLibrary, OpensByNumberAndFindsExports) {
  int64_t gdi = TkOpenLibrary(TK_ANY, "Gdi32.dll");
  ASSERT_NE(gdi, 0);
  EXPECT_NE(TkGetFunction(gdi, "GdiAlphaBlend"), nullptr);
  EXPECT_EQ(TkGetFunction(gdi, "NoSuchExport"), nullptr);
  EXPECT_EQ(TkGetFunction(gdi + 12345, "GdiAlphaBlend"), nullptr);
  int64_t other = TkOpenLibrary(TK_ANY, "gdi32.DLL");
  EXPECT_NE(other, 0);
  EXPECT_NE(other, gdi);
  EXPECT_EQ(TkOpenLibrary(7, "Gdi32.dll"), 7);
  EXPECT_NE(TkGetFunction(7, "GdiTransparentBlt"), nullptr);
  EXPECT_EQ(TkOpenLibrary(TK_ANY, "no_such_library_here.dll"), 0);
  EXPECT_EQ(TkOpenLibrary(8, "no_such_library_here.dll"), 0);
  EXPECT_EQ(TkGetFunction(8, "GdiAlphaBlend"), nullptr);
}

} // namespace
