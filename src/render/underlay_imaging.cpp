#include "render/underlay_imaging.h"

#include <cstdint>
#include <cstring>
#include <limits>

#include "common/text.h"
#include "platform/image_header.h"

// The codecs are compiled here, once, with only the formats the maker reads and
// without stdio: every byte goes through the FileSystem port.
#define STBI_ONLY_BMP
#define STBI_ONLY_GIF
#define STBI_ONLY_JPEG
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS (1 << 15)
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wpedantic"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_image.h>
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace k9 {

namespace {

static_assert(STBI_MAX_DIMENSIONS == kMaxImageSide);

// A bitmap's rows are padded to four bytes; the whole file must stay within the
// 32-bit sizes of its header.
constexpr std::uint64_t kMaxBitmapBytes = std::numeric_limits<std::int32_t>::max();

void AppendToString(void* context, void* data, int size) {
  static_cast<std::string*>(context)->append(static_cast<const char*>(data),
                                             static_cast<std::size_t>(size));
}

// The JPEG decoder trusts each Huffman table to hold at most 256 symbols, as
// the format demands, and writes past its tables for one that claims more. Such
// files are refused before they reach it.
bool JpegTablesFit(const std::string& bytes) {
  // Past the end the decoder reads zeros, and so does this check.
  const auto at = [&](std::size_t i) -> std::size_t {
    return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0u;
  };
  // The decoder takes any run of 0xFF before the start-of-image marker.
  std::size_t i = 0;
  while (i < bytes.size() && at(i) == 0xFF) ++i;
  if (i < 1 || i >= bytes.size() || at(i) != 0xD8) return true;  // not a JPEG
  ++i;
  while (i + 1 < bytes.size()) {
    if (at(i) != 0xFF) {
      ++i;  // entropy-coded data between markers
      continue;
    }
    const unsigned char marker = at(i + 1);
    // Fill bytes, stuffed zeros, restart markers and the markers without a length.
    if (marker == 0xFF) {
      ++i;
      continue;
    }
    if (marker == 0x00 || (marker >= 0xD0 && marker <= 0xD9) || marker == 0x01) {
      i += 2;
      continue;
    }
    if (i + 3 >= bytes.size()) return true;
    const std::size_t length = at(i + 2) << 8 | at(i + 3);
    const std::size_t end = i + 2 + length;
    if (marker == 0xC4) {
      for (std::size_t table = i + 4; table < end && table < bytes.size();) {
        std::size_t symbols = 0;
        for (std::size_t k = 1; k <= 16; ++k) symbols += at(table + k);
        if (symbols > 256) return false;
        table += 17 + symbols;
      }
    }
    i = i + 2 + length;
  }
  return true;
}

Raster DecodeWithStb(const std::string& bytes) {
  if (!JpegTablesFit(bytes)) throw ImagingError("The image cannot be read: bad JPEG tables.");
  if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    throw ImagingError("The image file is too large.");
  }
  // The decoder trusts the header's size; a negative, zero or absurd one is
  // refused before it gets there, for every type.
  if (const std::string why = CheckImageHeader(bytes, kMaxImageSide, kMaxImagePixels);
      !why.empty()) {
    throw ImagingError(why);
  }
  int width = 0;
  int height = 0;
  int channels = 0;
  const auto* data = reinterpret_cast<const stbi_uc*>(bytes.data());
  const int size = static_cast<int>(bytes.size());
  if (stbi_info_from_memory(data, size, &width, &height, &channels) != 0 &&
      static_cast<long long>(width) * height > kMaxImagePixels) {
    throw ImagingError("The image is too large.");
  }
  stbi_uc* rgb = stbi_load_from_memory(data, size, &width, &height, &channels, 3);
  if (rgb == nullptr) {
    throw ImagingError(std::string("The image cannot be read: ") + stbi_failure_reason() + ".");
  }
  Raster picture;
  picture.Resize(width, height);
  const stbi_uc* source = rgb;
  for (std::uint32_t& pixel : picture.pixels) {
    pixel = (std::uint32_t{source[0]} << 16) | (std::uint32_t{source[1]} << 8) | source[2];
    source += 3;
  }
  stbi_image_free(rgb);
  return picture;
}

class StbImaging : public ImagingComponent {
 public:
  explicit StbImaging(FileSystem& fs) : fs_(fs) {}

  void LoadFile(const std::string& path) override {
    Raster picture;
    LoadPictureFile(fs_, path, &picture);
    image_ = std::move(picture);
  }

  void LoadPicture(const Raster& picture) override {
    if (picture.width <= 0 || picture.height <= 0) throw ImagingError("The picture is empty.");
    image_ = picture;
  }

  void SaveBitmap(const std::string& path) override {
    if (image_.width <= 0 || image_.height <= 0) throw ImagingError("No image is loaded.");
    const std::string bitmap = EncodeBitmap(image_);
    if (FileResult written = fs_.WriteFileAtomic(path, bitmap); !written) {
      throw ImagingWriteError(std::move(written));
    }
  }

 private:
  FileSystem& fs_;
  Raster image_;
};

}  // namespace

std::unique_ptr<ImagingComponent> CreateImagingComponent(FileSystem& fs) {
  return std::make_unique<StbImaging>(fs);
}

void LoadPictureFile(FileSystem& fs, const std::string& path, Raster* picture) {
  std::string bytes;
  if (!fs.ReadFile(path, &bytes)) throw ImagingError("The image file cannot be opened.");
  const std::string type = path.size() >= 3 ? ToUpper(path.substr(path.size() - 3)) : "";
  *picture = DecodeImage(bytes, type);
}

Raster DecodeImage(const std::string& bytes, const std::string& type) {
  if (type == "EMF") return DecodeEnhancedMetafile(bytes);
  // The other types are told apart by their contents, as a picture loader does,
  // so a PNG saved with a ".BMP" name still loads.
  return DecodeWithStb(bytes);
}

std::string EncodeBitmap(const Raster& picture) {
  const std::uint64_t row = (static_cast<std::uint64_t>(picture.width) * 3 + 3) & ~3ull;
  if (picture.width <= 0 || picture.height <= 0 ||
      row * static_cast<std::uint64_t>(picture.height) + 54 > kMaxBitmapBytes) {
    throw ImagingError("The image is too large for a bitmap.");
  }
  std::vector<unsigned char> rgb(static_cast<std::size_t>(picture.width) *
                                 static_cast<std::size_t>(picture.height) * 3);
  unsigned char* out = rgb.data();
  for (std::uint32_t pixel : picture.pixels) {
    *out++ = static_cast<unsigned char>(pixel >> 16);
    *out++ = static_cast<unsigned char>(pixel >> 8);
    *out++ = static_cast<unsigned char>(pixel);
  }
  std::string file;
  if (stbi_write_bmp_to_func(AppendToString, &file, picture.width, picture.height, 3, rgb.data()) ==
      0) {
    throw ImagingError("The bitmap cannot be encoded.");
  }
  return file;
}

}  // namespace k9
