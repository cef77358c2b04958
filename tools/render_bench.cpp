// Composes frames of either demo off-screen, with no window and no display, through the
// programs' own compositions, and prints the time per frame as one line of JSON.
//
//   render_bench [--variant plain|crazy] [--balls N] [--frames N] [--warmup N]
//                [--cursor X,Y] [--seed N] [--png FILE]
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

#include "bench/frame_png.h"
#include "offscreen.h"

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

void PrintUsage() {
  std::fprintf(stderr, "usage: render_bench [--variant plain|crazy] [--balls N] [--frames N] [--warmup N]\n"
                       "                    [--cursor X,Y] [--seed N] [--png FILE]\n");
}

// A whole decimal number in [minimum, maximum]; false for anything else.
bool ParseNumber(const char *text, int64_t minimum, int64_t maximum, int64_t *value) {
  char *end = nullptr;
  errno = 0;
  const long long number = std::strtoll(text, &end, 10);
  if (end == text || *end != '\0' || errno != 0 || number < minimum || number > maximum) return false;
  *value = number;
  return true;
}

bool ParseCursor(const std::string &text, POINT *cursor) {
  const size_t comma = text.find(',');
  if (comma == std::string::npos) return false;
  int64_t x = 0, y = 0;
  const int64_t limit = 1000000;
  if (!ParseNumber(text.substr(0, comma).c_str(), -limit, limit, &x)) return false;
  if (!ParseNumber(text.substr(comma + 1).c_str(), -limit, limit, &y)) return false;
  cursor->x = static_cast<LONG>(x);
  cursor->y = static_cast<LONG>(y);
  return true;
}

bool ParseOptions(int argc, char **argv, BenchOptions *options) {
  for (int i = 1; i < argc; i++) {
    const std::string name = argv[i];
    if (i + 1 >= argc) return false;
    const char *value = argv[++i];
    int64_t number = 0;
    if (name == "--variant") {
      options->variant = value;
      if (FindFrameComposer(options->variant) == nullptr) return false;
    } else if (name == "--balls") {
      if (!ParseNumber(value, 0, 10000000, &options->balls)) return false;
    } else if (name == "--frames") {
      if (!ParseNumber(value, 1, 100000000, &options->frames)) return false;
    } else if (name == "--warmup") {
      if (!ParseNumber(value, 0, 100000000, &options->warmup)) return false;
    } else if (name == "--cursor") {
      if (!ParseCursor(value, &options->cursor)) return false;
    } else if (name == "--seed") {
      if (!ParseNumber(value, 0, INT64_MAX, &number)) return false;
      options->seed = static_cast<uint64_t>(number);
    } else if (name == "--png") {
      options->png = value;
    } else {
      return false;
    }
  }
  return true;
}

// The pictures are named relative to the current folder. A build keeps "Icons" beside the
// programs, one folder above the tools; the executable's own folder is tried too.
bool EnterIconsFolder(const char *argv0) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::is_directory("Icons", error)) return true;
  fs::path executable = fs::read_symlink("/proc/self/exe", error);
  if (error) executable = fs::absolute(argv0, error);
  const fs::path folder = executable.parent_path();
  for (const fs::path &candidate : {folder, folder.parent_path()}) {
    if (!candidate.empty() && fs::is_directory(candidate / "Icons", error)) {
      fs::current_path(candidate, error);
      return !error;
    }
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
  if (!ParseOptions(argc, argv, &options)) {
    PrintUsage();
    return 2;
  }
  std::string png = options.png;
  // The PNG is named relative to the folder the benchmark was started in.
  if (!png.empty()) png = std::filesystem::absolute(png).string();
  if (!EnterIconsFolder(argv[0])) {
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
  std::printf("{\"variant\": \"%s\", \"balls\": %lld, \"frames\": %lld, \"warmup\": %lld, \"cursor\": [%ld, %ld], "
              "\"seed\": %llu, \"ms_per_frame\": %.3f, \"ms_mean\": %.3f, \"ms_min\": %.3f, \"ms_max\": %.3f, "
              "\"fps\": %.1f}\n",
              options.variant.c_str(), static_cast<long long>(options.balls), static_cast<long long>(options.frames),
              static_cast<long long>(options.warmup), static_cast<long>(options.cursor.x),
              static_cast<long>(options.cursor.y), static_cast<unsigned long long>(options.seed), median,
              total / static_cast<double>(times.size()), minimum, maximum, median > 0.0 ? 1000.0 / median : 0.0);
  std::fflush(stdout);

  int status = 0;
  if (!png.empty() && !WriteFramePng(png, target.pixels, target.width, target.height)) {
    std::fprintf(stderr, "render_bench: cannot write %s\n", png.c_str());
    status = 1;
  }
  FreeOffscreenTarget(&target);
  return status;
}
