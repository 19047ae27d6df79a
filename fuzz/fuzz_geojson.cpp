// The geojson overlay reader on any bytes: it never crashes, and whatever it reads
// becomes an overlay file the engine accepts.
#include <cstddef>
#include <cstdint>
#include <string>

#include "overlay_reader_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  using namespace k9::overlay_import;
  Imported overlay;
  std::string error;
  CheckReadOverlay(ReadGeoJson(bytes, &overlay, &error), overlay);
  return 0;
}
