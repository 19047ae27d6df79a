// Fuzzes the REGEDIT4 reader. Besides not crashing: whatever it accepts, its own
// text form must read back, without loss, as the same registry.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/registry_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  k9::RegistryImage image;
  image.Parse(text);
  const std::string formatted = image.Format();
  k9::RegistryImage reread;
  if (!reread.Parse(formatted)) std::abort();
  if (reread.Format() != formatted) std::abort();
  return 0;
}
