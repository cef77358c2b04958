// The frame compositions of the two programs. Each composes one frame into the frame
// image on the GUI thread, inside MainWindow's paint, and holds ListMutex while it walks
// BallList.
#pragma once

typedef void (*FrameComposer)();

void ComposePlainFrame();
void ComposeCrazyFrame();
