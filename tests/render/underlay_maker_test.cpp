#include "render/underlay_maker.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>

#include "common/text.h"
#include "overlay_fakes.h"
#include "support/fake_file_system.h"

#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace k9::testing {
namespace {

constexpr char kMaps[] = "C:\\Harrier32\\Maps\\";
constexpr char kUnderlays[] = "C:\\K9\\Strato Underlays\\";
constexpr char kExampleInf[] = "; Example map\r\n51.30.00N, 001.30.00W\r\n51.15.00N,001.15.00E\r\n";
constexpr char kExampleSat[] = "-1.5, 51.5, 1.25, 51.25\r\n";

// A 3 x 2 picture with distinct colours, row by row from the top (0x00RRGGBB).
const std::vector<std::uint32_t> kPixels = {0xFF0000, 0x00FF00, 0x0000FF,
                                            0xFFFFFF, 0x102030, 0x000000};

void Append(void* context, void* data, int size) {
  static_cast<std::string*>(context)->append(static_cast<const char*>(data),
                                             static_cast<std::size_t>(size));
}

std::vector<unsigned char> Rgb(const std::vector<std::uint32_t>& pixels) {
  std::vector<unsigned char> rgb;
  for (std::uint32_t p : pixels) {
    rgb.push_back(static_cast<unsigned char>(p >> 16));
    rgb.push_back(static_cast<unsigned char>(p >> 8));
    rgb.push_back(static_cast<unsigned char>(p));
  }
  return rgb;
}

std::string Png() {
  std::string file;
  const auto rgb = Rgb(kPixels);
  stbi_write_png_to_func(Append, &file, 3, 2, 3, rgb.data(), 9);
  return file;
}

std::string Jpg() {
  std::string file;
  const auto rgb = Rgb(kPixels);
  stbi_write_jpg_to_func(Append, &file, 3, 2, 3, rgb.data(), 95);
  return file;
}

// A 2 x 2 GIF with a four-colour palette: red, green / blue, white.
std::string Gif() {
  const unsigned char bytes[] = {'G',  'I',  'F',  '8',  '9',  'a',  2,    0, 2,   0, 0x91,
                                 0,    0,    0xFF, 0,    0,    0,    0xFF, 0, 0,   0, 0xFF,
                                 0xFF, 0xFF, 0xFF, 0x2C, 0,    0,    0,    0, 2,   0, 2,
                                 0,    0,    2,    3,    0x44, 0xA8, 0x15, 0, 0x3B};
  return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

std::uint32_t Le(const std::string& bytes, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i)
    value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

// Reads a 24-bit uncompressed Windows bitmap, independently of the code under test.
struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};
std::optional<Bitmap> ReadBitmap(const std::string& file) {
  if (file.size() < 54 || file.compare(0, 2, "BM") != 0) return std::nullopt;
  const std::uint32_t offset = Le(file, 10, 4);
  Bitmap bitmap;
  bitmap.width = static_cast<int>(Le(file, 18, 4));
  const auto height = static_cast<std::int32_t>(Le(file, 22, 4));
  if (Le(file, 28, 2) != 24 || Le(file, 30, 4) != 0 || height <= 0) return std::nullopt;
  bitmap.height = height;
  const std::size_t row = (static_cast<std::size_t>(bitmap.width) * 3 + 3) & ~std::size_t{3};
  if (offset + row * bitmap.height > file.size()) return std::nullopt;
  for (int y = 0; y < bitmap.height; ++y) {
    const std::size_t start = offset + row * (bitmap.height - 1 - y);  // bottom-up
    for (int x = 0; x < bitmap.width; ++x) {
      const std::size_t at = start + static_cast<std::size_t>(x) * 3;
      bitmap.pixels.push_back(Le(file, at, 3));  // B, G, R bytes -> 0x00RRGGBB
    }
  }
  return bitmap;
}

class UnderlayMakerTest : public ::testing::Test {
 protected:
  UnderlayMakerTest() {
    folders_.server_folder = "C:\\K9";
    folders_.host_folder = "C:\\Harrier32";
    folders_.underlay_folder = kUnderlays;
    fs_.AddDirectory(kMaps);
    fs_.AddDirectory(kUnderlays);
    dialogs_.SetMessageSink([this](const HeadlessDialogs::Message& m) { messages_.push_back(m); });
  }

