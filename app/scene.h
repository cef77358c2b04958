// The scene: everything the frames are made of, set up once at start-up before the
// windows open.
#pragma once

// Starts the renderer and names it in RendererName. GUI thread, once.
void SetUpScene();
