// render_bench's command line, run against the built program: --help lists the options,
// every bad option ends it with exit code 2 and one line on standard error that says what
// is wrong, and a PNG that cannot be written leaves every file as it was.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct BenchRun {
  int exitCode;
  std::string output;
  std::string errors;
};

std::string TakeFile(const std::filesystem::path &file) {
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  in.close();
  std::filesystem::remove(file);
  return text.str();
}

// Runs the built benchmark by its full name, or, given a folder, from that folder by its
// bare name found through PATH, as a user who installed it would. The shell's commands
// before the program's own (limits, signals to ignore) go first.
BenchRun RunBench(const std::vector<std::string> &arguments, const std::string &before = "",
                  const std::string &startFolder = "") {
  const std::filesystem::path folder = std::filesystem::temp_directory_path();
  const std::string stem = (folder / ("bench_options_" + std::to_string(getpid()))).string();
  const std::string tools = std::string(TEST_BINARY_DIR) + "/tools";
  std::string command =
      before + (startFolder.empty() ? "'" + tools + "/render_bench'"
                                    : "cd '" + startFolder + "' && PATH='" + tools + "':\"$PATH\" render_bench");
  for (const std::string &argument : arguments) command += " '" + argument + "'";
  command += " >'" + stem + ".out' 2>'" + stem + ".err'";
  const int status = std::system(command.c_str());
  BenchRun run;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.output = TakeFile(stem + ".out");
  run.errors = TakeFile(stem + ".err");
  return run;
}

struct OptionCase {
  std::vector<std::string> arguments;
  std::string message; // the whole line on standard error
};

TEST(BenchOptions, EachBadOptionGivesOneMessageAndExitCodeTwo) {
  const OptionCase cases[] = {
      {{"--bogus"}, "render_bench: unknown option \"--bogus\" (render_bench --help lists them)"},
      {{"-h"}, "render_bench: unknown option \"-h\" (render_bench --help lists them)"},
      {{"--frames", "5", "--balls"}, "render_bench: --balls needs a value: --balls N"},
      {{"--frames", "ten"}, "render_bench: --frames wants a whole number from 1 to 100000000, not \"ten\""},
      {{"--frames", "0"}, "render_bench: --frames wants a whole number from 1 to 100000000, not \"0\""},
      {{"--warmup", "-1"}, "render_bench: --warmup wants a whole number from 0 to 100000000, not \"-1\""},
      {{"--balls", "10000001"}, "render_bench: --balls wants a whole number from 0 to 10000000, not \"10000001\""},
      {{"--balls", "12abc"}, "render_bench: --balls wants a whole number from 0 to 10000000, not \"12abc\""},
      {{"--balls", " 12"}, "render_bench: --balls wants a whole number from 0 to 10000000, not \" 12\""},
      {{"--seed", "99999999999999999999"},
       "render_bench: --seed wants a whole number from 0 to 9223372036854775807, not \"99999999999999999999\""},
      {{"--variant", "fancy"}, "render_bench: --variant wants plain or crazy, not \"fancy\""},
      {{"--cursor", "400"},
       "render_bench: --cursor wants X,Y with whole numbers from -1000000 to 1000000, not \"400\""},
      {{"--cursor", "1,y"},
       "render_bench: --cursor wants X,Y with whole numbers from -1000000 to 1000000, not \"1,y\""},
      {{"--cursor", "1,2,3"},
       "render_bench: --cursor wants X,Y with whole numbers from -1000000 to 1000000, not \"1,2,3\""},
      {{"--cursor", "0,1000001"},
       "render_bench: --cursor wants X,Y with whole numbers from -1000000 to 1000000, not \"0,1000001\""},
      {{"--png", ""}, "render_bench: --png wants a file name, not \"\""},
  };
  for (const OptionCase &c : cases) {
    const BenchRun run = RunBench(c.arguments);
    EXPECT_EQ(run.exitCode, 2) << c.message;
    EXPECT_EQ(run.errors, c.message + "\n");
    EXPECT_EQ(run.output, "") << c.message;
  }
}

