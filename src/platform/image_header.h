// The width and height an image file's header declares, read without decoding
// it, for the four types the system decodes: BMP, GIF, PNG and JPEG. Decoders
// take these numbers on trust to size their work; a header with a negative, zero
// or absurd size is refused here first, whatever the file's type.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace k9 {

struct ImageHeader {
  std::string type;  // "BMP", "GIF", "PNG" or "JPEG"
  std::int64_t width = 0;
  std::int64_t height = 0;  // a BMP stored top-down declares it negative
};

// The declared size, or nullopt when the bytes begin as none of the four types
// (or end before the size).
std::optional<ImageHeader> ReadImageHeader(std::string_view bytes);

// "" when the declared size can be decoded: both sides at least 1 and at most
// `max_side` pixels, together at most `max_pixels`; bytes of an unknown type pass,
// for the decoder to refuse. Otherwise a sentence for the user saying why.
std::string CheckImageHeader(std::string_view bytes, std::int64_t max_side,
                             std::int64_t max_pixels);

}  // namespace k9
