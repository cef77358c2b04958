// Start-up of the demo, its windows and its event loop.
#pragma once

#include <string>

#include "compose.h"

// Start-up up to the render thread: Gdi32.dll, BallList, the view, the scene, both
// windows with their gadgets, ListMutex, the first balls and MainWindow's callback.
// titlePrefix is followed by RendererName in MainWindow's title. A request to end that
// comes while the pictures load stops it before the windows open. GUI thread, once.
void PrepareDemo(const std::string &titlePrefix, FrameComposer composeFrame);

// Start-up steps on their own: MainWindow with the title prefix and RendererName, the
// Settings window over MainWindow's upper right corner, and its gadgets.
void OpenMainWindow(const std::string &titlePrefix);
void OpenSettingsWindow();
void CreateSettingsGadgets();

// Handles one event of the loop; false when the loop ends (either window asked to close).
bool HandleWindowEvent(int event);
// Waits for events and handles them until either window asks to close.
void RunEventLoop();

// The whole program between TkInit and TkEnd: start-up, the render thread, the loop.
// Returns early when a request to end comes during start-up.
void RunDemo(const std::string &titlePrefix, FrameComposer composeFrame);
// Stops the render thread and releases the balls, ListMutex and everything the Render API
// holds, for a program that ends by returning from main. GUI thread, after RunDemo.
void ReleaseDemo();
