#include "platform/image_header.h"

namespace k9 {

namespace {

std::uint32_t Byte(std::string_view bytes, std::size_t at) {
  return static_cast<unsigned char>(bytes[at]);
}
std::uint32_t Le16(std::string_view b, std::size_t at) {
  return Byte(b, at) | Byte(b, at + 1) << 8;
}
std::uint32_t Le32(std::string_view b, std::size_t at) {
  return Le16(b, at) | Le16(b, at + 2) << 16;
}
std::uint32_t Be16(std::string_view b, std::size_t at) {
  return Byte(b, at) << 8 | Byte(b, at + 1);
}
std::uint32_t Be32(std::string_view b, std::size_t at) {
  return Be16(b, at) << 16 | Be16(b, at + 2);
}

std::optional<ImageHeader> Bmp(std::string_view b) {
  if (b.size() < 26) return std::nullopt;
  // A core header (12 bytes) has 16-bit sizes; every later one 32-bit signed.
  if (Le32(b, 14) == 12) return ImageHeader{"BMP", Le16(b, 18), Le16(b, 20)};
  return ImageHeader{"BMP", static_cast<std::int32_t>(Le32(b, 18)),
                     static_cast<std::int32_t>(Le32(b, 22))};
}

std::optional<ImageHeader> Jpeg(std::string_view b) {
  // Markers follow the start of image; the frame header (SOF0 to SOF15 but the
  // Huffman, arithmetic-coding and JPEG-extension markers) holds the size.
  std::size_t at = 2;
  while (at + 4 <= b.size()) {
    if (Byte(b, at) != 0xFF) return std::nullopt;
    const std::uint32_t marker = Byte(b, at + 1);
    if (marker == 0xFF) {
      ++at;
      continue;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
      at += 2;
      continue;
    }
    if (marker == 0xD9 || marker == 0xDA) return std::nullopt;  // no frame before the data
    const bool frame =
        marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      if (at + 9 > b.size()) return std::nullopt;
      return ImageHeader{"JPEG", Be16(b, at + 7), Be16(b, at + 5)};
    }
    at += 2 + Be16(b, at + 2);
  }
  return std::nullopt;
}

}  // namespace

std::optional<ImageHeader> ReadImageHeader(std::string_view b) {
  if (b.substr(0, 2) == "BM") return Bmp(b);
  if (b.substr(0, 6) == "GIF87a" || b.substr(0, 6) == "GIF89a") {
    if (b.size() < 10) return std::nullopt;
    return ImageHeader{"GIF", Le16(b, 6), Le16(b, 8)};
  }
  if (b.substr(0, 8) == "\x89PNG\r\n\x1a\n") {
    if (b.size() < 24 || b.substr(12, 4) != "IHDR") return std::nullopt;
    return ImageHeader{"PNG", Be32(b, 16), Be32(b, 20)};
  }
  if (b.size() >= 2 && Byte(b, 0) == 0xFF && Byte(b, 1) == 0xD8) return Jpeg(b);
  return std::nullopt;
}

std::string CheckImageHeader(std::string_view bytes, std::int64_t max_side,
                             std::int64_t max_pixels) {
  const std::optional<ImageHeader> header = ReadImageHeader(bytes);
  if (!header) return "";
  const std::int64_t width = header->width;
  // A BMP may be stored top-down; its size is the height's magnitude.
  const std::int64_t height =
      header->type == "BMP" && header->height < 0 ? -header->height : header->height;
  const std::string declared = "The " + header->type + " header declares " +
                               std::to_string(header->width) + " by " +
                               std::to_string(header->height) + " pixels";
  if (width < 1 || height < 1) return declared + ", which is no picture.";
  if (width > max_side || height > max_side || width * height > max_pixels) {
    return declared + ", more than can be read.";
  }
  return "";
}

}  // namespace k9