  UnderlayResult Make(const std::optional<std::string>& chosen) {
    dialogs_.QueueFileAnswer(chosen);
    MapImageUnderlayMaker maker(Ports{&fs_, &Registry::Default(), &dialogs_, &system_}, folders_);
    const UnderlayResult result = maker.Run(0x4242);
    EXPECT_TRUE(maker.picUnder().pixels.empty());
    return result;
  }

  std::string Message() const { return messages_.empty() ? "<none>" : messages_.back().text; }
  std::optional<std::string> Underlay(const std::string& name) const {
    return fs_.Contents(kUnderlays + name);
  }

  FakeFileSystem fs_;
  HeadlessDialogs dialogs_;
  FakeSystem system_{"C:\\K9\\Kestrel9.dll"};
  ServerFolders folders_;
  std::vector<HeadlessDialogs::Message> messages_;
};

TEST_F(UnderlayMakerTest, AsksForAnInfFileInTheHostsMapsFolder) {
  EXPECT_EQ(Make(std::nullopt), UnderlayResult::kCancelled);
  EXPECT_TRUE(messages_.empty());
  ASSERT_EQ(dialogs_.file_requests().size(), 1u);
  const OpenFileRequest& request = dialogs_.file_requests()[0];
  EXPECT_EQ(request.title, "Select a map INF file");
  EXPECT_EQ(request.filter, "INF files|*.INF");
  EXPECT_EQ(request.initial_folder, JoinPath("C:\\Harrier32", "Maps"));
  EXPECT_EQ(request.owner, 0x4242);
  EXPECT_EQ(request.flags, kOfnFileMustExist | kOfnHideReadOnly | kOfnNoChangeDir);
  EXPECT_EQ(Make(""), UnderlayResult::kCancelled);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(UnderlayMakerTest, MapServerInfIsRefusedWithNothingWritten) {
  fs_.AddFile(std::string(kMaps) + "!!Kestrel9.INF", kExampleInf);
  fs_.AddFile(std::string(kMaps) + "!!Kestrel9.BMP", "");
  EXPECT_EQ(Make(std::string(kMaps) + "!!Kestrel9.INF"), UnderlayResult::kMapServerInf);
  EXPECT_EQ(Message(),
            "You have selected a map server INF file. You cannot make an underlay from a map "
            "server.");
  EXPECT_EQ(messages_.back().caption, "Strato9 server for Harrier32");
  EXPECT_EQ(fs_.write_count(), 0);
  // A folder of a map server is refused as well; a "!!" inside a name is not.
  EXPECT_TRUE(IsMapServerPath("C:\\Maps\\!!Other\\x.INF"));
  EXPECT_TRUE(IsMapServerPath("/maps/!!x.INF"));
  EXPECT_FALSE(IsMapServerPath("C:\\Maps\\a!!b.INF"));
}

TEST_F(UnderlayMakerTest, InfWithoutImageIsReported) {
  fs_.AddFile(std::string(kMaps) + "x.INF", kExampleInf);
  EXPECT_EQ(Make(std::string(kMaps) + "x.INF"), UnderlayResult::kNoImage);
  EXPECT_EQ(Message(), "No image file matches that INF file.");
  EXPECT_EQ(fs_.write_count(), 0);
}

TEST_F(UnderlayMakerTest, PngBecomesABitmapWithTheSourcePixelsAndTheExampleSatLine) {
  fs_.AddFile(std::string(kMaps) + "London.INF", kExampleInf);
  fs_.AddFile(std::string(kMaps) + "London.png", Png());
  EXPECT_EQ(Make(std::string(kMaps) + "London.INF"), UnderlayResult::kMade);
  EXPECT_EQ(Message(), "The underlay has been successfully created.");
  EXPECT_EQ(Underlay("London.SAT"), kExampleSat);
  const auto bitmap = ReadBitmap(Underlay("London.BMP").value_or(""));
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(bitmap->width, 3);
  EXPECT_EQ(bitmap->height, 2);
  EXPECT_EQ(bitmap->pixels, kPixels);
  // The output is named after the INF file, extension and all in upper case.
  EXPECT_EQ(fs_.StoredName(std::string(kUnderlays) + "london.bmp"),
            std::string(kUnderlays) + "London.BMP");
}

TEST_F(UnderlayMakerTest, GifGoesThroughTheHiddenPictureAndGivesBmpAndSat) {
  fs_.AddFile(std::string(kMaps) + "x.INF", kExampleInf);
  fs_.AddFile(std::string(kMaps) + "x.GIF", Gif());
  EXPECT_EQ(Make(std::string(kMaps) + "x.INF"), UnderlayResult::kMade);
  EXPECT_EQ(Underlay("x.SAT"), kExampleSat);
  const auto bitmap = ReadBitmap(Underlay("x.BMP").value_or(""));
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(bitmap->pixels, (std::vector<std::uint32_t>{0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}));
}

TEST_F(UnderlayMakerTest, BmpIsPreferredToJpgAndJpgIsReadToo) {
  fs_.AddFile(std::string(kMaps) + "x.INF", kExampleInf);
  fs_.AddFile(std::string(kMaps) + "x.BMP", "not an image at all");
  fs_.AddFile(std::string(kMaps) + "x.JPG", Jpg());
  // The damaged BMP is the one taken, and named to the user.
  EXPECT_EQ(Make(std::string(kMaps) + "x.INF"), UnderlayResult::kImageFailed);
  EXPECT_EQ(Message().rfind("The image \"C:\\Harrier32\\Maps\\x.BMP\" cannot be used.", 0), 0u);

  fs_.RemoveFile(std::string(kMaps) + "x.BMP");
  EXPECT_EQ(Make(std::string(kMaps) + "x.INF"), UnderlayResult::kMade);
  const auto bitmap = ReadBitmap(Underlay("x.BMP").value_or(""));
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(bitmap->width, 3);
  EXPECT_EQ(bitmap->height, 2);
}

TEST_F(UnderlayMakerTest, DamagedImagesAreNamedWithTheirReasonAndNothingIsWritten) {
  fs_.AddFile(std::string(kMaps) + "x.INF", kExampleInf);
  const std::string png = Png();
  // A JPEG whose Huffman table claims more than 256 symbols.
  std::string jpeg_tables("\xff\xd8\xff\xc4\x00\x13\x00", 7);
  jpeg_tables += std::string(16, '\x20') + Jpg().substr(2);
  for (const std::string& bad : {png.substr(0, png.size() / 2), std::string(),
                                 std::string(1000, '\xff'), Gif().substr(0, 20), jpeg_tables}) {
    messages_.clear();
    fs_.AddFile(std::string(kMaps) + "x.PNG", bad);
    EXPECT_EQ(Make(std::string(kMaps) + "x.INF"), UnderlayResult::kImageFailed);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(Message().rfind("The image \"C:\\Harrier32\\Maps\\x.PNG\" cannot be used. The ", 0),
              0u)
        << Message();
  }
  EXPECT_EQ(fs_.write_count(), 0);
}

TEST_F(UnderlayMakerTest, InfWithoutCornersOnTheEarthIsRefusedBeforeAnythingIsWritten) {
  fs_.AddFile(std::string(kMaps) + "x.PNG", Png());
  const struct {
    const char* inf;
    const char* why;
  } cases[] = {
      {"\x01\x02 garbage", "Line 1 is not a latitude and a longitude on the earth."},
      {"51.30.00,001.30.00\r\n51.15.00,001.15.00\r\n",
       "Line 1 is not a latitude and a longitude on the earth."},
      {";c\r\n51.30N,001.30W\r\n95.00N,001.15E\r\n",
       "Line 3 is not a latitude and a longitude on the earth."},
      {"51.15N,001.15E\r\n51.30N,001.30W\r\n",
       "Its corners are not a north-west and a south-east corner."},
      {"51.30N,001.30W\r\n\r\n", "Line 2 is empty where a corner should be."},
      {"51.30N,001.30W\r\n", "The file ends before its second corner."},
  };
  for (const auto& c : cases) {
    fs_.AddFile(std::string(kMaps) + "x.INF", c.inf);
    EXPECT_EQ(Make(std::string(kMaps) + "x.INF"), UnderlayResult::kInfUnreadable);
    EXPECT_EQ(Message(), std::string("An error occurred reading the INF file. ") + c.why);
  }
  EXPECT_EQ(fs_.write_count(), 0);
}

TEST_F(UnderlayMakerTest, FailedWritesAreToldAndLeaveTheEarlierUnderlayWhole) {
  fs_.AddFile(std::string(kMaps) + "x.INF", kExampleInf);
  fs_.AddFile(std::string(kMaps) + "x.PNG", Png());
  fs_.AddFile(std::string(kUnderlays) + "x.BMP", "old bitmap");
  fs_.AddFile(std::string(kUnderlays) + "x.SAT", "1, 2, 3, 4\r\n");
  fs_.FailWritesTo(std::string(kUnderlays) + "x.SAT");
  EXPECT_EQ(Make(std::string(kMaps) + "x.INF"), UnderlayResult::kSatFailed);
  EXPECT_EQ(Message(),
            "Kestrel9 could not save the underlay. The file \"C:\\K9\\Strato Underlays\\x.SAT\" "
            "is read-only.");
  EXPECT_EQ(Underlay("x.BMP"), "old bitmap");
  EXPECT_EQ(Underlay("x.SAT"), "1, 2, 3, 4\r\n");

  fs_.FailAllWrites(true);
  EXPECT_EQ(Make(std::string(kMaps) + "x.INF"), UnderlayResult::kImageFailed);
  EXPECT_EQ(Message(),
            "Kestrel9 could not save the underlay. The disk is full, so \"C:\\K9\\Strato "
            "Underlays\\x.BMP\" cannot be written.");
  EXPECT_EQ(Underlay("x.BMP"), "old bitmap");
}

#ifndef _WIN32
TEST_F(UnderlayMakerTest, EmfIsRefusedWithAMessageOffWindows) {
  fs_.AddFile(std::string(kMaps) + "x.INF", kExampleInf);
  fs_.AddFile(std::string(kMaps) + "x.EMF", std::string(200, '\x01'));
  EXPECT_EQ(Make(std::string(kMaps) + "x.INF"), UnderlayResult::kImageFailed);
  EXPECT_NE(Message().find("EMF"), std::string::npos);
  EXPECT_EQ(fs_.write_count(), 0);
}
#endif

TEST_F(UnderlayMakerTest, SatLineUsesPointsUnderADecimalCommaLocale) {
  const char* chosen = nullptr;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "German_Germany.1252", "German"}) {
    if (std::setlocale(LC_ALL, name) != nullptr) {
      chosen = name;
      break;
    }
  }
  if (chosen == nullptr || std::strcmp(std::localeconv()->decimal_point, ",") != 0) {
    std::setlocale(LC_ALL, "C");
    GTEST_SKIP() << "no locale with a decimal comma on this machine";
  }
  fs_.AddFile(std::string(kMaps) + "x.INF", kExampleInf);
  fs_.AddFile(std::string(kMaps) + "x.PNG", Png());
  const UnderlayResult result = Make(std::string(kMaps) + "x.INF");
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(result, UnderlayResult::kMade);
  EXPECT_EQ(Underlay("x.SAT"), kExampleSat);
}

}  // namespace
}  // namespace k9::testing
