// A device context over a DIB section: a memory picture that GDI draws into and
// the program reads and writes directly. Its pixels have the Raster layout
// (32-bit 0x00RRGGBB words, rows from the top), so a drawing backend that
// paints a Raster can paint here, and a picture drawn here can be copied to a
// Raster (to save it as PNG, to compare it) without conversion.
// No <windows.h> here.
#pragma once

#include <cstdint>

#include "platform/raster.h"

namespace k9 {

class DibSection {
 public:
  DibSection() = default;
  ~DibSection();
  DibSection(const DibSection&) = delete;
  DibSection& operator=(const DibSection&) = delete;

  // (Re)creates the picture at width x height pixels (at least 1 x 1), filled
  // with `fill` (0x00RRGGBB). False when GDI refuses; the object is then empty.
  bool Create(int width, int height, std::uint32_t fill = 0);

  bool valid() const { return dc_ != 0; }
  int width() const { return width_; }
  int height() const { return height_; }

  // The device context (an HDC) with the picture selected; 0 when empty.
  // Call GdiFlush() before reading pixels that GDI drew.
  DeviceContext dc() const { return dc_; }

  // Row `y` of the picture; the rows lie one after another with no gaps.
  std::uint32_t* Row(int y) { return pixels_ + static_cast<std::size_t>(y) * width_; }
  std::uint32_t Pixel(int x, int y) const {
    return pixels_[static_cast<std::size_t>(y) * width_ + x];
  }

  // Waits until GDI has finished drawing into the picture.
  static void Flush();

  // Copies the picture into `raster` (resized to match), and back.
  void CopyTo(Raster* raster) const;
  void CopyFrom(const Raster& raster);

 private:
  void Release();

  DeviceContext dc_ = 0;
  std::uintptr_t bitmap_ = 0;
  std::uintptr_t previous_ = 0;
  std::uint32_t* pixels_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace k9
