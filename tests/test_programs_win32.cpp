// The two programs as Windows runs them: each started as its own process in the build
// folder, its windows found by their process, sizes and titles read through the Windows
// API, a ball count typed into the real edit control, a window closed, the exit code
// read. The backend's debug messages are taken from the system's debug-output buffer, as
// a debug viewer takes them.
#include "text_utf.h"
#include "wine.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto Patience = std::chrono::seconds(60);

// ---------------------------------------------------------------------------------------
// Debug output of other processes (the DBWIN buffer that debug viewers read)
// ---------------------------------------------------------------------------------------

struct DebugListener {
  HANDLE bufferReady;
  HANDLE dataReady;
  HANDLE mapping;
  const char *view; // the writer's process id, then its message
  std::atomic<bool> stop;
  std::atomic<DWORD> process; // whose messages are kept
  std::vector<std::string> messages;
  std::thread thread;
};

void Listen(DebugListener *listener) {
  while (!listener->stop) {
    SetEvent(listener->bufferReady);
    if (WaitForSingleObject(listener->dataReady, 100) != WAIT_OBJECT_0) continue;
    DWORD writer = *reinterpret_cast<const DWORD *>(listener->view);
    if (writer == listener->process) listener->messages.emplace_back(listener->view + sizeof(DWORD));
  }
}

bool StartListening(DebugListener *listener) {
  listener->bufferReady = CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY");
  listener->dataReady = CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY");
  listener->mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, L"DBWIN_BUFFER");
  if (!listener->bufferReady || !listener->dataReady || !listener->mapping) return false;
  listener->view = static_cast<const char *>(MapViewOfFile(listener->mapping, FILE_MAP_READ, 0, 0, 4096));
  if (!listener->view) return false;
  listener->thread = std::thread(Listen, listener);
  return true;
}

// Stops the listener; its messages may be read from then on.
void StopListening(DebugListener *listener) {
  listener->stop = true;
  if (listener->thread.joinable()) listener->thread.join();
  if (listener->view) UnmapViewOfFile(listener->view);
  for (HANDLE handle : {listener->mapping, listener->dataReady, listener->bufferReady})
    if (handle) CloseHandle(handle);
}

// ---------------------------------------------------------------------------------------
// Programs and their windows
// ---------------------------------------------------------------------------------------

// The build folder: the programs are there, the test program in its tests folder.
std::wstring BuildFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  for (int level = 0; level < 2; level++) folder = folder.substr(0, folder.find_last_of(L"\\/"));
  return folder;
}

bool Start(const std::string &program, PROCESS_INFORMATION *process) {
  std::wstring folder = BuildFolder();
  std::wstring command = L"\"" + folder + L"\\" + TkUtf8ToWide(program) + L".exe\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  *process = PROCESS_INFORMATION{};
  return CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        process) != 0;
}

struct Search {
  DWORD process;
  std::wstring title; // whole title, or its beginning when prefix is set
  bool prefix;
  HWND found;
};

BOOL CALLBACK Visit(HWND window, LPARAM data) {
  Search *search = reinterpret_cast<Search *>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->process || !IsWindowVisible(window)) return TRUE;
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  std::wstring title = text;
  bool match = search->prefix ? title.rfind(search->title, 0) == 0 : title == search->title;
  if (!match) return TRUE;
  search->found = window;
  return FALSE;
}

// The process's visible top-level window with that title, polled until it shows, the
// process ends or patience runs out.
HWND FindProgramWindow(const PROCESS_INFORMATION &process, const std::wstring &title, bool prefix) {
  const auto giveUp = Clock::now() + Patience;
  while (Clock::now() < giveUp) {
    Search search{process.dwProcessId, title, prefix, nullptr};
    EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0) return nullptr;
  }
  return nullptr;
}

// The window's first child of that class, polled until the program has made it.
HWND FindChild(const PROCESS_INFORMATION &process, HWND parent, const wchar_t *className) {
  const auto giveUp = Clock::now() + Patience;
  while (Clock::now() < giveUp) {
    if (HWND child = FindWindowExW(parent, nullptr, className, nullptr)) return child;
    if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0) return nullptr;
  }
  return nullptr;
}

