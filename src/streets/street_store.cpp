#include "streets/street_store.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "common/text.h"
#include "streets/street_import.h"
#include "platform/file_system.h"
#include "platform/wildcard.h"

namespace k9::streets {
namespace fs = std::filesystem;

namespace {

// Long form (upper case) to the abbreviation a match shows and keys compare.
const std::pair<const char*, const char*> kAbbreviations[] = {
    {"STREET", "ST"},    {"SAINT", "ST"},       {"AVENUE", "AVE"},    {"AV", "AVE"},
    {"ROAD", "RD"},      {"BOULEVARD", "BLVD"}, {"DRIVE", "DR"},      {"LANE", "LN"},
    {"PLACE", "PL"},     {"COURT", "CT"},       {"TERRACE", "TER"},   {"PARKWAY", "PKWY"},
    {"HIGHWAY", "HWY"},  {"CIRCLE", "CIR"},     {"SQUARE", "SQ"},     {"EXPRESSWAY", "EXPY"},
    {"FREEWAY", "FWY"},  {"ALLEY", "ALY"},      {"TRAIL", "TRL"},     {"MOUNT", "MT"},
    {"FORT", "FT"},      {"TURNPIKE", "TPKE"},  {"CRESCENT", "CRES"}, {"HEIGHTS", "HTS"},
    {"POINT", "PT"},     {"EAST", "E"},         {"WEST", "W"},        {"NORTH", "N"},
    {"SOUTH", "S"},      {"NORTHEAST", "NE"},   {"NORTHWEST", "NW"},  {"SOUTHEAST", "SE"},
    {"SOUTHWEST", "SW"}, {"CENTER", "CTR"},     {"PLAZA", "PLZ"},     {"EXTENSION", "EXT"},
};

bool IsDirection(std::string_view w) {
  return w == "E" || w == "W" || w == "N" || w == "S" || w == "NE" || w == "NW" || w == "SE" ||
         w == "SW";
}

std::vector<std::string> Words(std::string_view name) {
  std::vector<std::string> words;
  std::string word;
  for (char c : name) {
    if (c == ' ' || c == '.' || c == ',' || c == '\t') {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

std::string Canonical(const std::string& upper) {
  for (const auto& [long_form, short_form] : kAbbreviations)
    if (upper == long_form) return short_form;
  return upper;
}

std::string Trimmed(std::string_view s) { return Trim(s); }

bool HasWildcard(std::string_view s) { return s.find_first_of("*?") != std::string_view::npos; }

std::string Coordinates(double x, double y) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.5f,%.5f", x, y);
  return buf;
}

std::uint32_t NumberOf(std::string_view s) {
  std::uint64_t n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') break;
    n = std::min<std::uint64_t>(n * 10 + static_cast<std::uint64_t>(c - '0'), 1u << 30);
  }
  return static_cast<std::uint32_t>(n);
}

double Metres(GeoPoint a, GeoPoint b) {
  const double coslat = std::cos((a.y + b.y) / 2 * 3.14159265358979 / 180);
  const double dx = (a.x - b.x) * coslat * 111320, dy = (a.y - b.y) * 110540;
  return std::sqrt(dx * dx + dy * dy);
}

GeoPoint Between(GeoPoint a, GeoPoint b, double t) {
  return {static_cast<float>(a.x + (b.x - a.x) * t), static_cast<float>(a.y + (b.y - a.y) * t)};
}

GeoPoint AlongLine(const std::vector<GeoPoint>& points, double fraction) {
  double total = 0;
  for (std::size_t i = 1; i < points.size(); ++i) total += Metres(points[i - 1], points[i]);
  double want = std::clamp(fraction, 0.0, 1.0) * total;
  for (std::size_t i = 1; i < points.size(); ++i) {
    const double d = Metres(points[i - 1], points[i]);
    if (want <= d && d > 0) return Between(points[i - 1], points[i], want / d);
    want -= d;
  }
  return points.back();
}

bool TextMatches(const std::string& pattern, const std::string& upper) {
  if (pattern.empty()) return true;
  return HasWildcard(pattern) ? MatchesWildcard(pattern, upper) : pattern == upper;
}

}  // namespace

std::string StreetKey(std::string_view name) {
  std::string key;
  for (const std::string& w : Words(ToUpper(name))) {
    if (!key.empty()) key += ' ';
    key += HasWildcard(w) ? w : Canonical(w);
  }
  return key;
}

std::string StreetKeyWithoutDirection(const std::string& key) {
  std::vector<std::string> words = Words(key);
  if (words.size() > 1 && IsDirection(words.front())) words.erase(words.begin());
  if (words.size() > 1 && IsDirection(words.back())) words.pop_back();
  std::string out;
  for (const std::string& w : words) out += (out.empty() ? "" : " ") + w;
  return out;
}

std::string AbbreviatedName(std::string_view name) {
  std::string out;
  for (const std::string& w : Words(name)) {
    const std::string upper = ToUpper(w);
    const std::string canonical = Canonical(upper);
    std::string shown = w;
    if (canonical != upper) shown = canonical.substr(0, 1) + ToLower(canonical.substr(1));
    out += (out.empty() ? "" : " ") + shown;
  }
  return out;
}

bool ParseStreetQuery(std::string_view text, StreetQuery* q) {
  std::vector<std::string> parts;
  for (const std::string& p : Split(text, ',')) {
    std::string t = Trimmed(p);
    if (!t.empty()) parts.push_back(std::move(t));
  }
  *q = StreetQuery{};
  auto is_zip = [](const std::string& s) {
    bool digit = false;
    for (char c : s) {
      if (c >= '0' && c <= '9')
        digit = true;
      else if (c != '*' && c != '?' && c != '-')
        return false;
    }
    return digit && s.size() <= 10;
  };
  auto is_state = [](const std::string& s) {
    return s.size() == 2 && std::isalpha(static_cast<unsigned char>(s[0])) &&
           std::isalpha(static_cast<unsigned char>(s[1]));
  };
  if (parts.size() > 1 && is_zip(parts.back())) {
    q->zip = parts.back().substr(0, 5);
    parts.pop_back();
    q->place_given = true;
  }
  if (parts.size() > 1 && is_state(parts.back())) {
    q->state = ToUpper(parts.back());
    parts.pop_back();
    q->place_given = true;
  }
  if (parts.empty()) return false;
  if (parts.size() > 1) {
    q->place = ToUpper(parts.back());
    q->place_given = true;
  }
  std::string street = parts.front();
  // "1407 Fleet Street": a leading word that starts with a digit is the number.
  if (!street.empty() && std::isdigit(static_cast<unsigned char>(street[0]))) {
    const auto space = street.find(' ');
    if (space == std::string::npos) return false;  // a ZIP or a number alone
    q->number = street.substr(0, space);
    street = Trimmed(street.substr(space + 1));
  }
  if (street.empty()) return false;
  q->street = street;
  return true;
}

std::string DefaultStoreFolder() {
  if (const char* own = std::getenv("KESTREL9_STREETS"); own != nullptr && *own != '\0') return own;
#ifdef _WIN32
  if (const char* local = std::getenv("LOCALAPPDATA"); local != nullptr && *local != '\0')
    return (fs::path(local) / "Kestrel9" / "Streets").string();
  if (const char* profile = std::getenv("USERPROFILE"); profile != nullptr && *profile != '\0')
    return (fs::path(profile) / "AppData" / "Local" / "Kestrel9" / "Streets").string();
  return "Kestrel9\\Streets";
#else
  if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data != '\0')
    return (fs::path(data) / "kestrel9" / "streets").string();
  const char* home = std::getenv("HOME");
  return (fs::path(home != nullptr ? home : ".") / ".local" / "share" / "kestrel9" / "streets")
      .string();
#endif
}

StreetStore::StreetStore(std::string folder) : folder_(std::move(folder)) {}

bool StreetStore::Refresh() {
  // The folder's data sets by name, size and time: what an import or removal changes.
  std::vector<std::string> entries;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder_, ec)) {
    const fs::path& p = entry.path();
    if (p.extension() != kDataSetExtension) continue;
    const std::string name = p.filename().string();
    if (name.empty() || name.front() == '.') continue;
    std::error_code e2;
    const auto size = entry.file_size(e2);
    const auto time = entry.last_write_time(e2).time_since_epoch().count();
    entries.push_back(name + "\t" + std::to_string(size) + "\t" + std::to_string(time));
  }
  std::sort(entries.begin(), entries.end());
  std::string signature;
  for (const std::string& e : entries) signature += e + "\n";
  if (looked_ && signature == signature_) return false;
  // Temporaries of an import that was killed go once the store is read again.
  if (!looked_ && fs::is_directory(folder_, ec))
    FileSystem::Default().RemoveStaleTemporaryFiles(folder_);
  looked_ = true;
  signature_ = signature;
  sets_.clear();
  errors_.clear();
  for (const std::string& e : entries) {
    const std::string name = e.substr(0, e.find('\t'));
    std::string error;
    auto set = DataSet::Open((fs::path(folder_) / name).string(), &error);
    if (set)
      sets_.push_back(std::move(set));
    else
      errors_.push_back("the street data " + name + " cannot be used: " + error);
  }
  layer_ = sets_.empty() ? nullptr : std::make_unique<DataSetLayer>(sets_);
  Index();
  return true;
}

