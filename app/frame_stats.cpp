#include "frame_stats.h"

#include <windows.h>

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "app_state.h"
#include "frame_clock.h"
#include "toolkit.h"

// ---------------------------------------------------------------------------------------
// Procedures on a record
// ---------------------------------------------------------------------------------------

void RestartFrameStats(FrameStats *stats, int64_t frequency, int64_t now) {
  stats->frames = 0;
  stats->reportedFrames = 0;
  stats->reportedAt = now;
  stats->frequency = frequency;
}

void NoteFrame(FrameStats *stats, int64_t counter) {
  stats->readings[stats->frames % FrameStatsCapacity] = counter;
  stats->frames++;
}

static int64_t Reading(const FrameStats *stats, int64_t frame) { return stats->readings[frame % FrameStatsCapacity]; }

FrameRateSummary SummariseFrames(FrameStats *stats, int64_t first) {
  FrameRateSummary summary{};
  const int64_t oldest = std::max<int64_t>(0, stats->frames - FrameStatsCapacity);
  first = std::max(first, oldest);
  if (first >= stats->frames) return summary;
  summary.frames = stats->frames - first;

  // The first frame kept has no reading before it; any other frame has.
  const int64_t from = std::max(first, oldest + 1);
  const double msPerTick = stats->frequency > 0 ? 1000.0 / static_cast<double>(stats->frequency) : 0.0;
  double *intervals = stats->scratch;
  for (int64_t frame = from; frame < stats->frames; frame++)
    intervals[frame - from] = static_cast<double>(Reading(stats, frame) - Reading(stats, frame - 1)) * msPerTick;
  const int64_t n = stats->frames - from;
  summary.intervals = n;
  if (n == 0) return summary;

  summary.seconds =
      static_cast<double>(Reading(stats, stats->frames - 1) - Reading(stats, from - 1)) * msPerTick / 1000.0;
  summary.fps = summary.seconds > 0.0 ? static_cast<double>(n) / summary.seconds : 0.0;
  std::sort(intervals, intervals + n);
  summary.medianMs = n % 2 == 1 ? intervals[n / 2] : (intervals[n / 2 - 1] + intervals[n / 2]) / 2.0;
  summary.p99Ms = intervals[(99 * n + 99) / 100 - 1]; // the ceil(0.99 n)-th shortest
  return summary;
}

static void AppendNumber(std::string *line, double value, int decimals) {
  char text[64];
  const auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  if (written.ec == std::errc())
    line->append(text, written.ptr);
  else
    line->append("0");
}

static void AppendField(std::string *line, const char *name, double value, int decimals) {
  line->append(", \"").append(name).append("\": ");
  AppendNumber(line, value, decimals);
}

std::string FrameStatsLine(const char *kind, const char *program, float fpsAsked, int64_t balls,
                           const FrameRateSummary &summary) {
  std::string line = "{\"stats\": \"";
  line.append(kind).append("\", \"program\": \"").append(program).append("\"");
  AppendField(&line, "fps_asked", fpsAsked, 0);
  AppendField(&line, "balls", static_cast<double>(balls), 0);
  AppendField(&line, "frames_painted", static_cast<double>(summary.frames), 0);
  AppendField(&line, "seconds", summary.seconds, 2);
  AppendField(&line, "fps_painted", summary.fps, 1);
  AppendField(&line, "interval_median_ms", summary.medianMs, 2);
  AppendField(&line, "interval_p99_ms", summary.p99Ms, 2);
  line.append("}\n");
  return line;
}

// ---------------------------------------------------------------------------------------
// The running program's stats
// ---------------------------------------------------------------------------------------

static FrameStats PaintStats;
static const char *StatsProgram = nullptr; // null: stats off

static int64_t CounterNow() {
  LARGE_INTEGER counter;
  counter.QuadPart = 0;
  QueryPerformanceCounter(&counter);
  return counter.QuadPart;
}

static void PrintLine(const char *kind, int64_t first) {
  const FrameRateSummary summary = SummariseFrames(&PaintStats, first);
  TkLockMutex(ListMutex);
  const int64_t balls = TkListSize(BallList);
  TkUnlockMutex(ListMutex);
  const std::string line = FrameStatsLine(kind, StatsProgram, FrameClock.framesPerSecond.load(), balls, summary);
  std::fputs(line.c_str(), stdout);
  // Whoever reads the lines sees each as it comes, and the process ends without flushing.
  std::fflush(stdout);
}

void StartFrameStats(const char *program) {
  StatsProgram = program;
  RestartFrameStats(&PaintStats, CounterFrequency(), CounterNow());
}

void NotePaintedFrame() {
  if (StatsProgram == nullptr) return;
  const int64_t now = CounterNow();
  NoteFrame(&PaintStats, now);
  // Without a counter frequency there is no time to report on.
  if (PaintStats.frequency <= 0 || now - PaintStats.reportedAt < FrameStatsPeriodSeconds * PaintStats.frequency) return;
  PrintLine("periodic", PaintStats.reportedFrames);
  PaintStats.reportedFrames = PaintStats.frames;
  PaintStats.reportedAt = now;
}

void RestartPaintedFrameStats() {
  if (StatsProgram != nullptr) RestartFrameStats(&PaintStats, PaintStats.frequency, CounterNow());
}

void EndFrameStats() {
  if (StatsProgram != nullptr) PrintLine("end", 0);
}
