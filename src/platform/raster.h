// A device context in the system's own terms. On Windows it is an HDC. Elsewhere
// it is the address of a Raster: an in-memory picture whose pixels are 32-bit
// 0x00RRGGBB words, row by row from the top, the layout of a top-down 32-bit
// Windows DIB section and of Cairo's RGB24 image format, so a drawing backend can
// paint into it directly.
#pragma once

#include <cstdint>
#include <vector>

namespace k9 {

using DeviceContext = std::uintptr_t;

struct Raster {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // width * height words, 0x00RRGGBB

  void Resize(int w, int h, std::uint32_t fill = 0) {
    width = w > 0 ? w : 0;
    height = h > 0 ? h : 0;
    pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill);
  }
  std::uint32_t* Row(int y) { return pixels.data() + static_cast<std::size_t>(y) * width; }
};

inline DeviceContext ToDeviceContext(Raster* raster) {
  return reinterpret_cast<DeviceContext>(raster);
}
inline Raster* RasterFromDeviceContext(DeviceContext dc) { return reinterpret_cast<Raster*>(dc); }

// OLE colours are 0x00BBGGRR; raster pixels are 0x00RRGGBB.
inline constexpr std::uint32_t OleColorToPixel(std::uint32_t ole) {
  return ((ole & 0xFFu) << 16) | (ole & 0xFF00u) | ((ole >> 16) & 0xFFu);
}
inline constexpr std::uint32_t PixelToOleColor(std::uint32_t pixel) {
  return OleColorToPixel(pixel);
}

}  // namespace k9
