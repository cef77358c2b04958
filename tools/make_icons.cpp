// Draws the six pictures the demo loads from its "Icons" folder and, when given the
// programs' folder, their icon: the logo at the sizes desktops ask for. Everything is made
// procedurally from fixed seeds, so running it again gives the same bytes.
//
//   make_icons [pictures folder [programs folder]]     (default: Icons)
//
// The icon goes to <programs folder>/linux/lumora-<size>.png and, for the Windows build,
// to <programs folder>/win32/lumora.ico (16, 32, 48 and 256 pixels).

#include "icons/canvas.h"
#include "icons/emblems.h"
#include "icons/ico.h"
#include "icons/landscape.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

bool CreateFolder(const std::filesystem::path &folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) std::fprintf(stderr, "make_icons: cannot create %s: %s\n", folder.c_str(), error.message().c_str());
  return !error;
}

bool DrawPictures(const std::filesystem::path &folder) {
  auto path = [&](const char *name) { return (folder / name).string(); };
  bool ok = CreateFolder(folder);
  ok = ok && icons::WritePng(path("boingball.png"), icons::MakeBoingBall());
  ok = ok && icons::WritePng(path("backgroundMask.png"), icons::MakeBackgroundMask());
  ok = ok && icons::WritePng(path("border_new2.png"), icons::MakeBorder());
  ok = ok && icons::WritePng(path("border_new_mask2.png"), icons::MakeBorderMask());
  ok = ok && icons::WritePng(path("newlogo2_256x256.png"), icons::MakeLogo());
  ok = ok && icons::WriteJpeg(path("322621.jpg"), icons::MakeLandscape(), 90);
  return ok;
}

bool DrawProgramIcon(const std::filesystem::path &programs) {
  const std::filesystem::path linux = programs / "linux", windows = programs / "win32";
  bool ok = CreateFolder(linux) && CreateFolder(windows);
  std::vector<icons::Picture> windowsSizes;
  for (int size : {16, 32, 48, 64, 128, 256}) {
    icons::Picture icon = icons::MakeProgramIcon(size);
    ok = ok && icons::WritePng((linux / ("lumora-" + std::to_string(size) + ".png")).string(), icon);
    if (size != 64 && size != 128) windowsSizes.push_back(icon);
  }
  return ok && icons::WriteIco((windows / "lumora.ico").string(), windowsSizes);
}

} // namespace

int main(int argc, char **argv) {
  const std::filesystem::path pictures = argc > 1 ? argv[1] : "Icons";
  bool ok = DrawPictures(pictures);
  if (ok && argc > 2) ok = DrawProgramIcon(argv[2]);
  if (!ok) {
    std::fprintf(stderr, "make_icons: could not write every picture\n");
    return 1;
  }
  return 0;
}
