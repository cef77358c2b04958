// Checks the pictures in Icons/: the sizes and pixel formats the demo expects, the
// transparency each one relies on, the window skin's repeatable edges, the programs' icon,
// and that the generator still produces exactly the committed files.

#include <windows.h>

#include <gtest/gtest.h>

// windows.h has INT32 already; this keeps libjpeg from declaring its own.
#define XMD_H
#include <jpeglib.h>
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const std::filesystem::path IconsFolder = std::filesystem::path(TEST_SOURCE_DIR) / "Icons";
// The programs' folder, where their icon lies: PNG files for Linux, a .ico for Windows.
const std::filesystem::path ProgramsFolder = std::filesystem::path(TEST_SOURCE_DIR) / "app";
const int IconSizes[] = {16, 32, 48, 64, 128, 256};

std::filesystem::path ProgramIconPng(int size) {
  return ProgramsFolder / "linux" / ("lumora-" + std::to_string(size) + ".png");
}

struct Rgba {
  int width = 0, height = 0;
  bool rgbaInFile = false; // 8-bit RGBA as stored, not converted on reading
  std::vector<std::uint8_t> pixels;
  const std::uint8_t *At(int x, int y) const { return &pixels[(static_cast<std::size_t>(y) * width + x) * 4]; }
  int Alpha(int x, int y) const { return At(x, y)[3]; }
};

Rgba LoadPng(const std::filesystem::path &path) {
  Rgba out;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.string().c_str())) return out;
  out.rgbaInFile = image.format == PNG_FORMAT_RGBA;
  image.format = PNG_FORMAT_RGBA;
  out.width = static_cast<int>(image.width);
  out.height = static_cast<int>(image.height);
  out.pixels.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, out.pixels.data(), 0, nullptr)) {
    out = Rgba{};
  }
  return out;
}

struct Rgb {
  int width = 0, height = 0, components = 0;
  std::vector<std::uint8_t> pixels;
};

Rgb LoadJpeg(const std::filesystem::path &path) {
  Rgb out;
  FILE *file = std::fopen(path.string().c_str(), "rb");
  if (!file) return out;
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, file);
  jpeg_read_header(&cinfo, TRUE);
  jpeg_start_decompress(&cinfo);
  out.width = static_cast<int>(cinfo.output_width);
  out.height = static_cast<int>(cinfo.output_height);
  out.components = cinfo.output_components;
  out.pixels.resize(static_cast<std::size_t>(out.width) * out.height * out.components);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = &out.pixels[static_cast<std::size_t>(cinfo.output_scanline) * out.width * out.components];
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  std::fclose(file);
  return out;
}

std::vector<char> ReadBytes(const std::filesystem::path &path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool SamePixel(const Rgba &image, int x0, int y0, int x1, int y1) {
  const std::uint8_t *a = image.At(x0, y0);
  const std::uint8_t *b = image.At(x1, y1);
  return a[0] == b[0] && a[1] == b[1] && a[2] == b[2] && a[3] == b[3];
}

// The parts between the cut lines 20 and 70 are repeated along the frame's edges, so
// every column of the top and bottom strips and every row of the left and right strips
// must be the same along their length.
void ExpectRepeatableEdges(const Rgba &image) {
  for (int x = 21; x < 70; ++x) {
    for (int y = 0; y < 20; ++y) EXPECT_TRUE(SamePixel(image, x, y, 20, y)) << "top strip " << x << "," << y;
    for (int y = 70; y < 90; ++y) EXPECT_TRUE(SamePixel(image, x, y, 20, y)) << "bottom strip " << x << "," << y;
  }
  for (int y = 21; y < 70; ++y) {
    for (int x = 0; x < 20; ++x) EXPECT_TRUE(SamePixel(image, x, y, x, 20)) << "left strip " << x << "," << y;
    for (int x = 70; x < 90; ++x) EXPECT_TRUE(SamePixel(image, x, y, x, 20)) << "right strip " << x << "," << y;
  }
}

int CountPartialAlpha(const Rgba &image) {
  int n = 0;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) n += image.Alpha(x, y) > 0 && image.Alpha(x, y) < 255;
  return n;
}

