// Draws the six pictures the demo loads from its "Icons" folder. Everything is made
// procedurally from fixed seeds, so running it again gives the same bytes.
//
//   make_icons [output folder]     (default: Icons)

#include "icons/canvas.h"
#include "icons/emblems.h"
#include "icons/landscape.h"

#include <cstdio>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    std::string folder = argc > 1 ? argv[1] : "Icons";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "make_icons: cannot create %s: %s\n", folder.c_str(), error.message().c_str());
        return 1;
    }
    auto path = [&](const char* name) { return (std::filesystem::path(folder) / name).string(); };

    bool ok = true;
    ok &= icons::WritePng(path("boingball.png"), icons::MakeBoingBall());
    ok &= icons::WritePng(path("backgroundMask.png"), icons::MakeBackgroundMask());
    ok &= icons::WritePng(path("border_new2.png"), icons::MakeBorder());
    ok &= icons::WritePng(path("border_new_mask2.png"), icons::MakeBorderMask());
    ok &= icons::WritePng(path("newlogo2_256x256.png"), icons::MakeLogo());
    ok &= icons::WriteJpeg(path("322621.jpg"), icons::MakeLandscape(), 90);
    if (!ok) {
        std::fprintf(stderr, "make_icons: could not write every picture into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
