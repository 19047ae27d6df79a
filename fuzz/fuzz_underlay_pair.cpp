// An underlay as the reference engine loads it: a picture and its SAT companion,
// read through the file system port. The first two bytes give the companion's
// length; the companion's text follows, then the picture's bytes.
#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/import_manager.h"
#include "engine/reference_engine.h"
#include "platform/file_system.h"

namespace {

// Two files in memory: "u.BMP" and "u.SAT".
class PairFileSystem : public k9::FileSystemWrapper {
 public:
  PairFileSystem(std::string image, std::string companion)
      : FileSystemWrapper(k9::FileSystem::Default()),
        image_(std::move(image)),
        companion_(std::move(companion)) {}
  bool FileExists(const std::string& path) override { return path == "u.BMP" || path == "u.SAT"; }
  bool ReadFile(const std::string& path, std::string* contents) override {
    if (path == "u.BMP") *contents = image_;
    if (path == "u.SAT") *contents = companion_;
    return FileExists(path);
  }

 private:
  std::string image_;
  std::string companion_;
};

}  // namespace

// Nothing is painted here, so no drawing backend is linked.
std::unique_ptr<k9::engine::Canvas> k9::engine::CreateCanvas(k9::DeviceContext, int, int, int,
                                                             int) {
  return nullptr;
}

// Nor is anything imported, so the importer (and the OSM reader under it) stays out too.
std::unique_ptr<k9::engine::ImportBackend> k9::engine::MakeDefaultImportBackend(k9::FileSystem&,
                                                                                k9::Registry&) {
  return nullptr;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t companion_size = std::min<std::size_t>(data[0] | data[1] << 8, size - 2);
  const char* text = reinterpret_cast<const char*>(data + 2);
  PairFileSystem fs(std::string(text + companion_size, size - 2 - companion_size),
                    std::string(text, companion_size));
  k9::engine::ReferenceEngine engine(fs);
  try {
    engine.UnderlayVisible(true);
    engine.UnderlayFile("u.BMP");
  } catch (const std::exception&) {
  }
  return 0;
}