// Waits for the process to end and gives its exit code; -1 when it had to be killed.
int WaitForExit(PROCESS_INFORMATION *process) {
  DWORD code = 0;
  if (WaitForSingleObject(process->hProcess, static_cast<DWORD>(Patience.count() * 1000)) != WAIT_OBJECT_0) {
    TerminateProcess(process->hProcess, 99);
    WaitForSingleObject(process->hProcess, INFINITE);
    code = static_cast<DWORD>(-1);
  } else {
    GetExitCodeProcess(process->hProcess, &code);
  }
  CloseHandle(process->hThread);
  CloseHandle(process->hProcess);
  return static_cast<int>(code);
}

SIZE ClientSize(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  return SIZE{client.right, client.bottom};
}

std::wstring Text(HWND window) {
  wchar_t text[256] = {};
  SendMessageW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
  return text;
}

// Types into the edit control as the keyboard would: everything selected, then one
// character message for each key.
void Type(HWND edit, const std::wstring &keys) {
  SendMessageW(edit, EM_SETSEL, 0, -1);
  for (wchar_t key : keys) SendMessageW(edit, WM_CHAR, key, 0);
}

// ---------------------------------------------------------------------------------------
// Tests
// ---------------------------------------------------------------------------------------

struct ProgramCase {
  const char *program;
  const wchar_t *titlePrefix;
};

class Programs : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(Programs, ShowTheirWindowsNameTheBackendAndEndWithCodeZero) {
  const ProgramCase &run = GetParam();
  DebugListener listener{};
  ASSERT_TRUE(StartListening(&listener));
  PROCESS_INFORMATION process;
  ASSERT_TRUE(Start(run.program, &process)) << run.program;
  listener.process = process.dwProcessId;
  HWND main = FindProgramWindow(process, run.titlePrefix, true);
  HWND settings = FindProgramWindow(process, L"Settings", false);
  EXPECT_NE(main, nullptr) << run.program << " showed no main window";
  EXPECT_NE(settings, nullptr) << run.program << " showed no Settings window";
  if (main) {
    EXPECT_EQ(Text(main), std::wstring(run.titlePrefix) + L"Direct2D");
    SIZE size = ClientSize(main);
    EXPECT_EQ(size.cx, 800);
    EXPECT_EQ(size.cy, 600);
  }
  if (settings) {
    SIZE size = ClientSize(settings);
    EXPECT_EQ(size.cx, 210);
    EXPECT_EQ(size.cy, 61);
    EXPECT_TRUE(GetWindowLongPtrW(settings, GWL_EXSTYLE) & WS_EX_TOPMOST);
  }
  if (main)
    PostMessageW(main, WM_CLOSE, 0, 0);
  else
    TerminateProcess(process.hProcess, 99);
  EXPECT_EQ(WaitForExit(&process), 0);
  StopListening(&listener);

  // The backend's start-up messages, in the order they are made.
  const std::vector<std::string> &messages = listener.messages;
  auto position = [&](const char *message) {
    for (size_t i = 0; i < messages.size(); i++)
      if (messages[i] == message) return static_cast<int>(i);
    return -1;
  };
  int start = position("*** _D2D_Start ***"), target = position("*** _D2D_CreateRenderTarget ***"),
      created = position("Created DC Render Target.");
  EXPECT_GE(start, 0);
  EXPECT_GT(target, start);
  EXPECT_GT(created, target);
}

INSTANTIATE_TEST_SUITE_P(
    BothPrograms, Programs,
    ::testing::Values(ProgramCase{"render_demo", L"Lumora V2 new render sub-system demo: rendering with "},
                      ProgramCase{"render_demo_crazy",
                                  L"Lumora V2 new render sub-system demo `Crazy Shit`: rendering With "}),
    [](const ::testing::TestParamInfo<ProgramCase> &info) {
      return std::string(info.param.program) == "render_demo" ? std::string("Plain") : std::string("Crazy");
    });

// The windows are laid out in pixels for 96 DPI, so on a high-DPI screen Windows must
// scale each program as a whole: its manifest declares no DPI awareness. (Wine takes every
// program for DPI-aware, so the window's own awareness cannot be asked here.)
TEST_P(Programs, TheManifestLeavesHighDpiScalingToWindows) {
  const std::wstring file = BuildFolder() + L"\\" + TkUtf8ToWide(GetParam().program) + L".exe";
  HMODULE program = LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(program, nullptr);
  HRSRC found = FindResourceW(program, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)); // RT_MANIFEST
  ASSERT_NE(found, nullptr);
  const char *bytes = static_cast<const char *>(LockResource(LoadResource(program, found)));
  const std::string manifest(bytes, SizeofResource(program, found));
  FreeLibrary(program);
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos) << manifest;
  EXPECT_EQ(manifest.find("dpiAware"), std::string::npos) << manifest; // dpiAwareness too
}

