#include "platform/win32/dib_section.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace k9 {

DibSection::~DibSection() { Release(); }

void DibSection::Release() {
  HDC dc = reinterpret_cast<HDC>(dc_);
  if (dc != nullptr) {
    ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(previous_));
    ::DeleteDC(dc);
  }
  if (bitmap_ != 0) ::DeleteObject(reinterpret_cast<HGDIOBJ>(bitmap_));
  dc_ = bitmap_ = previous_ = 0;
  pixels_ = nullptr;
  width_ = height_ = 0;
}

bool DibSection::Create(int width, int height, std::uint32_t fill) {
  Release();
  width = std::max(width, 1);
  height = std::max(height, 1);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // negative: rows run from the top
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr || bits == nullptr) {
    if (bitmap != nullptr) ::DeleteObject(bitmap);
    return false;
  }
  HDC dc = ::CreateCompatibleDC(nullptr);
  if (dc == nullptr) {
    ::DeleteObject(bitmap);
    return false;
  }
  previous_ = reinterpret_cast<std::uintptr_t>(::SelectObject(dc, bitmap));
  dc_ = reinterpret_cast<DeviceContext>(dc);
  bitmap_ = reinterpret_cast<std::uintptr_t>(bitmap);
  pixels_ = static_cast<std::uint32_t*>(bits);
  width_ = width;
  height_ = height;
  std::fill(pixels_, pixels_ + static_cast<std::size_t>(width) * height, fill);
  return true;
}

void DibSection::Flush() { ::GdiFlush(); }

void DibSection::CopyTo(Raster* raster) const {
  Flush();
  raster->Resize(width_, height_);
  if (pixels_ != nullptr) {
    std::memcpy(raster->pixels.data(), pixels_, raster->pixels.size() * sizeof(std::uint32_t));
  }
}

void DibSection::CopyFrom(const Raster& raster) {
  if (raster.width != width_ || raster.height != height_) {
    if (!Create(raster.width, raster.height)) return;
  }
  Flush();
  if (!raster.pixels.empty()) {
    std::memcpy(pixels_, raster.pixels.data(), raster.pixels.size() * sizeof(std::uint32_t));
  }
}

}  // namespace k9
