// DetectBorderMargins: finding the slice lines of a border picture from its pixels. Four
// probes walk from the middle of each edge towards the centre: first to the darkest, most
// opaque line of the frame, then on to the first pixel that looks like the centre.
#include "render_internal.h"

#include "picture_read.h"

#include <cmath>

namespace {

struct Pixels {
  const uint8_t *bits; // bottom-up rows of 4 bytes per pixel, no padding
  int32_t width;
  int32_t height;
};

struct Sample {
  int luminance;
  int alpha;
};

// Probes that stand beyond the picture (a picture only a pixel or two across) read the
// nearest pixel inside it.
Sample SampleAt(const Pixels &pixels, int32_t x, int32_t y) {
  if (x < 0) x = 0;
  if (x >= pixels.width) x = pixels.width - 1;
  if (y < 0) y = 0;
  if (y >= pixels.height) y = pixels.height - 1;
  const uint8_t *p =
      pixels.bits + (static_cast<int64_t>(x) + static_cast<int64_t>(pixels.height - 1 - y) * pixels.width) * 4;
  float luminance = 0.2989f * p[2] + 0.587f * p[1] + 0.114f * p[0];
  return {static_cast<int>(std::nearbyint(luminance)), p[3]};
}

struct Probe {
  int32_t x, y;           // current position
  int32_t stepX, stepY;   // one step towards the centre
  int32_t limit;          // the coordinate at which it stops moving
  int32_t foundX, foundY; // the line found so far
  int bestLuminance;
  int bestAlpha;
  bool matched;
};

bool AtStop(const Probe &probe) {
  if (probe.stepY > 0) return probe.y >= probe.limit;
  if (probe.stepY < 0) return probe.y <= probe.limit;
  if (probe.stepX > 0) return probe.x >= probe.limit;
  return probe.x <= probe.limit;
}

// Walks the probes (top, left, bottom, right) pass by pass until the pass in which the
// right probe already stood at its stop, calling visit on each probe at each position.
template <typename Visit> void Walk(Probe (&probes)[4], Visit visit) {
  for (;;) {
    for (Probe &probe : probes) visit(probe);
    bool lastPass = AtStop(probes[3]);
    for (Probe &probe : probes) {
      if (AtStop(probe)) continue;
      probe.x += probe.stepX;
      probe.y += probe.stepY;
    }
    if (lastPass) return;
  }
}

} // namespace

int DetectBorderMargins(HANDLE handle, BorderMargins *margins) {
  if (!margins) return 0;
  PictureSource picture;
  if (!OpenPicture(handle, &picture)) return 0;
  BmpBuffer buffer;
  if (picture.width < 1 || picture.height < 1 ||
      !ReadBitmapAsBmp(picture.colour, picture.width, picture.height, 32, &buffer)) {
    ClosePicture(&picture);
    return 0;
  }
  Pixels pixels = {buffer.pixels, buffer.width, buffer.height};
  int32_t w = pixels.width, h = pixels.height;
  int32_t halfW = w / 2, halfH = h / 2;

  Probe probes[4] = {
      {halfW, 0, 0, 1, halfH, halfW, 0, 255, 0, false},          // top
      {0, halfH, 1, 0, halfW, 0, halfH, 255, 0, false},          // left
      {halfW, h - 1, 0, -1, halfH, halfW, h - 1, 255, 0, false}, // bottom
      {w - 1, halfH, -1, 0, halfW, w - 1, halfH, 255, 0, false}, // right
  };

  // Darkest and most opaque line; ties move the line inward.
  Walk(probes, [&](Probe &probe) {
    Sample s = SampleAt(pixels, probe.x, probe.y);
    if (s.luminance <= probe.bestLuminance && s.alpha >= probe.bestAlpha) {
      probe.bestLuminance = s.luminance;
      probe.bestAlpha = s.alpha;
      probe.foundX = probe.x + probe.stepX;
      probe.foundY = probe.y + probe.stepY;
    }
  });

  // From there, the first pixel that resembles the centre.
  Sample centre = SampleAt(pixels, halfW, halfH);
  for (Probe &probe : probes) {
    probe.x = probe.foundX;
    probe.y = probe.foundY;
  }
  Walk(probes, [&](Probe &probe) {
    if (probe.matched) return;
    Sample s = SampleAt(pixels, probe.x, probe.y);
    bool closeLuminance = centre.luminance >= s.luminance - 20 && centre.luminance <= s.luminance + 20;
    if ((closeLuminance && centre.alpha == 255) || centre.alpha == s.alpha) {
      probe.foundX = probe.x;
      probe.foundY = probe.y;
      probe.matched = true;
    }
  });

  margins->left = probes[1].foundX + 5;
  margins->top = probes[0].foundY + 5;
  margins->right = probes[3].foundX - 5;
  margins->bottom = probes[2].foundY - 5;
  FreeBmpBuffer(&buffer);
  ClosePicture(&picture);
  return 1;
}
