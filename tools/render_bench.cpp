// Composes frames of either demo off-screen, with no window and no display, through the
// programs' own compositions, and prints the time per frame as one line of JSON.
//
//   render_bench [--variant plain|crazy] [--balls N] [--frames N] [--warmup N]
//                [--cursor X,Y] [--seed N] [--png FILE] [--help]
//
// Each frame moves the balls once (under ListMutex, as the render thread does), composes
// into FrameImage and presents it into a 32-bit DIB section in a memory device context, as
// MainWindow's paint does. The time of a frame is its composition and presentation.
// --png writes the last presented frame, what the window would show.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/drawing_engine.h"
#include "bench/frame_png.h"
#include "offscreen.h"
#include "toolkit.h"

namespace {

struct BenchOptions {
  std::string variant = "plain";
  int64_t balls = 10;
  int64_t frames = 120;
  int64_t warmup = 10;
  POINT cursor = {400, 300};
  uint64_t seed = 1;
  std::string png;
};

// ---------------------------------------------------------------------------------------
// Options
// ---------------------------------------------------------------------------------------

// A whole decimal number in [minimum, maximum]; false for anything else.
bool ParseNumber(const std::string &text, int64_t minimum, int64_t maximum, int64_t *value) {
  // strtoll would also take leading blanks and a plus sign.
  if (text.empty() || !(text[0] == '-' || (text[0] >= '0' && text[0] <= '9'))) return false;
  char *end = nullptr;
  errno = 0;
  const long long number = std::strtoll(text.c_str(), &end, 10);
  if (*end != '\0' || errno != 0 || number < minimum || number > maximum) return false;
  *value = number;
  return true;
}

constexpr int64_t CursorLimit = 1000000;

bool ParseCursor(const std::string &text, POINT *cursor) {
  const size_t comma = text.find(',');
  if (comma == std::string::npos) return false;
  int64_t x = 0, y = 0;
  if (!ParseNumber(text.substr(0, comma), -CursorLimit, CursorLimit, &x)) return false;
  if (!ParseNumber(text.substr(comma + 1), -CursorLimit, CursorLimit, &y)) return false;
  cursor->x = static_cast<LONG>(x);
  cursor->y = static_cast<LONG>(y);
  return true;
}

// Each option's value is checked by its reader, which says what it wants when the value
// does not do.
typedef bool (*OptionReader)(const std::string &value, BenchOptions *options, std::string *wanted);

bool ReadCount(const std::string &value, int64_t minimum, int64_t maximum, int64_t *count, std::string *wanted) {
  if (ParseNumber(value, minimum, maximum, count)) return true;
  *wanted = "a whole number from " + std::to_string(minimum) + " to " + std::to_string(maximum);
  return false;
}

struct BenchOption {
  const char *name;
  const char *value; // how the value is written in the help
  const char *meaning;
  OptionReader read;
};

const BenchOption BenchOptionTable[] = {
    {"--variant", "plain|crazy", "the frame to compose (plain)",
     [](const std::string &value, BenchOptions *options, std::string *wanted) {
       options->variant = value;
       *wanted = "plain or crazy";
       return FindFrameComposer(value) != nullptr;
     }},
    {"--balls", "N", "balls, 0 to 10000000 (10)",
     [](const std::string &value, BenchOptions *options, std::string *wanted) {
       return ReadCount(value, 0, 10000000, &options->balls, wanted);
     }},
    {"--frames", "N", "frames timed, 1 to 100000000 (120)",
     [](const std::string &value, BenchOptions *options, std::string *wanted) {
       return ReadCount(value, 1, 100000000, &options->frames, wanted);
     }},
    {"--warmup", "N", "frames composed before the timed ones, 0 to 100000000 (10)",
     [](const std::string &value, BenchOptions *options, std::string *wanted) {
       return ReadCount(value, 0, 100000000, &options->warmup, wanted);
     }},
    {"--cursor", "X,Y", "pointer in window pixels, each -1000000 to 1000000 (400,300)",
     [](const std::string &value, BenchOptions *options, std::string *wanted) {
       *wanted = "X,Y with whole numbers from -1000000 to 1000000";
       return ParseCursor(value, &options->cursor);
     }},
    {"--seed", "N", "seed of the balls' positions, 0 to 9223372036854775807 (1)",
     [](const std::string &value, BenchOptions *options, std::string *wanted) {
       int64_t seed = 0;
       if (!ReadCount(value, 0, INT64_MAX, &seed, wanted)) return false;
       options->seed = static_cast<uint64_t>(seed);
       return true;
     }},
    {"--png", "FILE", "write the last frame shown as a PNG picture",
     [](const std::string &value, BenchOptions *options, std::string *wanted) {
       options->png = value;
       *wanted = "a file name";
       return !value.empty();
     }},
};

void PrintHelp() {
  std::printf("usage: render_bench [options]\n"
              "Composes frames of either demo off-screen and prints the time per frame as one line of JSON.\n\n");
  for (const BenchOption &option : BenchOptionTable) {
    const std::string form = std::string(option.name) + " " + option.value;
    std::printf("  %-22s %s\n", form.c_str(), option.meaning);
  }
  std::printf("  %-22s %s\n\n", "--help", "print this and end");
  std::printf("Exit codes: 0 done, 1 the frames could not be made or the PNG not written, 2 a bad option.\n");
}

enum class Parsed { Run, Help, Bad };

// Reads the command line into options; on a bad option says why on standard error.
Parsed ParseOptions(int argc, char **argv, BenchOptions *options) {
  for (int i = 1; i < argc; i++) {
    const std::string name = argv[i];
    if (name == "--help") return Parsed::Help;
    const BenchOption *option = nullptr;
    for (const BenchOption &candidate : BenchOptionTable)
      if (name == candidate.name) option = &candidate;
    if (option == nullptr) {
      std::fprintf(stderr, "render_bench: unknown option \"%s\" (render_bench --help lists them)\n", name.c_str());
      return Parsed::Bad;
    }
    if (i + 1 >= argc) {
      std::fprintf(stderr, "render_bench: %s needs a value: %s %s\n", option->name, option->name, option->value);
      return Parsed::Bad;
    }
    const std::string value = argv[++i];
    std::string wanted;
    if (!option->read(value, options, &wanted)) {
      std::fprintf(stderr, "render_bench: %s wants %s, not \"%s\"\n", option->name, wanted.c_str(), value.c_str());
      return Parsed::Bad;
    }
  }
  return Parsed::Run;
}

// The pictures are named relative to the current folder. A build keeps "Icons" beside the
// programs, one folder above the tools; an install keeps it beside the benchmark itself.
bool EnterIconsFolder() {
  std::error_code error;
  if (std::filesystem::is_directory("Icons", error)) return true;
  const std::string folder = TkProgramFolder();
  if (folder.empty()) return false;
  const size_t above = folder.find_last_of("\\/", folder.size() - 2);
  for (const std::string &candidate : {folder, folder.substr(0, above == std::string::npos ? 0 : above + 1)}) {
    if (candidate.empty() || TkFileSize(candidate + "Icons") != -2) continue;
    // The toolkit's names are UTF-8, which a plain std::string path is not on Windows.
    std::filesystem::current_path(std::u8string(candidate.begin(), candidate.end()), error);
    return !error;
  }
  return false;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

} // namespace

int main(int argc, char **argv) {
  BenchOptions options;
  const Parsed parsed = ParseOptions(argc, argv, &options);
  if (parsed == Parsed::Help) PrintHelp();
  if (parsed != Parsed::Run) return parsed == Parsed::Help ? 0 : 2;
  std::string png = options.png;
  // The PNG is named relative to the folder the benchmark was started in.
  if (!png.empty()) png = std::filesystem::absolute(png).string();
  if (!EnterIconsFolder()) {
    std::fprintf(stderr, "render_bench: no Icons folder here or beside the program\n");
    return 1;
  }

  PrepareOffscreenDemo();
  const FrameComposer compose = FindFrameComposer(options.variant);
  SpawnOffscreenBalls(options.balls, options.seed);
  OffscreenTarget target;
  if (!CreateOffscreenTarget(&target)) {
    std::fprintf(stderr, "render_bench: cannot create the frame bitmap\n");
    return 1;
  }

  using Clock = std::chrono::steady_clock;
  std::vector<double> times;
  times.reserve(static_cast<size_t>(options.frames));
  for (int64_t frame = 0; frame < options.warmup + options.frames; frame++) {
    MoveOffscreenBalls();
    const Clock::time_point start = Clock::now();
    ComposeOffscreenFrame(compose, options.cursor, &target);
    const Clock::time_point end = Clock::now();
    if (frame >= options.warmup) times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
  }

  double total = 0.0;
  for (double t : times) total += t;
  const double median = Median(times);
  const double minimum = *std::min_element(times.begin(), times.end());
  const double maximum = *std::max_element(times.begin(), times.end());
  const int drawing = BenchDrawingThreads();
  const std::string threads = drawing > 0 ? std::to_string(drawing) : "null"; // null: the system's own
  std::printf("{\"variant\": \"%s\", \"balls\": %lld, \"frames\": %lld, \"warmup\": %lld, \"cursor\": [%ld, %ld], "
              "\"seed\": %llu, \"ms_per_frame\": %.3f, \"ms_mean\": %.3f, \"ms_min\": %.3f, \"ms_max\": %.3f, "
              "\"fps\": %.1f, \"kernels\": \"%s\", \"threads\": %s}\n",
              options.variant.c_str(), static_cast<long long>(options.balls), static_cast<long long>(options.frames),
              static_cast<long long>(options.warmup), static_cast<long>(options.cursor.x),
              static_cast<long>(options.cursor.y), static_cast<unsigned long long>(options.seed), median,
              total / static_cast<double>(times.size()), minimum, maximum, median > 0.0 ? 1000.0 / median : 0.0,
              BenchKernelSet(), threads.c_str());
  std::fflush(stdout);

  int status = 0;
  std::string reason;
  if (!png.empty() && !WriteFramePng(png, target.pixels, target.width, target.height, &reason)) {
    std::fprintf(stderr, "render_bench: cannot write %s: %s\n", png.c_str(), reason.c_str());
    status = 1;
  }
  FreeOffscreenTarget(&target);
  return status;
}