void StreetStore::Index() {
  indices_.clear();
  for (const auto& set : sets_) {
    SetIndex index;
    std::unordered_map<std::uint32_t, std::string> keys;  // string index -> key
    auto key_of = [&](std::uint32_t s) -> const std::string& {
      auto found = keys.find(s);
      if (found == keys.end()) found = keys.emplace(s, StreetKey(set->String(s))).first;
      return found->second;
    };
    for (std::uint32_t i = 0; i < set->addresses().size(); ++i)
      index.by_key[key_of(set->addresses()[i].street)].addresses.push_back(i);
    for (std::uint32_t i = 0; i < set->interpolations().size(); ++i)
      index.by_key[key_of(set->interpolations()[i].street)].interpolations.push_back(i);
    for (std::uint32_t i = 0; i < set->named_streets().size(); ++i)
      index.by_key[key_of(set->named_streets()[i].name)].names.push_back(i);
    for (const auto& [key, entry] : index.by_key)
      index.by_stripped[StreetKeyWithoutDirection(key)].push_back(key);
    indices_.push_back(std::move(index));
  }
}

std::vector<std::string> StreetStore::Find(const StreetQuery& q, const PlaceFiller& fill,
                                           std::size_t limit) const {
  const std::string key = StreetKey(q.street);
  const bool wild = HasWildcard(key);
  std::vector<std::string> exact, interpolated, streets;
  std::set<std::string> seen;
  const std::uint32_t wanted = NumberOf(q.number);
  const std::string wanted_upper = ToUpper(q.number);

  for (std::size_t s = 0; s < sets_.size(); ++s) {
    const DataSet& set = *sets_[s];
    const SetIndex& index = indices_[s];
    std::vector<const Entry*> entries;
    if (wild) {
      for (const auto& [k, entry] : index.by_key)
        if (MatchesWildcard(key, k)) entries.push_back(&entry);
    } else if (auto found = index.by_key.find(key); found != index.by_key.end()) {
      entries.push_back(&found->second);
    } else if (auto loose = index.by_stripped.find(StreetKeyWithoutDirection(key));
               loose != index.by_stripped.end()) {
      // "Fleet Street" for "East Fleet Street": the direction may be left out.
      for (const std::string& k : loose->second) entries.push_back(&index.by_key.at(k));
    }
    // Whether an object of these fields at `pos` is in the place, state and ZIP
    // asked for; fills in what it lacks from the engine's tables.
    auto place_of = [&](std::uint32_t city, std::uint32_t zip, std::uint32_t state, GeoPoint pos,
                        std::string* record_tail, const std::string& street,
                        const std::string& number) {
      PlaceFill f;
      bool filled = false;
      auto get_fill = [&]() -> const PlaceFill& {
        if (!filled && fill) f = fill(pos);
        filled = true;
        return f;
      };
      const std::string own_city = city == kNoString ? "" : ToUpper(set.String(city));
      std::string own_zip = zip == kNoString ? "" : set.String(zip).substr(0, 5);
      const std::string own_state = state == kNoString ? "" : ToUpper(set.String(state));
      if (!q.place.empty() && !TextMatches(q.place, own_city) &&
          !TextMatches(q.place, get_fill().place))
        return false;
      if (!q.zip.empty() &&
          !TextMatches(q.zip, own_zip.empty() ? get_fill().zip.substr(0, 5) : own_zip))
        return false;
      if (!q.state.empty() && q.state != own_state && q.state != get_fill().state) return false;
      const PlaceFill& g = get_fill();
      *record_tail = AbbreviatedName(street) + "\t" + (own_city.empty() ? g.place : own_city) +
                     "\t" + number + "\t" + (own_state.empty() ? g.state : own_state) + "\t" +
                     (own_zip.empty() ? g.zip : own_zip) + "\t" + g.county + "\t" +
                     Coordinates(pos.x, pos.y);
      return true;
    };
    auto add = [&](std::vector<std::string>& to, std::string record) {
      if (seen.insert(record).second) to.push_back(std::move(record));
    };

    for (const Entry* entry : entries) {
      if (!q.number.empty()) {
        // The address itself.
        for (std::uint32_t i : entry->addresses) {
          const AddressPoint& a = set.addresses()[i];
          if (ToUpper(set.String(a.number)) != wanted_upper) continue;
          std::string record;
          if (place_of(a.city, a.zip, a.state, a.pos, &record, set.String(a.street),
                       set.String(a.number)))
            add(exact, record);
        }
        if (wanted == 0) continue;
        // On an interpolation way.
        for (std::uint32_t i : entry->interpolations) {
          const InterpolationWay& w = set.interpolations()[i];
          const std::uint32_t lo = std::min(w.first_number, w.last_number);
          const std::uint32_t hi = std::max(w.first_number, w.last_number);
          if (wanted < lo || wanted > hi) continue;
          if ((w.kind == Interpolation::kOdd && wanted % 2 == 0) ||
              (w.kind == Interpolation::kEven && wanted % 2 == 1))
            continue;
          const double t = (static_cast<double>(wanted) - w.first_number) /
                           (static_cast<double>(w.last_number) - w.first_number);
          const GeoPoint pos = AlongLine(w.points, t);
          std::string record;
          if (place_of(w.city, w.zip, w.state, pos, &record, set.String(w.street), q.number))
            add(interpolated, record);
        }
        // Between the nearest known numbers below and above on the same side.
        const AddressPoint* below = nullptr;
        const AddressPoint* above = nullptr;
        std::uint32_t below_n = 0, above_n = 0;
        for (std::uint32_t i : entry->addresses) {
          const AddressPoint& a = set.addresses()[i];
          const std::uint32_t n = NumberOf(set.String(a.number));
          if (n == 0 || n % 2 != wanted % 2 || n == wanted) continue;
          if (n < wanted && (below == nullptr || n > below_n)) below = &a, below_n = n;
          if (n > wanted && (above == nullptr || n < above_n)) above = &a, above_n = n;
        }
        // Numbers far apart on the map are on different stretches of the street.
        if (below != nullptr && above != nullptr && Metres(below->pos, above->pos) < 1500) {
          const GeoPoint pos = Between(below->pos, above->pos,
                                       static_cast<double>(wanted - below_n) / (above_n - below_n));
          std::string record;
          if (place_of(below->city, below->zip, below->state, pos, &record,
                       set.String(below->street), q.number))
            add(interpolated, record);
        }
      }
    }
    // The street itself: asked for without a number, or for a number nobody has.
    if (!exact.empty() || !interpolated.empty()) continue;
    for (const Entry* entry : entries) {
      for (std::uint32_t i : entry->names) {
        const NamedStreet& n = set.named_streets()[i];
        std::string record;
        if (place_of(kNoString, kNoString, kNoString, n.middle, &record, set.String(n.name), ""))
          add(streets, record);
      }
    }
  }
  std::vector<std::string> out = !exact.empty() ? exact : interpolated;
  if (out.empty()) out = streets;
  if (out.size() > limit) out.resize(limit);
  return out;
}

}  // namespace k9::streets
