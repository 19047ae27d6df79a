// Shared pieces of the engine tests: an engine over the shipped data, an event
// recorder, a scratch folder, and the server's reading of the engine's answers.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "engine/reference_engine.h"
#include "platform/file_system.h"

namespace k9::engine::testing {

inline std::string DataDir() { return std::string(K9_SOURCE_DIR) + "/data/engine"; }

inline void UseShippedData(ReferenceEngine& e) {
  e.Path_states(DataDir() + "/states");
  e.Path_data1(DataDir() + "/us");
  e.Path_data2(DataDir() + "/world");
}

// Keeps the shipped data loaded while the result lives, so engines made meanwhile
// share it instead of reading the files again.
inline std::shared_ptr<const MapData> LoadShippedData() {
  return LoadMapData(FileSystem::Default(),
                     {DataDir() + "/states", DataDir() + "/us", DataDir() + "/world"});
}

class Recorder : public MapEngineEvents {
 public:
  explicit Recorder(MapEngine* engine) : engine_(engine) {}
  void FoundItem() override { items.push_back(engine_->FoundText()); }
  void FoundPlace() override { places.push_back(engine_->FoundPlaceText()); }
  void PaintBefore(DeviceContext) override { order += "P"; }
  void DirectBefore(DeviceContext) override { order += "B"; }
  void Direct(DeviceContext) override { order += "D"; }
  std::vector<std::string> items;
  std::vector<std::string> places;
  std::string order;

 private:
  MapEngine* engine_;
};

class ScratchDir {
 public:
  ScratchDir() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("k9-engine-test-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string Path(const std::string& name) const { return (path_ / name).string(); }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path_ / name, std::ios::binary) << bytes;
    return Path(name);
  }
  std::string folder() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

inline std::string ReadAll(const std::string& path) {
  std::string bytes;
  FileSystem::Default().ReadFile(path, &bytes);
  return bytes;
}

inline std::vector<std::string> SplitTabs(const std::string& s) {
  std::vector<std::string> out(1);
  for (char c : s) {
    if (c == '\t')
      out.emplace_back();
    else
      out.back() += c;
  }
  return out;
}

inline std::string ProperCase(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  for (std::size_t i = 0; i < s.size(); ++i)
    if ((i == 0 || s[i - 1] == ' ') && s[i] >= 'a' && s[i] <= 'z')
      s[i] = static_cast<char>(s[i] - 'a' + 'A');
  return s;
}

// How the server reads one found-item record: its title, position and place flag.
struct AddressMatch {
  bool ok = false;
  std::string title;
  double x = 0, y = 0;
  bool place = false;
};

inline AddressMatch ReadAddressRecord(const std::string& record) {
  AddressMatch m;
  const auto f = SplitTabs(record);
  if (f.size() < 7 || f[6].find(',') == std::string::npos) return m;
  m.x = std::stod(f[6].substr(0, f[6].find(',')));
  m.y = std::stod(f[6].substr(f[6].find(',') + 1));
  m.title = f[2];
  if (!m.title.empty()) m.title += " ";
  m.title += f[0];
  m.place = m.title.empty();
  if (!f[1].empty()) m.title += (m.title.empty() ? "" : ", ") + f[1];
  if (!m.title.empty()) m.title = ProperCase(m.title);
  for (int i : {3, 4})
    if (!f[i].empty()) m.title += (m.title.empty() ? "" : ", ") + f[i];
  m.ok = true;
  return m;
}

}  // namespace k9::engine::testing
