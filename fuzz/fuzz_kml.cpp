// The kml overlay reader on any bytes: it never crashes, and whatever it reads
// becomes an overlay file the engine accepts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/overlay.h"
#include "overlay_import/readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  using namespace k9::overlay_import;
  auto check = [](bool read, const Imported& overlay) {
    if (!read) return;
    k9::engine::Overlay parsed;
    std::string error;
    if (!k9::engine::ParseOverlay(WriteOvr(overlay, {overlay.held}), "OVR", &parsed, &error))
      std::abort();
  };
  Imported overlay;
  std::string error;
  check(ReadKml(bytes, &overlay, &error), overlay);
  // The same bytes as a KMZ archive.
  Imported from_kmz;
  check(ReadKmz(bytes, &from_kmz, &error), from_kmz);
  return 0;
}
