// Picture files from outside: headers that lie about their size, JPEG data that stops
// early, CMYK photographs, and the one line on standard error that names every picture
// that fails to load and says why.
#include "memory_use.h"
#include "test_render_fixture.h"

#include <algorithm>
#include <fstream>
#include <functional>

namespace {

#ifdef _WIN32
constexpr bool WindowsBuild = true; // pictures decode through WIC, not libpng and libjpeg
#else
constexpr bool WindowsBuild = false;
#endif

// The pictures of tests/data, which CTest finds in the build folder.
std::string TestData(const char *name) { return std::string("test_data\\") + name; }

// Runs a load and returns what it wrote on standard error.
std::string ErrorsOf(const std::function<void()> &load) {
  testing::internal::CaptureStderr();
  load();
  return testing::internal::GetCapturedStderr();
}

// The load failed with one line that names the file and says what kind of failure it was.
void ExpectOneLine(const std::string &errors, const std::string &file, const std::string &kind) {
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
  EXPECT_NE(errors.find("\"" + file + "\""), std::string::npos) << errors;
  EXPECT_NE(errors.find(": " + kind), std::string::npos) << errors;
}

void ExpectToolkitRefuses(const std::string &file, const std::string &kind) {
  int64_t image = 0;
  std::string errors = ErrorsOf([&] { image = TkLoadImage(TK_ANY, file); });
  EXPECT_EQ(image, 0) << file;
  ExpectOneLine(errors, file, kind);
  if (image) TkFreeImage(image);
}

// ---------------------------------------------------------------------------------------
// Headers that lie and data that stops early
// ---------------------------------------------------------------------------------------

// An 8 x 8 grey progressive JPEG whose frame header was patched to claim 16000 x 16000:
// its decoder used to take half a gigabyte of coefficient buffers before the size was
// looked at.
TEST(PictureFiles, HeaderClaimingTooManyPixelsIsRefusedBeforeDecoding) {
  ExpectToolkitRefuses(TestData("jpeg_claims_16000x16000.jpg"), "too large");
}

#ifndef _WIN32
// The largest square the pixel limit allows, progressive with colour at full resolution:
// libjpeg holds all of its coefficients at once, 384 MiB, more than the picture itself,
// and must be let. The Windows build decodes through WIC and cannot write such a file.
TEST(PictureFiles, AProgressivePictureAtTheSizeLimitLoads) {
  const std::string file = (std::filesystem::temp_directory_path() / "picture_files_8192.jpg").string();
  // Flat squares of 256 pixels, each of its own colour, encode quickly and decode exactly.
  const auto colour = [](int x, int y) { return TkRGB(x / 256 * 8, y / 256 * 8, 160); };
  ASSERT_TRUE(WriteProgressiveJpegFile(file, 8192, 8192, [&](int y, uint8_t *rgb) {
    for (int x = 0; x < 8192; ++x, rgb += 3) {
      const uint32_t c = colour(x, y);
      rgb[0] = c & 255;
      rgb[1] = c >> 8 & 255;
      rgb[2] = c >> 16 & 255;
    }
  }));
  int64_t image = 0;
  const std::string errors = ErrorsOf([&] { image = TkLoadImage(TK_ANY, file); });
  std::filesystem::remove(file);
  ASSERT_NE(image, 0) << errors;
  EXPECT_EQ(TkImageWidth(image), 8192);
  EXPECT_EQ(TkImageHeight(image), 8192);
  ASSERT_NE(TkStartDrawing(image), nullptr);
  for (const POINT p : {POINT{0, 0}, POINT{8191, 8191}, POINT{4100, 300}, POINT{300, 7000}}) {
    const uint32_t got = TkPoint(p.x, p.y), want = colour(p.x, p.y);
    for (int shift : {0, 8, 16}) EXPECT_NEAR(got >> shift & 255, want >> shift & 255, 2) << p.x << "," << p.y;
  }
  TkStopDrawing();
  TkFreeImage(image);
}
#endif

// A PNG whose file ends in the header of a text chunk that claims 2 GB: libpng used to
// take the whole 2 GB, zero-filled, before it found the data missing.
TEST(PictureFiles, PngChunkClaimingGigabytesIsCutOffWithoutTakingThem) {
  if (RunningUnderWine()) GTEST_SKIP() << "Wine's WIC reads PNG chunks with libpng as it is, and takes the 2 GB";
  std::string file = (std::filesystem::temp_directory_path() / "picture_files_chunk.png").string();
  ASSERT_TRUE(WritePngFile(file, 1, 1, PngGrey, {0}));
  std::vector<char> bytes = ReadFileBytes(file);
  bytes.resize(33); // the signature and the header chunk
  bytes.insert(bytes.end(), {'\x7F', '\xFF', '\xFF', '\xFF', 't', 'E', 'X', 't'});
  WriteFileBytes(file, bytes);
  const int64_t before = PeakMemoryBytes();
  ExpectToolkitRefuses(file, "cut off");
  EXPECT_LT(PeakMemoryBytes() - before, int64_t{64} << 20);
  std::filesystem::remove(file);
}

// libjpeg only warns when a scan meets a marker before its data is complete, and fills
// the rest of the picture with grey.
TEST(PictureFiles, JpegWhoseScanEndsHalfWayIsCutOff) {
  if (RunningUnderWine()) GTEST_SKIP() << "Wine's WIC fills a cut-off JPEG with grey, as libjpeg does by default";
  std::string whole = (std::filesystem::temp_directory_path() / "picture_files_whole.jpg").string();
  std::vector<uint8_t> rgb(48 * 48 * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 37 % 251);
  ASSERT_TRUE(WriteJpegFile(whole, 48, 48, rgb));
  std::vector<char> bytes = ReadFileBytes(whole);
  bytes.resize(bytes.size() * 3 / 4);
  bytes.insert(bytes.end(), {'\xFF', '\xD9'}); // the end-of-picture marker, in the middle of the scan
  std::string cut = (std::filesystem::temp_directory_path() / "picture_files_cut.jpg").string();
  WriteFileBytes(cut, bytes);
  ExpectToolkitRefuses(cut, "cut off");
  std::filesystem::remove(whole);
  std::filesystem::remove(cut);
}

// ---------------------------------------------------------------------------------------
// CMYK
// ---------------------------------------------------------------------------------------

// 8 x 8 pictures of one ink colour, C 20 %, M 60 %, Y 90 %, K 10 %: stored inverted as
// Adobe's programs do (with Adobe's marker, plain and as YCCK), and as plain ink without
// the marker. All three are the same colour: light = (1 - ink) * (1 - K).
TEST(PictureFiles, CmykJpegsDecodeToTheirRgbColour) {
  for (const char *name : {"cmyk_adobe.jpg", "ycck_adobe.jpg", "cmyk_plain.jpg"}) {
    SCOPED_TRACE(name);
    int64_t image = TkLoadImage(TK_ANY, TestData(name));
    ASSERT_NE(image, 0);
    ASSERT_EQ(TkImageWidth(image), 8);
    EXPECT_EQ(TkImageDepth(image), 24);
    std::vector<Bgra> pixels = ReadBitmap(TkImageHandle(image), 8, 8);
    ASSERT_EQ(pixels.size(), 64u);
    for (const Bgra &p : {pixels[0], pixels[27], pixels[63]}) {
      EXPECT_NEAR(p.r, 183, 3);
      EXPECT_NEAR(p.g, 92, 3);
      EXPECT_NEAR(p.b, 22, 3);
    }
    TkFreeImage(image);
  }
}

// ---------------------------------------------------------------------------------------
// One line for every picture that fails to load
// ---------------------------------------------------------------------------------------

using PictureFailureTest = RenderTest;

TEST_F(PictureFailureTest, EveryPictureThatFailsToLoadIsNamedOnceWithTheReason) {
  std::ofstream(File("empty.png")).close();
  std::ofstream(File("text.png")) << "not a picture";
  std::filesystem::create_directories(File("folder.png"));
  std::vector<uint8_t> rgba(32 * 32 * 4, 200);
  WritePng(File("whole.png"), 32, 32, rgba);
  std::vector<char> png = ReadFileBytes(File("whole.png"));
  WriteFileBytes(File("cut.png"), std::vector<char>(png.begin(), png.begin() + png.size() / 2));

  struct Case {
    std::string file;
    const char *kind;
  };
  const Case cases[] = {
      {File("missing.png"), "missing"},   {File("empty.png"), "not a picture"},
      {File("folder.png"), "unreadable"}, {File("text.png"), "not a picture"},
      {File("cut.png"), "cut off"},       {TestData("jpeg_claims_16000x16000.jpg"), "too large"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.file);
    RenderImage *image = nullptr;
    std::string errors = ErrorsOf([&] { image = LoadRenderImage(c.file, 0, 0, 0); });
    EXPECT_EQ(image, nullptr);
    ExpectOneLine(errors, c.file, c.kind);
  }
  EXPECT_EQ(TkListSize(ImageList), images_);
}

} // namespace
