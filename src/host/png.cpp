#include "host/png.h"

#include <cstdint>
#include <vector>

#include <stb_image_write.h>

namespace k9::host {
namespace {

void AppendBytes(void* context, void* data, int size) {
  auto* out = static_cast<std::string*>(context);
  out->append(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

}  // namespace

std::string EncodePng(const Raster& raster) {
  if (raster.width <= 0 || raster.height <= 0 ||
      raster.pixels.size() != static_cast<std::size_t>(raster.width) * raster.height) {
    return "";
  }
  std::vector<std::uint8_t> rgb(raster.pixels.size() * 3);
  for (std::size_t i = 0; i < raster.pixels.size(); ++i) {
    const std::uint32_t pixel = raster.pixels[i];
    rgb[i * 3] = static_cast<std::uint8_t>(pixel >> 16);
    rgb[i * 3 + 1] = static_cast<std::uint8_t>(pixel >> 8);
    rgb[i * 3 + 2] = static_cast<std::uint8_t>(pixel);
  }
  std::string out;
  if (stbi_write_png_to_func(&AppendBytes, &out, raster.width, raster.height, 3, rgb.data(),
                             raster.width * 3) == 0) {
    return "";
  }
  return out;
}

bool SavePng(FileSystem& fs, const std::string& path, const Raster& raster, std::string* error) {
  const std::string bytes = EncodePng(raster);
  if (bytes.empty()) {
    if (error) *error = "the picture cannot be encoded as PNG";
    return false;
  }
  if (!fs.WriteFileAtomic(path, bytes)) {
    if (error) *error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace k9::host
