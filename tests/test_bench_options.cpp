// render_bench's command line, run against the built program: --help lists the options,
// and every bad option ends it with exit code 2 and one line on standard error that says
// what is wrong.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
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
// bare name found through PATH, as a user who installed it would.
BenchRun RunBench(const std::vector<std::string> &arguments, const std::string &startFolder = "") {
  const std::filesystem::path folder = std::filesystem::temp_directory_path();
  const std::string stem = (folder / ("bench_options_" + std::to_string(getpid()))).string();
  const std::string tools = std::string(TEST_BINARY_DIR) + "/tools";
  std::string command = startFolder.empty() ? "'" + tools + "/render_bench'"
                                            : "cd '" + startFolder + "' && PATH='" + tools + "':\"$PATH\" render_bench";
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
  const BenchRun run = RunBench({"--balls", "0", "--frames", "1", "--warmup", "0"}, elsewhere.string());
  std::filesystem::remove_all(elsewhere);
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(run.output.rfind("{\"variant\": \"plain\", \"balls\": 0, ", 0), 0u) << run.output;
}

} // namespace
