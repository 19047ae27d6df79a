#include "support/fake_file_system.h"

#include <algorithm>
#include <cctype>

#include "platform/wildcard.h"

namespace k9::testing {

namespace {

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

}  // namespace

std::string FakeFileSystem::Key(std::string_view path) {
  std::string key;
  key.reserve(path.size());
  for (char c : path) {
    if (c == '\\' || c == '/') {
      if (!key.empty() && key.back() == '/') continue;
      key.push_back('/');
    } else {
      key.push_back(Upper(c));
    }
  }
  if (key.size() > 1 && key.back() == '/') key.pop_back();
  return key;
}

std::string FakeFileSystem::ParentKey(const std::string& key) {
  std::size_t slash = key.rfind('/');
  if (slash == std::string::npos) return "";
  if (slash == 0) return "/";
  return key.substr(0, slash);
}

bool FakeFileSystem::FolderExists(const std::string& key) const {
  if (key.empty() || key == "/") return true;
  if (key.size() == 2 && key[1] == ':') return true;  // drive root
  if (key.size() == 3 && key[1] == ':' && key[2] == '/') return true;
  return folders_.count(key) > 0;
}

FileResult FakeFileSystem::WriteCheck(const std::string& key, const std::string& path) const {
  if (key.empty()) return FileResult::Failure(FileFault::kNotFound, path);
  if (fail_all_writes_) return FileResult::Failure(all_writes_fault_, path);
  if (auto it = failing_writes_.find(key); it != failing_writes_.end()) {
    return FileResult::Failure(it->second, path);
  }
  if (folders_.count(key) > 0) return FileResult::Failure(FileFault::kIsFolder, path);
  if (!FolderExists(ParentKey(key))) return FileResult::Failure(FileFault::kNoFolder, path);
  return {};
}

void FakeFileSystem::AddDirectory(const std::string& path) {
  for (std::string key = Key(path); !FolderExists(key); key = ParentKey(key)) {
    folders_.insert(key);
  }
}

void FakeFileSystem::AddFile(const std::string& path, std::string contents) {
  std::string key = Key(path);
  AddDirectory(ParentKey(key));
  auto it = files_.find(key);
  if (it == files_.end()) {
    files_[key] = File{path, std::move(contents)};
  } else {
    it->second.contents = std::move(contents);
  }
}

std::optional<std::string> FakeFileSystem::Contents(const std::string& path) const {
  auto it = files_.find(Key(path));
  if (it == files_.end()) return std::nullopt;
  return it->second.contents;
}

std::optional<std::string> FakeFileSystem::StoredName(const std::string& path) const {
  auto it = files_.find(Key(path));
  if (it == files_.end()) return std::nullopt;
  return it->second.name;
}

void FakeFileSystem::FailWritesTo(const std::string& path, FileFault fault) {
  failing_writes_[Key(path)] = fault;
}

void FakeFileSystem::FailReadsOf(const std::string& path) { failing_reads_.insert(Key(path)); }

bool FakeFileSystem::FileExists(const std::string& path) { return files_.count(Key(path)) > 0; }

bool FakeFileSystem::DirectoryExists(const std::string& path) { return FolderExists(Key(path)); }

bool FakeFileSystem::MakeDirectory(const std::string& path) {
  std::string key = Key(path);
  if (FolderExists(key)) return true;
  if (fail_all_writes_ || files_.count(key) > 0 || !FolderExists(ParentKey(key))) return false;
  folders_.insert(key);
  return true;
}

bool FakeFileSystem::ReadFile(const std::string& path, std::string* contents) {
  contents->clear();
  std::string key = Key(path);
  auto it = files_.find(key);
  if (it == files_.end() || failing_reads_.count(key) > 0) return false;
  *contents = it->second.contents;
  return true;
}

FileResult FakeFileSystem::WriteFileAtomic(const std::string& path, std::string_view contents) {
  std::string key = Key(path);
  auto it = files_.find(key);
  // A failure names the file as it is stored, as the real file systems do.
  FileResult check = WriteCheck(key, it == files_.end() ? path : it->second.name);
  if (!check) return check;
  if (it == files_.end()) {
    files_[key] = File{path, std::string(contents)};
  } else {
    it->second.contents.assign(contents);
  }
  ++write_count_;
  return {};
}

bool FakeFileSystem::RemoveFile(const std::string& path) {
  std::string key = Key(path);
  if (fail_all_writes_ || failing_writes_.count(key) > 0) return false;
  return files_.erase(key) > 0;
}

FileResult FakeFileSystem::CopyFileTo(const std::string& from, const std::string& to) {
  std::string contents;
  if (!ReadFile(from, &contents)) return FileResult::Failure(FileFault::kNotFound, from);
  return WriteFileAtomic(to, contents);
}

FileResult FakeFileSystem::LockForUpdate(const std::string& /*path*/,
                                         std::unique_ptr<FileLock>* lock) {
  *lock = std::make_unique<FileLock>();
  return {};
}

std::vector<std::string> FakeFileSystem::ListFiles(const std::string& folder,
                                                   const std::string& pattern) {
  std::string folder_key = Key(folder);
  std::vector<std::string> names;
  for (const auto& [key, file] : files_) {
    if (ParentKey(key) != folder_key) continue;
    std::string name = file.name.substr(file.name.find_last_of("\\/") + 1);
    if (MatchesWildcard(pattern, name)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace k9::testing
