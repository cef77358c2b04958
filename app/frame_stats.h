// The rate MainWindow is actually painted at (--stats): every paint notes its counter
// reading in a ring, and a line of JSON on standard output sums up the intervals between
// painted frames.
#pragma once

#include <cstdint>
#include <string>

// ---------------------------------------------------------------------------------------
// Types
// ---------------------------------------------------------------------------------------

// Readings kept: over two minutes of frames at 60 fps. A summary covers at most this many
// of the latest frames.
constexpr int64_t FrameStatsCapacity = 8192;

// Seconds between two periodic lines.
constexpr int64_t FrameStatsPeriodSeconds = 5;

// The frames painted since the stats were last restarted. Used by the GUI thread only (the
// paint writes it, the lines read it), so noting a frame takes no lock and no allocation.
struct FrameStats {
  int64_t readings[FrameStatsCapacity]; // counter at the end of frame n, at n % capacity
  int64_t frames;                       // frames noted since the restart
  int64_t reportedFrames;               // frames at the last periodic line
  int64_t reportedAt;                   // counter at the last periodic line or the restart
  int64_t frequency;                    // counter ticks per second
  double scratch[FrameStatsCapacity];   // the intervals of a summary, sorted
};

// What a line says about a stretch of painted frames. Each frame after the first one kept
// contributes the interval from the frame before it.
struct FrameRateSummary {
  int64_t frames;    // frames painted in the stretch
  int64_t intervals; // intervals the figures below come from
  double seconds;    // the intervals' total length
  double fps;        // intervals per second; 0 without an interval
  double medianMs;   // 0 without an interval
  double p99Ms;      // nearest rank: no more than 1 % of the intervals are longer
};

// ---------------------------------------------------------------------------------------
// Procedures on a record
// ---------------------------------------------------------------------------------------

// Forgets every frame; the next periodic line is due FrameStatsPeriodSeconds after now.
void RestartFrameStats(FrameStats *stats, int64_t frequency, int64_t now);
// Notes one painted frame at the counter reading given.
void NoteFrame(FrameStats *stats, int64_t counter);
// The frames from number `first` (counted from the restart) to the latest, as far as the
// ring still holds them. Sorts into the record's scratch space.
FrameRateSummary SummariseFrames(FrameStats *stats, int64_t first);
// One line of JSON ending in a line feed; kind is "periodic" or "end". Numbers are written
// without the locale, so a decimal comma never slips in.
std::string FrameStatsLine(const char *kind, const char *program, float fpsAsked, int64_t balls,
                           const FrameRateSummary &summary);

// ---------------------------------------------------------------------------------------
// The running program's stats (GUI thread)
// ---------------------------------------------------------------------------------------

// Turns the stats on for the program named; before the render thread starts.
void StartFrameStats(const char *program);
// After each paint of MainWindow: notes the frame, and prints a periodic line once
// FrameStatsPeriodSeconds have passed since the last one. Does nothing with stats off.
void NotePaintedFrame();
// After the rate or the ball count changed: the figures start afresh, so that a line
// speaks of one setting only.
void RestartPaintedFrameStats();
// When the program ends: prints the end line, over every frame since the last restart.
void EndFrameStats();