TEST(Icons, BackgroundPhotoIsLargerThanTheLoadSizeAndNotFlat) {
  auto path = IconsFolder / "322621.jpg";
  Rgb photo = LoadJpeg(path);
  ASSERT_EQ(photo.components, 3);
  EXPECT_GT(photo.width, 1024);
  EXPECT_GT(photo.height, 768);
  EXPECT_EQ(photo.width * 3, photo.height * 4);
  EXPECT_LT(std::filesystem::file_size(path), 600u * 1024u);
  // A real picture: the top (sky) is bluer than it is red, and the values spread widely.
  long blue = 0, red = 0;
  int lo = 255, hi = 0;
  for (int x = 0; x < photo.width; ++x) {
    const std::uint8_t *p = &photo.pixels[static_cast<std::size_t>(10 * photo.width + x) * 3];
    red += p[0];
    blue += p[2];
  }
  for (std::size_t i = 0; i < photo.pixels.size(); i += 3) {
    lo = std::min<int>(lo, photo.pixels[i + 1]);
    hi = std::max<int>(hi, photo.pixels[i + 1]);
  }
  EXPECT_GT(blue, red + 40L * photo.width);
  EXPECT_GT(hi - lo, 150);
}

TEST(Icons, BallIsAnOpaqueDiscWithASoftRim) {
  Rgba ball = LoadPng(IconsFolder / "boingball.png");
  ASSERT_EQ(ball.width, 128);
  ASSERT_EQ(ball.height, 128);
  EXPECT_TRUE(ball.rgbaInFile);
  for (int c : {0, 127}) {
    EXPECT_EQ(ball.Alpha(c, 0), 0);
    EXPECT_EQ(ball.Alpha(c, 127), 0);
  }
  EXPECT_EQ(ball.Alpha(64, 64), 255);
  EXPECT_EQ(ball.Alpha(64, 4), 255);
  EXPECT_GT(CountPartialAlpha(ball), 200); // antialiased all the way round
  int reds = 0, whites = 0;
  for (int y = 30; y < 98; ++y) {
    for (int x = 30; x < 98; ++x) {
      const std::uint8_t *p = ball.At(x, y);
      reds += p[0] > 120 && p[1] < 60 && p[2] < 60;
      whites += p[0] > 150 && p[1] > 150 && p[2] > 150;
    }
  }
  EXPECT_GT(reds, 800);
  EXPECT_GT(whites, 800);
}

TEST(Icons, BackgroundMaskIsWhiteAndFadesOutwards) {
  Rgba mask = LoadPng(IconsFolder / "backgroundMask.png");
  ASSERT_GT(mask.width, 0);
  EXPECT_TRUE(mask.rgbaInFile);
  int cx = mask.width / 2, cy = mask.height / 2;
  EXPECT_EQ(mask.Alpha(cx, cy), 255);
  EXPECT_EQ(mask.Alpha(0, 0), 0);
  EXPECT_EQ(mask.Alpha(mask.width - 1, mask.height - 1), 0);
  for (int x = cx; x + 1 < mask.width; ++x) EXPECT_GE(mask.Alpha(x, cy), mask.Alpha(x + 1, cy));
  for (int y = 0; y < mask.height; ++y) {
    for (int x = 0; x < mask.width; ++x) {
      if (mask.Alpha(x, y) == 0) continue;
      const std::uint8_t *p = mask.At(x, y);
      ASSERT_TRUE(p[0] == 255 && p[1] == 255 && p[2] == 255) << x << "," << y;
    }
  }
}

TEST(Icons, WindowSkinHasRoundedCornersTitleBarAndClearBody) {
  Rgba skin = LoadPng(IconsFolder / "border_new2.png");
  ASSERT_EQ(skin.width, 90);
  ASSERT_EQ(skin.height, 90);
  EXPECT_TRUE(skin.rgbaInFile);
  ExpectRepeatableEdges(skin);
  EXPECT_LT(skin.Alpha(0, 0), 20);    // outside the rounded corner: at most faint shadow
  EXPECT_LT(skin.Alpha(5, 4), 255);   // the corner is rounded, not square
  EXPECT_EQ(skin.Alpha(45, 10), 255); // title bar
  const std::uint8_t *title = skin.At(45, 10);
  EXPECT_GT(title[2], title[0] + 40); // and it is blue
  EXPECT_EQ(skin.Alpha(45, 45), 0);   // clear interior
  EXPECT_EQ(skin.Alpha(30, 45), 0);   // the left strip is clear inside its frame
  EXPECT_GT(skin.Alpha(2, 45), 0);    // shadow outside the left side
  EXPECT_LT(skin.Alpha(2, 45), 200);
}

