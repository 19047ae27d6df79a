// Enhanced metafiles are drawn by GDI, which only Windows has. This is the one
// file of the rendering logic that calls an OS API, kept apart so the rest stays
// portable.
#include "render/underlay_imaging.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace k9 {

#ifdef _WIN32

Raster DecodeEnhancedMetafile(const std::string& bytes) {
  HENHMETAFILE metafile = SetEnhMetaFileBits(static_cast<UINT>(bytes.size()),
                                             reinterpret_cast<const BYTE*>(bytes.data()));
  if (metafile == nullptr) throw ImagingError("The metafile cannot be read.");
  ENHMETAHEADER header{};
  GetEnhMetaFileHeader(metafile, sizeof header, &header);
  const LONG width = header.rclBounds.right - header.rclBounds.left + 1;
  const LONG height = header.rclBounds.bottom - header.rclBounds.top + 1;
  if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide) {
    DeleteEnhMetaFile(metafile);
    throw ImagingError("The metafile has no usable size.");
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down, as Raster
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (dc == nullptr || bitmap == nullptr) {
    if (bitmap != nullptr) DeleteObject(bitmap);
    if (dc != nullptr) DeleteDC(dc);
    DeleteEnhMetaFile(metafile);
    throw ImagingError("The metafile cannot be drawn.");
  }
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT area{0, 0, width, height};
  FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  const BOOL played = PlayEnhMetaFile(dc, metafile, &area);
  GdiFlush();
  Raster picture;
  picture.Resize(width, height);
  const auto* source = static_cast<const std::uint32_t*>(bits);
  for (std::size_t i = 0; i < picture.pixels.size(); ++i) picture.pixels[i] = source[i] & 0xFFFFFFu;
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  DeleteEnhMetaFile(metafile);
  if (!played) throw ImagingError("The metafile cannot be drawn.");
  return picture;
}

#else

Raster DecodeEnhancedMetafile(const std::string& /*bytes*/) {
  throw ImagingUnsupported(
      "EMF pictures can only be made into underlays on Windows. "
      "Save the picture as BMP, GIF, JPG or PNG beside the INF file and try again.");
}

#endif

}  // namespace k9
