// Conversions between colour models.
#include "render_internal.h"

namespace {

float HueChannel(float p, float q, float t) {
  if (t < 0.0f) {
    t += 1.0f;
  } else if (t > 1.0f) {
    t -= 1.0f;
  }
  if (6.0f * t < 1.0f) return p + (q - p) * 6.0f * t;
  if (2.0f * t < 1.0f) return q;
  if (3.0f * t < 2.0f) return p + (q - p) * (2.0f / 3.0f - t) * 6.0f;
  return p;
}

// A channel from 0..1 to 0..255, truncated; out-of-range input is held to one byte so it
// cannot spill into the neighbouring channel.
uint32_t ChannelByte(float c) {
  int64_t value = TkFloatToInt(static_cast<double>(c * 255.0f));
  if (value < 0) return 0;
  if (value > 255) return 255;
  return static_cast<uint32_t>(value);
}

} // namespace

uint32_t HSLToRGB(HSLColor colour) {
  float s = colour.saturation;
  float l = colour.lightness;
  float r, g, b;
  if (s == 0.0f) {
    r = g = b = l;
  } else {
    float q = l < 0.5f ? l * (1.0f + s) : l + s - l * s;
    float p = 2.0f * l - q;
    float h = colour.hue / 360.0f;
    r = HueChannel(p, q, h + 1.0f / 3.0f);
    g = HueChannel(p, q, h);
    b = HueChannel(p, q, h - 1.0f / 3.0f);
  }
  return ChannelByte(r) + ChannelByte(g) * 256 + ChannelByte(b) * 65536;
}
