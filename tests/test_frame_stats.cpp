// The figures of the --stats lines, from known counter readings: the frames of a stretch,
// the intervals between them, their median and p99, and the line that reports them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "frame_stats.h"

namespace {

// A counter of 1000 ticks a second: readings are milliseconds.
constexpr int64_t Frequency = 1000;

// Readings that start at 0 and follow the intervals given.
std::vector<int64_t> After(const std::vector<int64_t> &intervals) {
  std::vector<int64_t> readings = {0};
  for (int64_t interval : intervals) readings.push_back(readings.back() + interval);
  return readings;
}

std::vector<int64_t> Repeat(int64_t interval, int count, std::vector<int64_t> tail = {}) {
  std::vector<int64_t> intervals(count, interval);
  intervals.insert(intervals.end(), tail.begin(), tail.end());
  return intervals;
}

struct StatsCase {
  const char *what;
  std::vector<int64_t> readings;
  int64_t first; // first frame of the stretch
  int64_t frames;
  int64_t intervals;
  double seconds;
  double medianMs;
  double p99Ms;
};

TEST(FrameStats, IntervalFiguresFromKnownReadings) {
  const StatsCase cases[] = {
      {"no frame", {}, 0, 0, 0, 0.0, 0.0, 0.0},
      {"one frame has no interval", {7}, 0, 1, 0, 0.0, 0.0, 0.0},
      {"steady with one late frame", After({16, 17, 16, 33}), 0, 5, 4, 0.082, 16.5, 33.0},
      {"odd count: the middle one", After({30, 10, 20}), 0, 4, 3, 0.060, 20.0, 30.0},
      // ceil(0.99 x 200) = 198: the 198th shortest of 200 intervals.
      {"two long in 200 are the top 1 %", After(Repeat(10, 198, {50, 50})), 0, 201, 200, 2.080, 10.0, 10.0},
      {"three long in 200 reach p99", After(Repeat(10, 197, {50, 50, 50})), 0, 201, 200, 2.120, 10.0, 50.0},
      // A stretch after a periodic line starts with the interval from that line's last frame.
      {"a later stretch", After({10, 10, 20, 30}), 3, 2, 2, 0.050, 25.0, 30.0},
      {"a stretch past the last frame", After({10, 10}), 3, 0, 0, 0.0, 0.0, 0.0},
  };
  auto stats = std::make_unique<FrameStats>();
  for (const StatsCase &c : cases) {
    RestartFrameStats(stats.get(), Frequency, 0);
    for (int64_t reading : c.readings) NoteFrame(stats.get(), reading);
    const FrameRateSummary summary = SummariseFrames(stats.get(), c.first);
    EXPECT_EQ(summary.frames, c.frames) << c.what;
    EXPECT_EQ(summary.intervals, c.intervals) << c.what;
    EXPECT_DOUBLE_EQ(summary.seconds, c.seconds) << c.what;
    EXPECT_DOUBLE_EQ(summary.fps, c.seconds > 0 ? c.intervals / c.seconds : 0.0) << c.what;
    EXPECT_DOUBLE_EQ(summary.medianMs, c.medianMs) << c.what;
    EXPECT_DOUBLE_EQ(summary.p99Ms, c.p99Ms) << c.what;
  }
}

TEST(FrameStats, TheRingKeepsTheLatestFramesAndARestartForgetsThemAll) {
  auto stats = std::make_unique<FrameStats>();
  RestartFrameStats(stats.get(), Frequency, 0);
  // Ten slow frames that the ring has overwritten by the end, then 2 ms frames.
  int64_t reading = 0;
  for (int i = 0; i < 10; i++) NoteFrame(stats.get(), reading += 100);
  for (int64_t i = 0; i < FrameStatsCapacity; i++) NoteFrame(stats.get(), reading += 2);
  FrameRateSummary summary = SummariseFrames(stats.get(), 0);
  EXPECT_EQ(summary.frames, FrameStatsCapacity);
  EXPECT_EQ(summary.intervals, FrameStatsCapacity - 1);
  EXPECT_DOUBLE_EQ(summary.medianMs, 2.0);
  EXPECT_DOUBLE_EQ(summary.p99Ms, 2.0);
  EXPECT_DOUBLE_EQ(summary.seconds, (FrameStatsCapacity - 1) * 0.002);

  RestartFrameStats(stats.get(), Frequency, reading);
  NoteFrame(stats.get(), reading += 40);
  NoteFrame(stats.get(), reading += 40);
  summary = SummariseFrames(stats.get(), 0);
  EXPECT_EQ(summary.frames, 2);
  EXPECT_DOUBLE_EQ(summary.medianMs, 40.0);
}

TEST(FrameStats, TheLineNamesEachFigure) {
  const FrameRateSummary summary = {301, 300, 5.004, 59.952, 16.6666, 17.806};
  EXPECT_EQ(FrameStatsLine("end", "render_demo_crazy", 60.0f, 10000, summary),
            "{\"stats\": \"end\", \"program\": \"render_demo_crazy\", \"fps_asked\": 60, \"balls\": 10000, "
            "\"frames_painted\": 301, \"seconds\": 5.00, \"fps_painted\": 60.0, \"interval_median_ms\": 16.67, "
            "\"interval_p99_ms\": 17.81}\n");
}

} // namespace
