// Fuzzes the favourites file reader with arbitrary file contents. Besides not
// crashing: at most 32768 entries come back, none holds a line end, and saving
// what was loaded and loading it again gives the same entries.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "render/favourites.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// Just enough of a file system for the favourites file: one folder, whole files.
class MemoryFileSystem : public k9::FileSystem {
 public:
  bool FileExists(const std::string& path) override { return files_.count(path) != 0; }
  bool DirectoryExists(const std::string&) override { return true; }
  bool MakeDirectory(const std::string&) override { return true; }
  bool ReadFile(const std::string& path, std::string* contents) override {
    auto found = files_.find(path);
    if (found == files_.end()) return false;
    *contents = found->second;
    return true;
  }
  k9::FileResult WriteFileAtomic(const std::string& path, std::string_view contents) override {
    files_[path] = std::string(contents);
    return {};
  }
  bool RemoveFile(const std::string& path) override { return files_.erase(path) != 0; }
  k9::FileResult CopyFileTo(const std::string&, const std::string& to) override {
    return k9::FileResult::Failure(k9::FileFault::kOther, to);
  }
  k9::FileResult LockForUpdate(const std::string&, std::unique_ptr<k9::FileLock>* lock) override {
    *lock = std::make_unique<k9::FileLock>();
    return {};
  }
  int RemoveStaleTemporaryFiles(const std::string&) override { return 0; }
  std::vector<std::string> ListFiles(const std::string&, const std::string&) override { return {}; }

 private:
  std::map<std::string, std::string> files_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string contents(reinterpret_cast<const char*>(data), size);
  MemoryFileSystem fs;
  const std::string path = "Kestrel9.FAV";
  fs.WriteFileAtomic(path, contents);

  k9::TextArray loaded;
  const bool any = k9::LoadFavourites(fs, path, loaded);
  Check(any == !contents.empty());
  if (!any) {
    Check(!loaded.allocated);
    return 0;
  }
  Check(loaded.allocated && loaded.lower == 0);
  Check(loaded.items.size() <= static_cast<std::size_t>(k9::kMaxFavourites));
  for (const std::string& entry : loaded.items) {
    Check(entry.find_first_of("\r\n") == std::string::npos);
  }

  Check(k9::SaveFavourites(fs, path, loaded).ok());
  k9::TextArray again;
  Check(k9::LoadFavourites(fs, path, again));
  Check(again == loaded);
  return 0;
}
