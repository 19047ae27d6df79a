// The readers of the underlay maker's outside files: INF text, SAT lines and the
// image decoders. The first byte picks the reader; the rest is the file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/image_header.h"
#include "render/inf_file.h"
#include "render/underlay_imaging.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string file(reinterpret_cast<const char*>(data + 1), size - 1);
  switch (data[0] % 3) {
    case 0:
      if (auto corners = k9::ReadInfCorners(file)) (void)k9::FormatSatLine(*corners);
      break;
    case 1:
      (void)k9::ReadSatCorners(file);
      break;
    default:
      try {
        // A few bytes may rightly describe a picture of tens of millions of
        // pixels, which takes seconds to fill and write but is not wrong: only
        // pictures of up to a million pixels are decoded here.
        if (!k9::CheckImageHeader(file, k9::kMaxImageSide, 1 << 20).empty()) break;
        const k9::Raster picture = k9::DecodeImage(file, "PNG");
        (void)k9::EncodeBitmap(picture);
      } catch (const k9::ImagingError&) {
      }
      break;
  }
  return 0;
}
