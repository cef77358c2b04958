// What the Settings window's gadgets do: the frame-rate options and the ball count.
#pragma once

#include <cstdint>
#include <string>

// Rebuilds BallList from the ball-count field's text, if the text changed since the last
// rebuild. GUI thread.
void UpdateBallCount();
// The same for a text already read from the field. Counts above MaxBallCount are clamped
// and the clamped number is written back into the field; negative ones give no balls.
void ApplyBallCountText(const std::string &text);

// Reacts to an event of a Settings gadget. GUI thread.
void HandleSettingsGadget(int64_t gadget);
