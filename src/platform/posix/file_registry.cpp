#include "platform/posix/file_registry.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <functional>

#include "platform/file_system.h"
#include "platform/registry_image.h"

namespace k9 {

namespace {

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
    return pw->pw_dir;
  }
  return "/tmp";
}

// Creates every missing folder above `file`.
bool MakeParents(const std::string& file) {
  for (std::size_t at = file.find('/', 1); at != std::string::npos; at = file.find('/', at + 1)) {
    std::string folder = file.substr(0, at);
    if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return true;
}

class FileRegistry : public Registry {
 public:
  FileRegistry(std::string path, FileSystem& fs) : path_(std::move(path)), fs_(fs) {}

  bool KeyExists(RegRoot root, const std::string& key) override {
    std::string full = FullKeyPath(root, key);
    RegistryImage image;
    return !full.empty() && Load(&image) != LoadResult::kUnreadable && image.Exists(full);
  }

  bool CreateKey(RegRoot root, const std::string& key) override {
    std::string full = FullKeyPath(root, key);
    if (full.empty()) return false;
    return Modify([&](RegistryImage& image) {
      if (image.Exists(full)) return Change::kNone;
      image.Create(full);
      return Change::kWrite;
    });
  }

  bool DeleteKey(RegRoot root, const std::string& key) override {
    std::string full = FullKeyPath(root, key);
    if (full.empty()) return false;
    return Modify(
        [&](RegistryImage& image) { return image.Remove(full) ? Change::kWrite : Change::kFail; });
  }

  std::optional<RegValue> QueryValue(RegRoot root, const std::string& key,
                                     const std::string& name) override {
    std::string full = FullKeyPath(root, key);
    RegistryImage image;
    if (full.empty() || Load(&image) == LoadResult::kUnreadable) return std::nullopt;
    const RegistryKeyEntry* entry = image.Find(full);
    if (entry == nullptr) return std::nullopt;
    const RegistryValueEntry* value = entry->FindValue(name);
    if (value == nullptr) return std::nullopt;
    return value->value;
  }

  bool SetValue(RegRoot root, const std::string& key, const std::string& name,
                const RegValue& value) override {
    std::string full = FullKeyPath(root, key);
    if (full.empty() || !IsStorableValueName(name)) return false;
    return Modify([&](RegistryImage& image) {
      image.Create(full).SetValue(name, value);
      return Change::kWrite;
    });
  }

  bool DeleteValue(RegRoot root, const std::string& key, const std::string& name) override {
    std::string full = FullKeyPath(root, key);
    if (full.empty()) return false;
    return Modify([&](RegistryImage& image) {
      RegistryKeyEntry* entry = image.Find(full);
      return entry != nullptr && entry->RemoveValue(name) ? Change::kWrite : Change::kFail;
    });
  }

  std::optional<std::vector<std::string>> EnumerateValues(RegRoot root,
                                                          const std::string& key) override {
    std::string full = FullKeyPath(root, key);
    RegistryImage image;
    if (full.empty() || Load(&image) == LoadResult::kUnreadable) return std::nullopt;
    const RegistryKeyEntry* entry = image.Find(full);
    if (entry == nullptr) return std::nullopt;
    std::vector<std::string> names;
    for (const RegistryValueEntry& value : entry->values) names.push_back(value.name);
    return names;
  }

  std::optional<std::vector<std::string>> EnumerateSubkeys(RegRoot root,
                                                           const std::string& key) override {
    std::string full = FullKeyPath(root, key);
    RegistryImage image;
    if (full.empty() || Load(&image) == LoadResult::kUnreadable || !image.Exists(full)) {
      return std::nullopt;
    }
    return image.Subkeys(full);
  }

  FileResult CheckStore() override {
    const std::string path = Path();
    RegistryImage image;
    int bad_line = 0;
    switch (Load(&image, path, &bad_line)) {
      case LoadResult::kOk:
        break;
      case LoadResult::kDamaged:
        return FileResult::Damaged(path, bad_line);
      case LoadResult::kUnreadable:
        return FileResult::Failure(
            fs_.DirectoryExists(path) ? FileFault::kIsFolder : FileFault::kAccessDenied, path);
    }
    // Read-only as the file system judges it: by the permission bits.
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) == 0) {
      return FileResult::Failure(FileFault::kReadOnly, path);
    }
    // A sound store: why the last change failed, if it did (a full disk).
    return last_change_;
  }

 private:
  enum class LoadResult { kOk, kDamaged, kUnreadable };
  enum class Change { kNone, kWrite, kFail };

  std::string Path() const { return path_.empty() ? DefaultRegistryFilePath() : path_; }

  // Reads the store. A missing file is an empty store; a file that cannot be
  // read at all, or not as REGEDIT4, is kUnreadable or kDamaged.
  LoadResult Load(RegistryImage* image, const std::string& path, int* bad_line = nullptr) {
    std::string text;
    if (!fs_.ReadFile(path, &text)) {
      image->Parse("");
      return fs_.FileExists(path) || fs_.DirectoryExists(path) ? LoadResult::kUnreadable
                                                               : LoadResult::kOk;
    }
    return image->Parse(text, bad_line) ? LoadResult::kOk : LoadResult::kDamaged;
  }
  LoadResult Load(RegistryImage* image) { return Load(image, Path()); }

  bool Modify(const std::function<Change(RegistryImage&)>& change) {
    std::string path = Path();
    if (!MakeParents(path)) return false;
    std::unique_ptr<FileLock> lock;
    last_change_ = fs_.LockForUpdate(path, &lock);
    if (!last_change_) return false;
    RegistryImage image;
    if (Load(&image, path) != LoadResult::kOk) return false;  // never overwrite what we cannot read
    switch (change(image)) {
      case Change::kNone:
        return true;
      case Change::kFail:
        return false;
      case Change::kWrite:
        break;
    }
    last_change_ = fs_.WriteFileAtomic(path, image.Format());
    return last_change_.ok();
  }

  std::string path_;
  FileSystem& fs_;
  // Why the last change could not be written, for CheckStore.
  FileResult last_change_;
};

}  // namespace

std::string DefaultRegistryFilePath() {
  if (const char* path = std::getenv("KESTREL9_REGISTRY"); path != nullptr && *path != '\0') {
    return path;
  }
  return HomeFolder() + "/.local/share/kestrel9/registry.reg";
}

std::unique_ptr<Registry> NewFileRegistry(std::string path, FileSystem& fs) {
  return std::make_unique<FileRegistry>(std::move(path), fs);
}

Registry& Registry::Default() {
  static Registry* registry = NewFileRegistry("").release();  // never destroyed: used until exit
  return *registry;
}

}  // namespace k9