TEST(BenchOptions, HelpListsEveryOptionAndGoodOptionsRun) {
  const BenchRun help = RunBench({"--balls", "5", "--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.errors, "");
  for (const char *option : {"--variant plain|crazy", "--balls N", "--frames N", "--warmup N", "--cursor X,Y",
                             "--seed N", "--png FILE", "--help"})
    EXPECT_NE(help.output.find(option), std::string::npos) << option << " missing from\n" << help.output;

  const BenchRun run = RunBench(
      {"--variant", "crazy", "--balls", "0", "--frames", "1", "--warmup", "0", "--cursor", "-5,7", "--seed", "3"});
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(run.output.rfind("{\"variant\": \"crazy\", \"balls\": 0, \"frames\": 1, \"warmup\": 0, "
                             "\"cursor\": [-5, 7], \"seed\": 3, ",
                             0),
            0u)
      << run.output;
}

// The pictures are found beside the program, wherever it is started from and however it
// is named on the command line.
TEST(BenchOptions, StartedThroughPathFromAnotherFolderItFindsThePictures) {
  const std::filesystem::path elsewhere =
      std::filesystem::temp_directory_path() / ("bench_elsewhere_" + std::to_string(getpid()));
  std::filesystem::create_directories(elsewhere);
  const BenchRun run = RunBench({"--balls", "0", "--frames", "1", "--warmup", "0"}, "", elsewhere.string());
  std::filesystem::remove_all(elsewhere);
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(run.output.rfind("{\"variant\": \"plain\", \"balls\": 0, ", 0), 0u) << run.output;
}

// What a folder holds: each entry's kind, mode and contents (a device's numbers).
std::map<std::string, std::string> Snapshot(const std::filesystem::path &folder) {
  std::map<std::string, std::string> entries;
  for (const std::filesystem::directory_entry &entry : std::filesystem::directory_iterator(folder)) {
    struct stat info {};
    lstat(entry.path().c_str(), &info);
    std::string held = std::to_string(info.st_mode) + " ";
    if (S_ISREG(info.st_mode)) {
      std::ifstream in(entry.path(), std::ios::binary);
      std::stringstream bytes;
      bytes << in.rdbuf();
      // A picture is kept as its size and a hash, so that a failure prints a short line.
      const std::string contents = bytes.str();
      held += contents.size() < 256 ? contents
                                    : contents.substr(0, 8) + " " + std::to_string(contents.size()) + " bytes, hash " +
                                          std::to_string(std::hash<std::string>{}(contents));
    } else {
      held += std::to_string(major(info.st_rdev)) + "," + std::to_string(minor(info.st_rdev));
    }
    entries[entry.path().filename().string()] = held;
  }
  return entries;
}

struct PngTargetCase {
  const char *what;
  std::function<std::string(const std::filesystem::path &folder)> make; // the target; "" to skip
  std::string before;                                                   // shell commands before the bench
  std::string reason;                                                   // what the message says
};

// A write that fails part way, into a device or a file that may not grow, or a target
// that may not be written at all, ends with exit code 1 and the reason, and leaves the
// folder as it was: neither the target nor a half-written file of the bench's own.
TEST(BenchOptions, APngThatCannotBeWrittenLeavesEveryFileAsItWas) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("bench_png_" + std::to_string(getpid()));
  const auto keep = [](const std::filesystem::path &file) {
    std::ofstream(file) << "a file of someone else's";
    return file.string();
  };

  // A file that can be written is replaced by the picture, keeping its mode, and nothing
  // else is left beside it.
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  const std::string replaced = keep(folder / "frame.png");
  chmod(replaced.c_str(), 0640);
  const BenchRun replacing = RunBench({"--balls", "0", "--frames", "1", "--warmup", "0", "--png", replaced});
  EXPECT_EQ(replacing.exitCode, 0) << replacing.errors;
  const std::map<std::string, std::string> written = Snapshot(folder);
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written.begin()->second.rfind(std::to_string(S_IFREG | 0640) + " \x89PNG\r\n", 0), 0u);

  const PngTargetCase cases[] = {
      {"a read-only file",
       [&](const std::filesystem::path &folder) {
         const std::string file = keep(folder / "read_only.png");
         chmod(file.c_str(), 0444);
         return file;
       },
       "", "Permission denied"},
      // The limit makes the new file's writes fail; the signal would otherwise end the bench.
      {"a file whose replacement cannot grow",
       [&](const std::filesystem::path &folder) { return keep(folder / "frame.png"); }, "ulimit -f 1; trap '' XFSZ; ",
       "File too large"},
      {"a folder that does not exist",
       [](const std::filesystem::path &folder) { return (folder / "none/f.png").string(); }, "",
       "No such file or directory"},
      // Last, since only root may make the node and the test skips without it.
      {"a full device",
       [](const std::filesystem::path &folder) {
         const std::string node = (folder / "full").string();
         return mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0 ? node : "";
       },
       "", "No space left on device"},
  };
  for (const PngTargetCase &c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string target = c.make(folder);
    if (target.empty()) {
      std::filesystem::remove_all(folder);
      GTEST_SKIP() << "making a device node needs root";
    }
    const std::map<std::string, std::string> held = Snapshot(folder);
    const BenchRun run = RunBench({"--balls", "0", "--frames", "1", "--warmup", "0", "--png", target}, c.before);
    EXPECT_EQ(run.exitCode, 1) << run.errors;
    // The backend's start-up lines come first.
    const std::string line = "render_bench: cannot write " + target + ": " + c.reason + "\n";
    EXPECT_TRUE(run.errors.ends_with("\n" + line)) << run.errors;
    EXPECT_EQ(Snapshot(folder), held);
  }

  std::filesystem::remove_all(folder);
}

} // namespace