TEST(Icons, WindowMaskMatchesTheSkinShape) {
  Rgba skin = LoadPng(IconsFolder / "border_new2.png");
  Rgba mask = LoadPng(IconsFolder / "border_new_mask2.png");
  ASSERT_EQ(mask.width, 90);
  ASSERT_EQ(mask.height, 90);
  EXPECT_TRUE(mask.rgbaInFile);
  ExpectRepeatableEdges(mask);
  EXPECT_EQ(mask.Alpha(45, 45), 255);
  EXPECT_EQ(mask.Alpha(45, 10), 255);
  EXPECT_EQ(mask.Alpha(0, 0), 0);
  EXPECT_EQ(mask.Alpha(45, 0), 0);
  EXPECT_EQ(mask.Alpha(0, 45), 0);
  EXPECT_GT(CountPartialAlpha(mask), 20); // antialiased outline
  ASSERT_EQ(skin.width, 90);
  for (int y = 0; y < 90; ++y) {
    for (int x = 0; x < 90; ++x) {
      if (mask.Alpha(x, y) > 0) {
        const std::uint8_t *p = mask.At(x, y);
        ASSERT_TRUE(p[0] == 255 && p[1] == 255 && p[2] == 255) << x << "," << y;
      }
      // Where the skin paints its opaque frame or title bar, the mask is inside.
      if (skin.Alpha(x, y) == 255) {
        EXPECT_GT(mask.Alpha(x, y), 0) << x << "," << y;
      }
    }
  }
}

TEST(Icons, LogoIsAnOpaqueBadgeOnTransparency) {
  Rgba logo = LoadPng(IconsFolder / "newlogo2_256x256.png");
  ASSERT_EQ(logo.width, 256);
  ASSERT_EQ(logo.height, 256);
  EXPECT_TRUE(logo.rgbaInFile);
  EXPECT_EQ(logo.Alpha(0, 0), 0);
  EXPECT_EQ(logo.Alpha(255, 0), 0);
  EXPECT_EQ(logo.Alpha(0, 255), 0);
  EXPECT_EQ(logo.Alpha(128, 128), 255);
  EXPECT_GT(CountPartialAlpha(logo), 500);
}

// The icon for Windows holds 16, 32, 48 and 256 pixels, each the same picture as the PNG
// of that size, with the mask clear exactly where the picture is, as Windows reads it.
TEST(Icons, ProgramIconFileHoldsTheLogoAtEachWindowsSize) {
  const std::wstring ico = (ProgramsFolder / "win32" / "lumora.ico").wstring();
  for (int size : {16, 32, 48, 256}) {
    Rgba png = LoadPng(ProgramIconPng(size));
    ASSERT_EQ(png.width, size);
    HICON icon = static_cast<HICON>(LoadImageW(nullptr, ico.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE));
    ASSERT_NE(icon, nullptr) << size;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAPINFO format{};
    format.bmiHeader = {sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<std::uint32_t> colour(static_cast<std::size_t>(size) * size), mask(colour.size());
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetDIBits(dc, info.hbmColor, 0, size, colour.data(), &format, DIB_RGB_COLORS), size);
    EXPECT_EQ(GetDIBits(dc, info.hbmMask, 0, size, mask.data(), &format, DIB_RGB_COLORS), size);
    DeleteDC(dc);
    int wrong = 0;
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        const std::uint8_t *p = png.At(x, y);
        const std::size_t i = static_cast<std::size_t>(y) * size + x;
        const std::uint32_t bgra = std::uint32_t(p[3]) << 24 | p[0] << 16 | p[1] << 8 | p[2];
        wrong += colour[i] != bgra || (mask[i] != 0) != (p[3] == 0);
      }
    }
    EXPECT_EQ(wrong, 0) << size << " x " << size;
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
}

TEST(Icons, GeneratorReproducesTheCommittedFiles) {
  auto generator = std::filesystem::path(TEST_BINARY_DIR) / "tools" / "make_icons";
  if (!std::filesystem::exists(generator)) GTEST_SKIP() << "make_icons not built";
  std::string folder = "icons_check_";
  folder += std::to_string(::getpid());
  auto out = std::filesystem::temp_directory_path() / folder;
  std::filesystem::remove_all(out);
  std::string command;
  for (const std::string &part : {generator.string(), (out / "Icons").string(), (out / "app").string()}) {
    command += command.empty() ? "\"" : " \"";
    command += part;
    command += '"';
  }
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::vector<std::string> names = {"app/win32/lumora.ico"};
  for (const char *name : {"322621.jpg", "newlogo2_256x256.png", "boingball.png", "backgroundMask.png",
                           "border_new2.png", "border_new_mask2.png"})
    names.push_back(std::string("Icons/") + name);
  for (int size : IconSizes) names.push_back("app/linux/lumora-" + std::to_string(size) + ".png");
  for (const std::string &name : names) {
    auto fresh = ReadBytes(out / name);
    EXPECT_FALSE(fresh.empty()) << name;
    EXPECT_EQ(fresh, ReadBytes(std::filesystem::path(TEST_SOURCE_DIR) / name))
        << name << " differs from what make_icons draws";
  }
  std::filesystem::remove_all(out);
}

} // namespace
