// Pieces of the street tests: a scratch store folder and tiny extracts written
// with libosmium's writer.
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <osmium/builder/osm_object_builder.hpp>
#include <osmium/io/pbf_output.hpp>
#include <osmium/io/writer.hpp>
#include <osmium/memory/buffer.hpp>

namespace k9::streets::testing {

class ScratchFolder {
 public:
  ScratchFolder() {
    path_ = std::filesystem::temp_directory_path() /
            ("k9-streets-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string Path(const std::string& name = "") const { return (path_ / name).string(); }
  std::vector<std::string> Files() const {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(path_))
      out.push_back(e.path().filename().string());
    return out;
  }

 private:
  std::filesystem::path path_;
};

using Tags = std::vector<std::pair<const char*, const char*>>;

// Builds an extract in memory and writes it as .osm.pbf.
class TinyExtract {
 public:
  void Node(std::int64_t id, double lon, double lat, const Tags& tags = {}) {
    {
      osmium::builder::NodeBuilder b(buffer_);
      b.set_id(id).set_version(1).set_location(osmium::Location(lon, lat));
      b.set_user("");
      AddTags(b, tags);
    }
    buffer_.commit();
  }
  void Way(std::int64_t id, const std::vector<std::int64_t>& nodes, const Tags& tags) {
    {
      osmium::builder::WayBuilder b(buffer_);
      b.set_id(id).set_version(1);
      b.set_user("");
      {
        osmium::builder::WayNodeListBuilder wn(b);
        for (std::int64_t n : nodes) wn.add_node_ref(osmium::NodeRef(n));
      }
      AddTags(b, tags);
    }
    buffer_.commit();
  }
  void Write(const std::string& path) {
    osmium::io::Writer writer(osmium::io::File(path, "pbf"), osmium::io::overwrite::allow);
    writer(std::move(buffer_));
    writer.close();
    buffer_ = osmium::memory::Buffer(1 << 16, osmium::memory::Buffer::auto_grow::yes);
  }

 private:
  template <typename Builder>
  void AddTags(Builder& b, const Tags& tags) {
    if (tags.empty()) return;
    osmium::builder::TagListBuilder t(b);
    for (const auto& [k, v] : tags) t.add_tag(k, v);
  }
  osmium::memory::Buffer buffer_{1 << 16, osmium::memory::Buffer::auto_grow::yes};
};

}  // namespace k9::streets::testing
