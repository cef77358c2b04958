// Measures the pieces of a ball draw on one core and prints one line of JSON:
//  - the blend row kernels in pixels a second: a 128 x 128 ball (premultiplied, an opaque
//    disc with a soft edge and transparent corners) blended at opacity 0.5 with source-over,
//    unscaled (`blendRect`, the whole ball in one call, as a frame draws it) and enlarged to
//    150 x 150 row by row (`blendColumns`);
//  - what one recorded DrawBitmap of an 8 x 8 bitmap at opacity 0.5 costs before any pixel is
//    drawn, called on the Direct2D render target itself and through the Render API the demo
//    uses (DrawRenderImage, the backend, then Direct2D).
// Each figure is the median of several rounds. Times are the CPU time of the measuring thread,
// so a busy machine that takes the core away now and then does not count against the code.
//
//     build/default/tools/kernel_bench [--rounds N]
#include "render_api.h"

#include "d2d/kernels/d2d_row_kernels.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

namespace {

double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

constexpr int BallSide = 128;
constexpr int EnlargedSide = 150;
constexpr uint32_t HalfOpacity = 128; // 0.5 as the draws turn it into 0..255

// The ball: grey, opaque inside radius 60, fading to transparent by radius 64.
std::vector<uint32_t> MakeBall() {
  std::vector<uint32_t> ball(BallSide * BallSide);
  for (int y = 0; y < BallSide; ++y)
    for (int x = 0; x < BallSide; ++x) {
      double r = std::hypot(x + 0.5 - BallSide / 2.0, y + 0.5 - BallSide / 2.0);
      uint32_t a = r <= 60.0 ? 255 : r >= 64.0 ? 0 : static_cast<uint32_t>((64.0 - r) / 4.0 * 255.0);
      uint32_t c = a * ((x ^ y) & 0xff) / 255;
      ball[y * BallSide + x] = a << 24 | c << 16 | (a / 2) << 8 | c;
    }
  return ball;
}

// Blends the ball row by row into a destination the size of the demo's outer layer, moving it
// a little each time, until about `pixels` pixels are done; pixels a second.
double KernelRate(const D2dRowKernels &kernels, bool enlarged, int64_t pixels) {
  const std::vector<uint32_t> ball = MakeBall();
  constexpr int Side = 300;
  std::vector<uint32_t> dst(Side * Side, 0x80402010u);
  const int side = enlarged ? EnlargedSide : BallSide;
  std::vector<int32_t> columns(side), rows(side);
  for (int i = 0; i < side; ++i) {
    columns[i] = static_cast<int32_t>((i + 0.5) * BallSide / side);
    rows[i] = columns[i];
  }
  int64_t done = 0;
  int at = 0;
  double start = ThreadSeconds();
  while (done < pixels) {
    int x0 = at % (Side - side), y0 = (at * 7) % (Side - side);
    uint32_t *out = dst.data() + y0 * Side + x0;
    if (enlarged) {
      for (int y = 0; y < side; ++y)
        kernels.blendColumns(out + y * Side, ball.data() + rows[y] * BallSide, columns.data(), side, HalfOpacity);
    } else {
      kernels.blendRect(out, Side, ball.data(), BallSide, side, side, HalfOpacity);
    }
    done += static_cast<int64_t>(side) * side;
    ++at;
  }
  double rate = static_cast<double>(done) / (ThreadSeconds() - start);
  // Keep the result alive, so the work cannot be left out.
  volatile uint32_t sink = dst[Side * Side / 2];
  (void)sink;
  return rate;
}

constexpr int DrawsPerRound = 50000; // below the batch's own limit: nothing is drawn meanwhile
constexpr int SmallSide = 8;

// Nanoseconds per draw call, timed over the calls alone; the drawing they record happens
// afterwards, outside the timing.
template <class Draw> double NanosecondsPerDraw(RenderImage *target, Draw &&draw) {
  StartRenderDrawing(target);
  double start = ThreadSeconds();
  for (int i = 0; i < DrawsPerRound; ++i)
    draw(static_cast<float>(i * 37 % (800 - SmallSide)), static_cast<float>(i * 53 % (600 - SmallSide)));
  double seconds = (ThreadSeconds() - start);
  StopRenderDrawing();
  return seconds * 1e9 / DrawsPerRound;
}

// The processor's model as /proc/cpuinfo names it, fit for a JSON string: figures taken on
// different machines are only comparable when each says where it was taken.
std::string CpuModel() {
  std::ifstream info("/proc/cpuinfo");
  std::string line;
  while (std::getline(info, line)) {
    if (line.rfind("model name", 0) != 0) continue;
    size_t colon = line.find(':');
    std::string model = colon == std::string::npos ? "" : line.substr(colon + 1);
    model.erase(0, model.find_first_not_of(' '));
    for (char &c : model)
      if (c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20) c = ' ';
    return model;
  }
  return "unknown";
}

} // namespace

int main(int argc, char **argv) {
  int rounds = 7;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc && std::atoi(argv[i + 1]) > 0) {
      rounds = std::atoi(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: kernel_bench [--rounds N]\n");
      return 2;
    }
  }

  const D2dRowKernels &kernels = D2dKernels();
  std::vector<double> blend, columns;
  for (int r = 0; r < rounds; ++r) {
    blend.push_back(KernelRate(kernels, false, 20000000));
    columns.push_back(KernelRate(kernels, true, 20000000));
  }

  StartRenderAPI();
  RenderImage *target = CreateRenderImage(800, 600, 0);
  RenderImage *small = CreateRenderImage(SmallSide, SmallSide, 0xff3060c0u);
  if (target == nullptr || small == nullptr || target->bitmap == nullptr || small->bitmap == nullptr) {
    std::fprintf(stderr, "kernel_bench: cannot create the render images\n");
    return 1;
  }
  ID2D1Bitmap *bitmap = nullptr;
  small->bitmap->GetBitmap(&bitmap);
  std::vector<double> direct, api;
  for (int r = 0; r < rounds; ++r) {
    direct.push_back(NanosecondsPerDraw(target, [&](float x, float y) {
      D2D1_RECT_F dest{x, y, x + SmallSide, y + SmallSide};
      target->bitmap->DrawBitmap(bitmap, &dest, 0.5f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, nullptr);
    }));
    api.push_back(
        NanosecondsPerDraw(target, [&](float x, float y) { DrawRenderImage(small, x, y, -1.0f, -1.0f, 0.5f); }));
  }
  bitmap->Release();
  FreeRenderImage(small);
  FreeRenderImage(target);

  std::printf("{\"cpu\": \"%s\", \"kernels\": \"%s\", \"blend_px_per_s\": %.4g, \"blend_columns_px_per_s\": %.4g, "
              "\"draw_bitmap_ns\": %.1f, \"render_image_ns\": %.1f, \"rounds\": %d}\n",
              CpuModel().c_str(), kernels.name, Median(blend), Median(columns), Median(direct), Median(api), rounds);
  return 0;
}
