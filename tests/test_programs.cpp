// Both real programs under the test's display: each starts its Direct2D backend, names it
// at the end of MainWindow's title, and ends with code 0 at once when either of its
// windows is closed, whatever its render thread is doing.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "picture_files.h"

extern "C" char **environ;

namespace {

std::string Shell(const std::string &command) {
  std::string output;
  if (FILE *pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe)) output += buffer;
    pclose(pipe);
  }
  while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
  return output;
}

// A program started with its standard output and error in files.
struct Child {
  pid_t pid = 0;
  std::filesystem::path outputFile;
  std::filesystem::path errorFile;
};

// Environment entries given replace those of the test's own environment.
bool Start(const std::string &program, Child *child, const std::vector<std::string> &environment = {},
           std::vector<std::string> arguments = {}) {
  const std::string stem = std::filesystem::temp_directory_path() / (program + "_" + std::to_string(getpid()));
  child->outputFile = stem + "_stdout.txt";
  child->errorFile = stem + "_stderr.txt";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, child->outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, child->errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::string path = std::string(TEST_BINARY_DIR) + "/" + program;
  std::vector<char *> argv = {path.data()};
  for (std::string &argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  std::vector<std::string> entries = environment;
  for (char **entry = environ; *entry; ++entry) {
    const std::string text = *entry;
    const std::string name = text.substr(0, text.find('=') + 1);
    bool replaced = false;
    for (const std::string &given : environment) replaced = replaced || given.rfind(name, 0) == 0;
    if (!replaced) entries.push_back(text);
  }
  std::vector<char *> envp;
  for (std::string &entry : entries) envp.push_back(entry.data());
  envp.push_back(nullptr);
  // The requests to end start at their defaults, whatever the test inherited, and blocked:
  // one sent at once waits for the program's first instant instead of meeting the loader
  // before the program has run at all.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t requests;
  sigemptyset(&requests);
  for (int number : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&requests, number);
  posix_spawnattr_setsigdefault(&attributes, &requests);
  posix_spawnattr_setsigmask(&attributes, &requests);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  const int failed = posix_spawn(&child->pid, path.c_str(), &actions, &attributes, argv.data(), envp.data());
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return failed == 0;
}

// The program's visible window whose title contains the text, once mapped; 0 when the
// program never shows it. A program that ends meanwhile is reaped and its exit code kept.
// The display is the test's own unless one is named (":N").
unsigned long FindWindow(pid_t pid, const std::string &titlePart, int *exitCode, const std::string &display = "") {
  if (*exitCode != -2) return 0; // already ended and reaped
  const std::string command = (display.empty() ? "" : "DISPLAY=" + display + " ") +
                              "xdotool search --all --onlyvisible --pid " + std::to_string(pid) + " --name '" +
                              titlePart + "' 2>/dev/null | head -n 1";
  for (int attempt = 0; attempt < 1200; attempt++) {
    const std::string found = Shell(command);
    if (!found.empty()) return std::stoul(found);
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return 0;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  return 0;
}

// A window manager's close request (WM_DELETE_WINDOW), sent with Xlib reached through the
// loader.
bool RequestClose(unsigned long window) {
  void *xlib = dlopen("libX11.so.6", RTLD_NOW | RTLD_GLOBAL);
  if (xlib == nullptr) return false;
  auto openDisplay = reinterpret_cast<Display *(*)(const char *)>(dlsym(xlib, "XOpenDisplay"));
  auto internAtom = reinterpret_cast<Atom (*)(Display *, const char *, Bool)>(dlsym(xlib, "XInternAtom"));
  auto sendEvent = reinterpret_cast<Status (*)(Display *, Window, Bool, long, XEvent *)>(dlsym(xlib, "XSendEvent"));
  auto flush = reinterpret_cast<int (*)(Display *)>(dlsym(xlib, "XFlush"));
  auto closeDisplay = reinterpret_cast<int (*)(Display *)>(dlsym(xlib, "XCloseDisplay"));
  if (!openDisplay || !internAtom || !sendEvent || !flush || !closeDisplay) return false;
  Display *display = openDisplay(nullptr);
  if (display == nullptr) return false;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = internAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(internAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  const Status sent = sendEvent(display, window, False, NoEventMask, &event);
  flush(display);
  closeDisplay(display);
  return sent != 0;
}

// The exit code, or -1 when the program had to be killed (a hang guard, not a time limit).
int WaitForExit(pid_t pid) {
  int status = 0;
  for (int attempt = 0; attempt < 2000; attempt++) {
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return -1;
}

std::string ReadFile(const std::filesystem::path &file) {
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The X server resets when its last client leaves, and a program that connects during
// the reset finds no display. The test keeps a connection of its own open so the server
// never empties between two programs.
class DisplayKeeper : public ::testing::Environment {
public:
  void SetUp() override {
    void *xlib = dlopen("libX11.so.6", RTLD_NOW | RTLD_GLOBAL);
    auto openDisplay = xlib ? reinterpret_cast<Display *(*)(const char *)>(dlsym(xlib, "XOpenDisplay")) : nullptr;
    if (openDisplay) display_ = openDisplay(nullptr);
  }
  void TearDown() override {
    void *xlib = dlopen("libX11.so.6", RTLD_NOW | RTLD_GLOBAL);
    auto closeDisplay = xlib ? reinterpret_cast<int (*)(Display *)>(dlsym(xlib, "XCloseDisplay")) : nullptr;
    if (closeDisplay && display_) closeDisplay(display_);
  }

private:
  Display *display_ = nullptr; // kept until every test has run
};
const ::testing::Environment *const Keeper = ::testing::AddGlobalTestEnvironment(new DisplayKeeper);

struct ProgramCase {
  const char *program;
  const char *titlePrefix;
};

class Programs : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(Programs, StartTheBackendNameItInTheTitleAndEndWithCodeZero) {
  const ProgramCase &run = GetParam();
  Child child;
  ASSERT_TRUE(Start(run.program, &child)) << run.program;
  int exitCode = -2; // still running
  const unsigned long window = FindWindow(child.pid, "sub-system demo", &exitCode);
  EXPECT_NE(window, 0u) << run.program << " showed no main window (exit code " << exitCode << ")";
  std::string title;
  if (window != 0) {
    title = Shell("xdotool getwindowname " + std::to_string(window));
    EXPECT_TRUE(RequestClose(window));
  } else if (exitCode == -2) {
    kill(child.pid, SIGTERM);
  }
  if (exitCode == -2) exitCode = WaitForExit(child.pid);
  const std::string errors = ReadFile(child.errorFile);
  std::filesystem::remove(child.errorFile);
  std::filesystem::remove(child.outputFile);

  EXPECT_EQ(title, std::string(run.titlePrefix) + "Direct2D");
  EXPECT_EQ(exitCode, 0) << errors;
  // The backend's start-up lines, one debug message a line, in the order they are made.
  const size_t start = errors.find("*** _D2D_Start ***\n");
  const size_t target = errors.find("*** _D2D_CreateRenderTarget ***\n");
  const size_t created = errors.find("Created DC Render Target.\n");
  ASSERT_NE(start, std::string::npos) << errors;
  ASSERT_NE(target, std::string::npos) << errors;
  ASSERT_NE(created, std::string::npos) << errors;
  EXPECT_LT(start, target);
  EXPECT_LT(target, created);
  // All six pictures loaded: the loader names a file it cannot read.
  EXPECT_EQ(errors.find("Icons"), std::string::npos) << errors;
}

INSTANTIATE_TEST_SUITE_P(
    BothPrograms, Programs,
    ::testing::Values(ProgramCase{"render_demo", "Lumora V2 new render sub-system demo: rendering with "},
                      ProgramCase{"render_demo_crazy",
                                  "Lumora V2 new render sub-system demo `Crazy Shit`: rendering With "}),
    [](const ::testing::TestParamInfo<ProgramCase> &info) {
      return std::string(info.param.program) == "render_demo" ? std::string("Plain") : std::string("Crazy");
    });

// Types text into the Settings window's ball-count field with the real keyboard path.
void TypeBallCount(unsigned long settings, const std::string &count) {
  const std::string id = std::to_string(settings);
  Shell("eval $(xdotool getwindowgeometry --shell " + id +
        ") && xdotool mousemove $((X + 155)) $((Y + 45)) click 1 key ctrl+a type " + count);
}

// Starts the program with the arguments given, optionally types a ball count, closes one
// of its windows and expects exit code 0 (-1 means it had to be killed). The time from the
// close request to the end is recorded as a test property, not judged. Returns what the
// program wrote on standard output.
std::string RunAndClose(const std::string &program, const std::string &windowToClose, const std::string &ballCount,
                        const std::vector<std::string> &arguments = {}) {
  Child child;
  if (!Start(program, &child, {}, arguments)) {
    ADD_FAILURE() << "cannot start " << program;
    return "";
  }
  int exitCode = -2; // still running
  const unsigned long settings = FindWindow(child.pid, "^Settings$", &exitCode);
  const unsigned long target = FindWindow(child.pid, windowToClose, &exitCode);
  EXPECT_NE(settings, 0u) << program << " showed no Settings window";
  EXPECT_NE(target, 0u) << program << " showed no window " << windowToClose;
  if (settings != 0 && !ballCount.empty()) TypeBallCount(settings, ballCount);

  const auto closedAt = std::chrono::steady_clock::now();
  if (target != 0)
    EXPECT_TRUE(RequestClose(target));
  else if (exitCode == -2)
    kill(child.pid, SIGTERM);
  if (exitCode == -2) exitCode = WaitForExit(child.pid);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - closedAt).count();
  ::testing::Test::RecordProperty("seconds_after_close", std::to_string(seconds));
  const std::string errors = ReadFile(child.errorFile);
  const std::string output = ReadFile(child.outputFile);
  std::filesystem::remove(child.errorFile);
  std::filesystem::remove(child.outputFile);
  EXPECT_EQ(exitCode, 0) << program << " wrote:\n" << errors;
  return output;
}

TEST(DemoPrograms, WithoutADisplayTheProgramSaysSoAndEndsWithCodeOne) {
  Child child;
  ASSERT_TRUE(Start("render_demo", &child, {"DISPLAY=:65000", "WAYLAND_DISPLAY="}));
  const int exitCode = WaitForExit(child.pid);
  const std::string errors = ReadFile(child.errorFile);
  std::filesystem::remove(child.errorFile);
  std::filesystem::remove(child.outputFile);
  EXPECT_EQ(exitCode, 1) << errors;
  EXPECT_NE(errors.find("Cannot open the display"), std::string::npos) << errors;
}

TEST(DemoPrograms, ClosingTheSettingsWindowEndsThePlainDemoWithCodeZero) {
  RunAndClose("render_demo", "^Settings$", "");
}

TEST(DemoPrograms, ClosingTheMainWindowEndsTheCrazyDemoWithTenThousandBalls) {
  RunAndClose("render_demo_crazy", "rendering With", "10000");
}

// The output's last line is the --stats end line, which starts so.
void ExpectTheEndLineLast(const std::string &output, const std::string &start) {
  // A slow start may add a periodic line first; the end line comes last.
  ASSERT_GE(output.size(), 2u) << output;
  const size_t lastLine = output.rfind('\n', output.size() - 2) + 1; // 0 when there is one line
  EXPECT_EQ(output.compare(lastLine, start.size(), start), 0) << output;
  EXPECT_EQ(output.substr(output.size() - 2), "}\n") << output;
}

const std::string EndLineStart = "{\"stats\": \"end\", \"program\": \"render_demo\", \"fps_asked\": 60, \"balls\": ";

// --stats anywhere on the command line adds the end line on standard output; other
// arguments are ignored as they always were, and without the option nothing is printed.
TEST(DemoPrograms, TheStatsOptionPrintsOneEndLineWhenTheProgramEnds) {
  const std::string output = RunAndClose("render_demo", "^Settings$", "", {"stray", "--stats"});
  ExpectTheEndLineLast(output, EndLineStart + "10, \"frames_painted\": ");

  EXPECT_EQ(RunAndClose("render_demo", "^Settings$", "", {"--statistics", "-stats"}), "");
}

// SIGTERM, SIGINT and SIGHUP end the program as closing a window does, at any moment: at
// its first instant, while it loads its pictures, and once it shows frames.
TEST(DemoPrograms, EachRequestToEndAtAnyMomentEndsTheProgramAsAClose) {
  constexpr int AfterTheWindowShows = -1;
  struct Moment {
    const char *name;
    int milliseconds; // after the start, or AfterTheWindowShows
  };
  const Moment moments[] = {
      {"at once", 0}, {"early in start-up", 20}, {"later in start-up", 120}, {"showing frames", AfterTheWindowShows}};
  for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
    for (const Moment &moment : moments) {
      SCOPED_TRACE(std::string(strsignal(number)) + ", " + moment.name);
      Child child;
      ASSERT_TRUE(Start("render_demo", &child, {}, {"--stats"}));
      int exitCode = -2; // still running
      if (moment.milliseconds == AfterTheWindowShows) {
        EXPECT_NE(FindWindow(child.pid, "sub-system demo", &exitCode), 0u);
        // A few frames after the window is mapped.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(moment.milliseconds));
      }
      if (exitCode == -2) {
        kill(child.pid, number);
        exitCode = WaitForExit(child.pid);
      }
      const std::string output = ReadFile(child.outputFile), errors = ReadFile(child.errorFile);
      std::filesystem::remove(child.outputFile);
      std::filesystem::remove(child.errorFile);
      EXPECT_EQ(exitCode, 0) << errors;
      ExpectTheEndLineLast(output, EndLineStart);
    }
  }
}

// An X server of the test's own, which it may take away under a program: its display
// (":N"), or "" when it did not start.
std::string StartXServer(pid_t *server) {
  int numberPipe[2];
  if (pipe(numberPipe) != 0) return "";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, numberPipe[1], 3);
  posix_spawn_file_actions_addclose(&actions, numberPipe[0]);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> arguments = {"Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp"};
  std::vector<char *> argv;
  for (std::string &argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const bool started = posix_spawnp(server, "Xvfb", &actions, nullptr, argv.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  close(numberPipe[1]);
  // The server writes its display number once it takes clients; one that fails closes the pipe.
  std::string number;
  char digit = 0;
  while (started && read(numberPipe[0], &digit, 1) == 1 && digit != '\n') number += digit;
  close(numberPipe[0]);
  return number.empty() ? "" : ":" + number;
}

// The X server going away is a failure: the program says so, prints its end line and
// ends with a code other than 0.
TEST(DemoPrograms, LosingTheDisplayIsNamedAndFailsAfterTheEndLine) {
  pid_t server = 0;
  const std::string display = StartXServer(&server);
  ASSERT_NE(display, "") << "Xvfb did not start";
  Child child;
  ASSERT_TRUE(Start("render_demo", &child, {"DISPLAY=" + display, "WAYLAND_DISPLAY="}, {"--stats"}));
  int exitCode = -2; // still running
  EXPECT_NE(FindWindow(child.pid, "sub-system demo", &exitCode, display), 0u);
  kill(server, SIGTERM);
  waitpid(server, nullptr, 0);
  if (exitCode == -2) exitCode = WaitForExit(child.pid);
  const std::string output = ReadFile(child.outputFile), errors = ReadFile(child.errorFile);
  std::filesystem::remove(child.outputFile);
  std::filesystem::remove(child.errorFile);
  EXPECT_EQ(exitCode, 1) << errors;
  EXPECT_NE(errors.find("Lost the connection to the display"), std::string::npos) << errors;
  // A slow build may still be starting when its window shows and the server goes.
  ExpectTheEndLineLast(output, EndLineStart);
}

// ---------------------------------------------------------------------------------------
// Pictures the programs cannot use (the scene set-up is the same in both programs and the
// bench, which needs no display)
// ---------------------------------------------------------------------------------------

// The lines a program started in the folder writes about pictures.
std::vector<std::string> PictureLines(const std::filesystem::path &folder, const std::string &command) {
  std::istringstream output(Shell("cd '" + folder.string() + "' && " + command + " 2>&1 >/dev/null"));
  std::vector<std::string> lines;
  for (std::string line; std::getline(output, line);)
    if (line.rfind("Cannot load image", 0) == 0 || line.rfind("Border", 0) == 0) lines.push_back(line);
  return lines;
}

// Each expected line holds both parts: the picture's name and what is wrong with it.
void ExpectLines(const std::vector<std::string> &lines, const std::vector<std::pair<std::string, std::string>> &want) {
  EXPECT_EQ(lines.size(), want.size());
  for (const auto &[name, kind] : want) {
    const bool found = std::any_of(lines.begin(), lines.end(), [&](const std::string &line) {
      return line.find(name) != std::string::npos && line.find(kind) != std::string::npos;
    });
    EXPECT_TRUE(found) << name << ": " << kind;
  }
}

struct PictureFolder {
  std::filesystem::path path = std::filesystem::temp_directory_path() / ("pictures_" + std::to_string(getpid()));
  PictureFolder() { std::filesystem::create_directories(path / "Icons"); }
  ~PictureFolder() { std::filesystem::remove_all(path); }
  std::string operator/(const char *name) const { return (path / "Icons" / name).string(); }
};

const std::string Bench = "timeout 60 '" + std::string(TEST_BINARY_DIR) + "/tools/render_bench' --balls 0 --frames 1";

TEST(DemoPrograms, EveryPictureThatCannotBeLoadedIsNamedOnceWithTheReason) {
  PictureFolder folder;
  ASSERT_EQ(mkfifo((folder / "newlogo2_256x256.png").c_str(), 0644), 0); // would block a reader forever
  std::filesystem::create_symlink("loop.png", folder / "boingball.png");
  std::filesystem::create_symlink("boingball.png", folder / "loop.png");
  std::ofstream(folder / "backgroundMask.png").close();
  std::filesystem::create_directories(folder / "border_new_mask2.png");
  std::ofstream(folder / "border_new2.png") << "not a picture";
  ExpectLines(PictureLines(folder.path, Bench), {{"322621.jpg", "missing"},
                                                 {"newlogo2_256x256.png", "unreadable"},
                                                 {"boingball.png", "unreadable"},
                                                 {"backgroundMask.png", "not a picture"},
                                                 {"border_new_mask2.png", "unreadable"},
                                                 {"border_new2.png", "not a picture"}});

  // No Icons folder at all, neither in the working folder nor beside the program (a copy
  // of it, which SIGTERM from timeout ends as a close would).
  std::filesystem::remove_all(folder.path / "Icons");
  std::filesystem::create_directories(folder.path / "bin");
  std::filesystem::copy_file(std::string(TEST_BINARY_DIR) + "/render_demo", folder.path / "bin" / "render_demo");
  ExpectLines(PictureLines(folder.path, "timeout 3 bin/render_demo"), {{"322621.jpg", "missing"},
                                                                       {"newlogo2_256x256.png", "missing"},
                                                                       {"boingball.png", "missing"},
                                                                       {"backgroundMask.png", "missing"},
                                                                       {"border_new_mask2.png", "missing"},
                                                                       {"border_new2.png", "missing"}});
}

TEST(DemoPrograms, BorderPicturesThatDoNotFitTheirSliceLinesAreNamedOnce) {
  PictureFolder folder;
  const std::string icons = std::string(TEST_BINARY_DIR) + "/Icons";
  for (const char *name : {"322621.jpg", "newlogo2_256x256.png", "boingball.png", "backgroundMask.png"})
    std::filesystem::copy_file(icons + "/" + name, folder / name);
  // A 10 x 10 border with a mask of 40 x 40: too small for 20, 20, 70, 70, and not its size.
  ASSERT_TRUE(WritePngFile(folder / "border_new2.png", 10, 10, PngGrey, std::vector<uint8_t>(100, 90)));
  ASSERT_TRUE(WritePngFile(folder / "border_new_mask2.png", 40, 40, PngGrey, std::vector<uint8_t>(1600, 0)));
  ExpectLines(PictureLines(folder.path, Bench), {{"border_new2.png", "10 x 10 pixels, too small for its slice lines"},
                                                 {"border_new_mask2.png", "is 40 x 40 pixels, not the 10 x 10"}});
}

} // namespace
