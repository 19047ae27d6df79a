// A KMZ is a zip archive around a KML. The archive's central directory is read
// here and the chosen entry inflated with zlib; only stored and deflated entries
// of an unencrypted, single-part archive are taken, as every KMZ writer makes them.
#include <zlib.h>

#include <cstdint>

#include "overlay_import/readers.h"

namespace k9::overlay_import {
namespace {

// A KML inflated beyond this is refused rather than exhausting memory.
constexpr std::uint64_t kMaxInflated = std::uint64_t{512} << 20;

std::uint32_t U16(std::string_view b, std::size_t at) {
  return static_cast<std::uint8_t>(b[at]) |
         (static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 1])) << 8);
}
std::uint32_t U32(std::string_view b, std::size_t at) {
  return U16(b, at) | (U16(b, at + 2) << 16);
}

struct Entry {
  std::string name;
  std::uint32_t method = 0, flags = 0, crc = 0;
  std::uint64_t packed = 0, size = 0, local = 0;
};

bool EndsWithKml(const std::string& name) {
  if (name.size() < 4) return false;
  std::string ext = name.substr(name.size() - 4);
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return ext == ".kml";
}

bool Directory(std::string_view zip, std::vector<Entry>* entries, std::string* error) {
  // The end record is in the last 64 KB + 22 bytes (its comment is at most 64 KB).
  const std::size_t lowest = zip.size() > 65557 ? zip.size() - 65557 : 0;
  std::size_t end = std::string_view::npos;
  for (std::size_t at = zip.size() >= 22 ? zip.size() - 22 : 0; zip.size() >= 22; --at) {
    if (U32(zip, at) == 0x06054b50) {
      end = at;
      break;
    }
    if (at == lowest) break;
  }
  if (end == std::string_view::npos) {
    *error = "it is not a KMZ file (it is not a zip archive)";
    return false;
  }
  const std::uint32_t count = U16(zip, end + 10);
  const std::uint64_t dir_size = U32(zip, end + 12), dir_at = U32(zip, end + 16);
  if (U16(zip, end + 4) != 0 || count == 0xFFFF || dir_at == 0xFFFFFFFF ||
      dir_at + dir_size > end) {
    *error = "its zip archive is damaged or split into parts";
    return false;
  }
  std::size_t at = dir_at;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (at + 46 > end || U32(zip, at) != 0x02014b50) {
      *error = "its zip archive's list of files is damaged";
      return false;
    }
    Entry e;
    e.flags = U16(zip, at + 8);
    e.method = U16(zip, at + 10);
    e.crc = U32(zip, at + 16);
    e.packed = U32(zip, at + 20);
    e.size = U32(zip, at + 24);
    const std::size_t name_len = U16(zip, at + 28), extra = U16(zip, at + 30),
                      comment = U16(zip, at + 32);
    e.local = U32(zip, at + 42);
    if (at + 46 + name_len + extra + comment > end) {
      *error = "its zip archive's list of files is damaged";
      return false;
    }
    e.name = std::string(zip.substr(at + 46, name_len));
    at += 46 + name_len + extra + comment;
    entries->push_back(std::move(e));
  }
  return true;
}

bool Extract(std::string_view zip, const Entry& e, std::string* out, std::string* error) {
  const std::string damaged = "the " + e.name + " inside it is damaged";
  if ((e.flags & 1) != 0) {
    *error = "the " + e.name + " inside it is encrypted";
    return false;
  }
  if (e.packed == 0xFFFFFFFF || e.size == 0xFFFFFFFF || e.size > kMaxInflated) {
    *error = "the " + e.name + " inside it is too large";
    return false;
  }
  if (e.local + 30 > zip.size() || U32(zip, e.local) != 0x04034b50) {
    *error = damaged;
    return false;
  }
  const std::uint64_t data = e.local + 30 + U16(zip, e.local + 26) + U16(zip, e.local + 28);
  if (data + e.packed > zip.size()) {
    *error = damaged;
    return false;
  }
  const std::string_view packed = zip.substr(data, e.packed);
  if (e.method == 0) {
    if (e.packed != e.size) {
      *error = damaged;
      return false;
    }
    out->assign(packed);
  } else if (e.method == 8) {
    out->assign(e.size, '\0');
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) {
      *error = "not enough memory to read the file";
      return false;
    }
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = static_cast<uInt>(packed.size());
    z.next_out = reinterpret_cast<Bytef*>(out->data());
    z.avail_out = static_cast<uInt>(out->size());
    const int status = inflate(&z, Z_FINISH);
    const bool whole = status == Z_STREAM_END && z.total_out == e.size;
    inflateEnd(&z);
    if (!whole) {
      *error = damaged;
      return false;
    }
  } else {
    *error = "the " + e.name + " inside it is compressed in a way that cannot be read";
    return false;
  }
  const uLong crc =
      crc32(0, reinterpret_cast<const Bytef*>(out->data()), static_cast<uInt>(out->size()));
  if (crc != e.crc) {
    *error = damaged;
    return false;
  }
  return true;
}

}  // namespace

bool ReadKmz(std::string_view bytes, Imported* out, std::string* error) {
  std::vector<Entry> entries;
  if (!Directory(bytes, &entries, error)) return false;
  const Entry* chosen = nullptr;
  for (const Entry& e : entries) {
    std::string lower = e.name;
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (lower == "doc.kml") {
      chosen = &e;
      break;
    }
    if (chosen == nullptr && EndsWithKml(e.name)) chosen = &e;
  }
  if (chosen == nullptr) {
    *error = "its archive holds no KML file";
    return false;
  }
  std::string kml;
  if (!Extract(bytes, *chosen, &kml, error)) return false;
  if (!ReadKml(kml, out, error)) {
    *error = "in " + chosen->name + ": " + *error;
    return false;
  }
  return true;
}

}  // namespace k9::overlay_import
