// Process-wide state of the demo application, shared by start-up, the event loop, the
// render thread and the paint callback. Everything here lives until the process ends.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "toolkit.h"

// ---------------------------------------------------------------------------------------
// Window and gadget numbers
// ---------------------------------------------------------------------------------------

constexpr int64_t MainWindow = 0;
constexpr int64_t SettingsWindow = 1;
constexpr int64_t FrameRate30Option = 3;
constexpr int64_t FrameRate60Option = 4;
constexpr int64_t BallCountField = 5;

// ---------------------------------------------------------------------------------------
// Limits of the program
// ---------------------------------------------------------------------------------------

constexpr int64_t InitialBallCount = 10;
constexpr int64_t MaxBallCount = 10000;

// ---------------------------------------------------------------------------------------
// State
// ---------------------------------------------------------------------------------------

// Client size of MainWindow, size of the frame and the bounce limits of the balls.
extern int64_t ViewWidth;
extern int64_t ViewHeight;
// "Direct2D", "GDI" or empty; ends the MainWindow title.
extern std::string RendererName;

// The balls (Ball records) and the mutex that keeps the GUI thread's rebuilds and walks
// apart from the render thread's motion passes. Every walk of BallList holds ListMutex
// once the render thread runs: the list has a single cursor.
extern TkList *BallList;
extern TkMutex *ListMutex;

// The ball-count field's text as last read, the text BallList was last built from, and
// the number read from it (clamped to 0 .. MaxBallCount).
extern std::string BallCountText;
extern std::string LastBallCountText;
extern int64_t BallCount;

// The picture shared by every ball and its size in pixels (0 until the scene is set up).
extern int64_t BallImage;
extern int64_t BallWidth;
extern int64_t BallHeight;

// "Gdi32.dll" and the two entry points looked up at start-up; kept, never called.
extern int64_t Gdi32Library;
extern void *GdiAlphaBlendProc;
extern void *GdiTransparentBltProc;