// Starts the program, types a ball count (letters are refused by the digits-only field),
// closes one of its windows and expects exit code 0.
void RunTypeAndClose(const std::string &program, bool closeSettings, const std::wstring &count) {
  PROCESS_INFORMATION process;
  ASSERT_TRUE(Start(program, &process)) << program;
  HWND settings = FindProgramWindow(process, L"Settings", false);
  HWND main = FindProgramWindow(process, L"Lumora V2", true);
  EXPECT_NE(settings, nullptr);
  EXPECT_NE(main, nullptr);
  HWND field = settings ? FindChild(process, settings, L"Edit") : nullptr;
  EXPECT_NE(field, nullptr);
  if (field) {
    EXPECT_EQ(Text(field), L"10");
    Type(field, L"x" + count + L"y");
    EXPECT_EQ(Text(field), count);
  }
  HWND closing = closeSettings ? settings : main;
  if (closing)
    PostMessageW(closing, WM_CLOSE, 0, 0);
  else
    TerminateProcess(process.hProcess, 99);
  EXPECT_EQ(WaitForExit(&process), 0) << program;
}

TEST(DemoPrograms, ClosingTheSettingsWindowEndsThePlainDemoWithCodeZero) {
  RunTypeAndClose("render_demo", true, L"250");
}

TEST(DemoPrograms, ClosingTheMainWindowEndsTheCrazyDemoWithThousandsOfBalls) {
  // A close request waits for the paint in progress. Wine's Direct2D takes about a
  // minute for one crazy frame of 10000 balls (a few seconds for 1000), Windows a few
  // milliseconds.
  RunTypeAndClose("render_demo_crazy", false, RunningUnderWine() ? L"1000" : L"10000");
}

// Started by its bare name from another folder, found through PATH, the benchmark still
// finds the pictures beside itself and prints its line.
TEST(DemoPrograms, TheBenchmarkStartedThroughPathFromAnotherFolderFindsThePictures) {
  wchar_t temp[MAX_PATH] = {};
  ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
  const std::wstring elsewhere = std::wstring(temp) + L"bench_elsewhere_" + std::to_wstring(GetCurrentProcessId());
  ASSERT_TRUE(CreateDirectoryW(elsewhere.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  const std::wstring outputFile = elsewhere + L"\\output.txt";
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  HANDLE output = CreateFileW(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(output, INVALID_HANDLE_VALUE);

  // CreateProcessW searches this process's PATH for a bare name.
  std::vector<wchar_t> path(32768);
  const DWORD pathLength = GetEnvironmentVariableW(L"PATH", path.data(), static_cast<DWORD>(path.size()));
  const std::wstring oldPath(path.data(), pathLength < path.size() ? pathLength : 0);
  SetEnvironmentVariableW(L"PATH", (BuildFolder() + L"\\tools;" + oldPath).c_str());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = output;
  startup.hStdError = output;
  std::wstring command = L"render_bench.exe --balls 0 --frames 1 --warmup 0";
  PROCESS_INFORMATION process{};
  const bool started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, elsewhere.c_str(),
                                      &startup, &process) != 0;
  SetEnvironmentVariableW(L"PATH", oldPath.c_str());
  CloseHandle(output);
  ASSERT_TRUE(started) << "render_bench.exe was not found through PATH";
  EXPECT_EQ(WaitForExit(&process), 0);

  std::string printed;
  HANDLE input = CreateFileW(outputFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  char buffer[512];
  DWORD got = 0;
  while (input != INVALID_HANDLE_VALUE && ReadFile(input, buffer, sizeof buffer, &got, nullptr) && got > 0)
    printed.append(buffer, got);
  if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
  DeleteFileW(outputFile.c_str());
  RemoveDirectoryW(elsewhere.c_str());
  EXPECT_EQ(printed.rfind("{\"variant\": \"plain\", \"balls\": 0, ", 0), 0u) << printed;
}

} // namespace
