#include "engine/reference_engine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <stdexcept>

#include "engine/import_manager.h"
#include "engine/search.h"
#include "platform/wildcard.h"
#include "streets/street_import.h"

namespace k9::engine {
namespace {

constexpr std::int32_t kCommandBackground = 0;
constexpr std::int32_t kCommandSeaColour = 2;
constexpr std::int32_t kCommandHighContrast = 61182;
constexpr std::int32_t kCommandStart = 49156;

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  const char last = folder.back();
  return (last == '/' || last == '\\') ? folder + name : folder + "/" + name;
}

std::string Extension(const std::string& path) {
  const auto dot = path.find_last_of('.');
  const auto sep = path.find_last_of("/\\");
  if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return "";
  return path.substr(dot + 1);
}

std::uint32_t OleToPixel(std::int32_t ole) {
  return OleColorToPixel(static_cast<std::uint32_t>(ole) & 0xFFFFFFu);
}
std::int32_t PixelToOle(std::uint32_t pixel) {
  return static_cast<std::int32_t>(PixelToOleColor(pixel));
}

// A small INI-style model that keeps the order of sections, keys and unknown lines,
// so saving the engine's settings leaves other entries (such as the server's
// Visible keys) as they were.
class IniText {
 public:
  explicit IniText(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      std::string line(text.substr(start, end - start));
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines_.push_back(std::move(line));
      start = end + 1;
    }
  }
  std::optional<std::string> Get(std::string_view section, std::string_view key) const {
    bool in = false;
    for (const auto& line : lines_) {
      if (IsSection(line)) {
        in = SameNameIgnoringCase(SectionName(line), section);
        continue;
      }
      const auto eq = line.find('=');
      if (in && eq != std::string::npos && SameNameIgnoringCase(Trim(line.substr(0, eq)), key))
        return std::string(Trim(line.substr(eq + 1)));
    }
    return std::nullopt;
  }
  void Set(std::string_view section, std::string_view key, const std::string& value) {
    bool in = false;
    std::size_t insert_at = lines_.size();
    bool found_section = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      const auto& line = lines_[i];
      if (IsSection(line)) {
        if (in) {
          insert_at = i;
          in = false;
        }
        if (SameNameIgnoringCase(SectionName(line), section)) {
          in = found_section = true;
          insert_at = i + 1;
        }
        continue;
      }
      const auto eq = line.find('=');
      if (in && eq != std::string::npos && SameNameIgnoringCase(Trim(line.substr(0, eq)), key)) {
        lines_[i] = std::string(key) + "=" + value;
        return;
      }
      if (in && !Trim(line).empty()) insert_at = i + 1;
    }
    if (!found_section) {
      if (!lines_.empty() && !Trim(lines_.back()).empty()) lines_.push_back("");
      lines_.push_back("[" + std::string(section) + "]");
      insert_at = lines_.size();
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert_at),
                  std::string(key) + "=" + value);
  }
  std::string Text() const {
    std::string out;
    for (const auto& line : lines_) out += line + "\r\n";
    return out;
  }

 private:
  static std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
  }
  static bool IsSection(std::string_view line) {
    line = Trim(line);
    return line.size() >= 2 && line.front() == '[' && line.back() == ']';
  }
  static std::string_view SectionName(std::string_view line) {
    line = Trim(line);
    return Trim(line.substr(1, line.size() - 2));
  }
  std::vector<std::string> lines_;
};

std::optional<bool> ParseBool(const std::optional<std::string>& v) {
  if (!v) return std::nullopt;
  if (SameNameIgnoringCase(*v, "TRUE") || *v == "1" || *v == "-1") return true;
  if (SameNameIgnoringCase(*v, "FALSE") || *v == "0") return false;
  return std::nullopt;
}

std::optional<double> ParseNumber(const std::optional<std::string>& v) {
  if (!v || v->empty()) return std::nullopt;
  char* end = nullptr;
  const double d = std::strtod(v->c_str(), &end);
  if (end == v->c_str() || *end != '\0' || !std::isfinite(d)) return std::nullopt;
  return d;
}

std::string BoolText(bool b) { return b ? "TRUE" : "FALSE"; }

// The reasons an overlay or underlay call fails, worded for the user who chose the file.
std::string Unreadable(const std::string& path) {
  return "The file \"" + path + "\" cannot be read.";
}
std::string Damaged(const char* kind, const std::string& path, const std::string& why) {
  return "The " + std::string(kind) + " file \"" + path + "\" cannot be used: " + why + ".";
}

std::string NumberText(double d) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.10g", d);
  return buf;
}

// Said on a map drawn without any base data, so the user does not take the
// empty sea for the map.
void DrawNoDataNotice(Canvas& canvas) {
  const std::string text = "No map data: check the map data folders";
  const double size = 14;
  const TextSize measured = canvas.MeasureText(text, size);
  const double x = std::max(4.0, (canvas.width() - measured.width) / 2);
  const double y = std::max(4.0, (canvas.height() - measured.height) / 2);
  const double pad = 6;
  canvas.FillRings({{{x - pad, y - pad},
                     {x + measured.width + pad, y - pad},
                     {x + measured.width + pad, y + measured.height + pad},
                     {x - pad, y + measured.height + pad}}},
                   0xFFFFFF, false);
  canvas.DrawText({x, y}, text, size, 0x000000);
  canvas.Flush();
}

struct CacheEntry {
  FileSystem* fs;
  std::vector<std::string> files;  // resolved path of each data file, "" when missing
  std::weak_ptr<const MapData> data;
};

std::mutex& CacheMutex() {
  static std::mutex m;
  return m;
}
std::vector<CacheEntry>& Cache() {
  static std::vector<CacheEntry> c;
  return c;
}

const char* const kDataFiles[] = {kWorldFile,        kStatesFile,    kCountiesFile,  kPlacesFile,
                                  kZipsFile,         kPhoneFile,     kRoadsFile,     kCitiesFile,
                                  kWorldBordersFile, kUsBordersFile, kWaterFiles[0], kWaterFiles[1],
                                  kWaterFiles[2],    kWaterFiles[3]};

std::vector<std::string> ResolveFiles(FileSystem& fs, const std::vector<std::string>& folders) {
  std::vector<std::string> out;
  for (const char* name : kDataFiles) {
    std::string found;
    for (const auto& folder : folders) {
      if (folder.empty()) continue;
      const std::string path = JoinPath(folder, name);
      if (fs.FileExists(path)) {
        found = path;
        break;
      }
    }
    out.push_back(found);
  }
  return out;
}

std::shared_ptr<MapData> ReadResolved(FileSystem& fs, const std::vector<std::string>& files) {
  auto data = std::make_shared<MapData>();
  auto read = [&](std::size_t index, std::string* bytes) {
    if (files[index].empty()) return false;
    if (!fs.ReadFile(files[index], bytes)) {
      data->errors.push_back(files[index] + ": cannot be read");
      return false;
    }
    return true;
  };
  auto fail = [&](std::size_t index, const std::string& why) {
    data->errors.push_back(files[index] + ": " + why);
  };
  std::string bytes, error;
  const struct {
    std::size_t index;
    PolygonLayer* layer;
    std::array<double, kLevels> tolerance;
    double cell;
  } layers[] = {{0, &data->world, {0, 0.08, 0.3}, 20},
                {1, &data->states, {0, 0.01, 0.04}, 5},
                {2, &data->counties, {0, 0.01, 0.04}, 2},
                {8, &data->world_borders, {0, 0.08, 0.3}, 10},
                {9, &data->us_borders, {0, 0.01, 0.04}, 2},
                // Water tiles are simplified for their band's scales: one level each.
                {10, &data->water[0], {0, 0, 0}, 45},
                {11, &data->water[1], {0, 0, 0}, 15},
                {12, &data->water[2], {0, 0, 0}, 4},
                {13, &data->water[3], {0, 0, 0}, 1}};
  for (const auto& l : layers) {
    l.layer->tolerance = l.tolerance;
    l.layer->cell = l.cell;
    if (read(l.index, &bytes) && !ParsePolygonLayer(bytes, l.layer, &error)) fail(l.index, error);
  }
  if (read(3, &bytes) && !ParsePlaces(bytes, &data->places, &error)) fail(3, error);
  if (read(4, &bytes) && !ParseZips(bytes, data->places.size(), &data->zips, &error))
    fail(4, error);
  if (read(5, &bytes) && !ParsePhone(bytes, data->places.size(), &data->phone, &error))
    fail(5, error);
  if (read(6, &bytes) && !ParseRoads(bytes, &data->roads, &error)) fail(6, error);
  if (read(7, &bytes) && !ParseCities(bytes, &data->cities, &data->countries, &error))
    fail(7, error);
  return data;
}

}  // namespace

std::shared_ptr<MapData> ReadMapData(FileSystem& fs, const std::vector<std::string>& folders) {
  return ReadResolved(fs, ResolveFiles(fs, folders));
}

std::shared_ptr<const MapData> LoadMapData(FileSystem& fs,
                                           const std::vector<std::string>& folders) {
  const auto files = ResolveFiles(fs, folders);
  std::lock_guard<std::mutex> lock(CacheMutex());
  auto& cache = Cache();
  cache.erase(std::remove_if(cache.begin(), cache.end(),
                             [](const CacheEntry& e) { return e.data.expired(); }),
              cache.end());
  for (const auto& e : cache) {
    if (e.fs == &fs && e.files == files) {
      if (auto data = e.data.lock()) return data;
    }
  }
  std::shared_ptr<const MapData> data = ReadResolved(fs, files);
  cache.push_back({&fs, files, data});
  return data;
}

ReferenceEngine::ReferenceEngine(FileSystem& fs, Dialogs* dialogs) : fs_(fs), dialogs_(dialogs) {
  view_.Fit(-125, 50, -66, 24);
}

void ReferenceEngine::SetStartValue(const std::string& name, const EngineValue& value) {
  start_values_[name] = value;
  const bool* b = std::get_if<bool>(&value);
  if (b == nullptr) return;
  if (SameNameIgnoringCase(name, "Shade_Mcd"))
    Shade_Mcd(*b);
  else if (SameNameIgnoringCase(name, "Shade_Plc"))
    Shade_Plc(*b);
  else if (SameNameIgnoringCase(name, "Shade_Cnty"))
    Shade_Cnty(*b);
  else if (SameNameIgnoringCase(name, "Shade_State"))
    Shade_State(*b);
  else if (SameNameIgnoringCase(name, "OneWayShow"))
    OneWayShow(*b);
  else if (SameNameIgnoringCase(name, "ZipCodesShown"))
    ZipCodesShown(*b);
}

std::optional<EngineValue> ReferenceEngine::StartValue(const std::string& name) const {
  const auto it = start_values_.find(name);
  if (it == start_values_.end()) return std::nullopt;
  return it->second;
}

void ReferenceEngine::SetViewCorners(double west, double north, double east, double south) {
  view_.Fit(west, north, east, south);
}
void ReferenceEngine::CentreView(double x, double y) { view_.Centre(x, y); }
void ReferenceEngine::ZoomLevel(std::int32_t level) { view_.SetLevel(level); }
void ReferenceEngine::ZoomInStep() { view_.ZoomBy(2.0); }
void ReferenceEngine::ZoomOutStep() { view_.ZoomBy(0.5); }

void ReferenceEngine::PanStep(std::int32_t direction) {
  if (!view_.Pan(direction))
    throw std::invalid_argument("unknown pan direction " + std::to_string(direction) +
                                " (use the keypad codes 1-4 and 6-9)");
}

void ReferenceEngine::ZoomToOverlay() {
  if (!overlay_ || overlay_->items.empty()) return;
  const Box& b = overlay_->box;
  // A margin of a tenth on every side, and a point overlay keeps the scale.
  const double mx = (b.east - b.west) / 10, my = (b.north - b.south) / 10;
  view_.Fit(b.west - mx, std::min(90.0, b.north + my), b.east + mx, std::max(-90.0, b.south - my));
}

void ReferenceEngine::SetMapSize(std::int32_t width, std::int32_t height) {
  view_.SetSize(width, height);
}

void ReferenceEngine::SetFolder(int index, const std::string& folder) {
  if (folders_[index] != folder) data_stale_ = true;
  folders_[index] = folder;
}

const MapData& ReferenceEngine::Data() {
  if (data_stale_ || !data_) {
    data_ = LoadMapData(fs_, std::vector<std::string>(std::begin(folders_), std::end(folders_)));
    data_stale_ = false;
    TellDataProblems();
  }
  return *data_;
}

streets::StreetStore& ReferenceEngine::Streets() {
  if (!streets_) streets_ = std::make_unique<streets::StreetStore>(streets::DefaultStoreFolder());
  streets_->Refresh();
  return *streets_;
}

std::vector<std::string> ReferenceEngine::DataProblems() {
  std::vector<std::string> problems;
  bool any_folder = false;
  for (const std::string& folder : folders_) {
    if (folder.empty()) continue;
    any_folder = true;
    // Several settings often name the same folder: it is named once.
    const std::string missing = "The map data folder \"" + folder + "\" does not exist.";
    if (!fs_.DirectoryExists(folder) &&
        std::find(problems.begin(), problems.end(), missing) == problems.end()) {
      problems.push_back(missing);
    }
  }
  const MapData& data = Data();
  const std::vector<std::string> files =
      ResolveFiles(fs_, std::vector<std::string>(std::begin(folders_), std::end(folders_)));
  if (std::all_of(files.begin(), files.end(), [](const std::string& f) { return f.empty(); })) {
    problems.push_back(any_folder ? "No map data file is in the map data folders."
                                  : "No map data folder is set.");
  }
  for (const std::string& error : data.errors) problems.push_back("Not usable: " + error + ".");
  return problems;
}

void ReferenceEngine::TellDataProblems() {
  // Until a folder is set the server's own data path setup speaks for the folders.
  const bool configured =
      std::any_of(std::begin(folders_), std::end(folders_), [](auto& f) { return !f.empty(); });
  std::vector<std::string> problems = configured ? DataProblems() : std::vector<std::string>();
  if (problems == told_problems_) return;
  told_problems_ = problems;
  if (problems.empty() || dialogs_ == nullptr) return;
  std::string text =
      "The map engine cannot use all of its map data; maps are drawn without what is missing:";
  for (const std::string& problem : problems) text += "\r\n" + problem;
  dialogs_->ShowMessage(text, kMapDataCaption, kMbOk | kMbIconInformation, 0);
}

void ReferenceEngine::PaintToDC(DeviceContext dc, std::int32_t x, std::int32_t y,
                                std::int32_t width, std::int32_t height, bool /*flag1*/,
                                bool /*flag2*/, bool monochrome) {
  if (width <= 0 || height <= 0) throw std::invalid_argument("nothing to paint: empty size");
  const MapData& data = Data();
  // The drawing takes the painted size; centre and scale stay.
  if (width != view_.width() || height != view_.height()) view_.SetSize(width, height);
  auto canvas = CreateCanvas(dc, x, y, width, height);
  if (!canvas) throw std::invalid_argument("the device context cannot be drawn into");
  if (events_) events_->PaintBefore(dc);
  RenderOptions opt = options_;
  opt.monochrome = monochrome;
  opt.overlay = overlay_visible_ ? overlay_.get() : nullptr;
  opt.underlay = underlay_visible_ ? underlay_.get() : nullptr;
  opt.streets = Streets().layer();
  if (events_) events_->DirectBefore(dc);
  Render(*canvas, view_, data, opt);
  if (data.world.features.empty() && data.states.features.empty()) DrawNoDataNotice(*canvas);
  canvas.reset();
  if (events_) events_->Direct(dc);
}

std::int32_t ReferenceEngine::LandColor() { return PixelToOle(options_.land); }
void ReferenceEngine::LandColor(std::int32_t colour) { options_.land = OleToPixel(colour); }

std::int32_t ReferenceEngine::EngineCommand(std::int32_t code, std::int32_t value) {
  switch (code) {
    case kCommandBackground:
      return PixelToOle(options_.sea);
    case kCommandSeaColour: {
      const std::int32_t before = PixelToOle(options_.sea);
      options_.sea = OleToPixel(value);
      return before;
    }
    case kCommandHighContrast:
      options_.high_contrast = value != 0;
      return 0;
    case kCommandStart:
      return 0;
    default:
      throw std::invalid_argument("unknown engine command " + std::to_string(code));
  }
}

void ReferenceEngine::LoadOverlay(const std::string& path) {
  overlay_.reset();
  overlay_file_.clear();
  if (path.empty()) return;
  std::string text, error;
  if (!fs_.ReadFile(path, &text)) throw std::runtime_error(Unreadable(path));
  auto overlay = std::make_unique<Overlay>();
  if (!ParseOverlay(text, Extension(path), overlay.get(), &error))
    throw std::runtime_error(Damaged("overlay", path, error));
  overlay_ = std::move(overlay);
  overlay_file_ = path;
}

void ReferenceEngine::UnderlayFile(const std::string& path) {
  underlay_.reset();
  underlay_file_.clear();
  if (path.empty()) return;
  std::string bytes, companion, error;
  auto underlay = std::make_unique<Underlay>();
  if (!fs_.ReadFile(CompanionPath(path), &companion))
    throw std::runtime_error(Unreadable(CompanionPath(path)));
  if (!ParseCompanion(companion, underlay.get(), &error))
    throw std::runtime_error(Damaged("underlay", CompanionPath(path), error));
  if (!fs_.ReadFile(path, &bytes)) throw std::runtime_error(Unreadable(path));
  if (!DecodeImage(bytes, &underlay->image, &error))
    throw std::runtime_error(Damaged("underlay", path, error));
  underlay_ = std::move(underlay);
  underlay_file_ = path;
}

void ReferenceEngine::LoadConfig(const std::string& path) {
  std::string text;
  if (!fs_.ReadFile(path, &text)) return;  // no file yet: the defaults stand
  const IniText ini(text);
  auto flag = [&](const char* section, const char* key, auto setter) {
    if (auto b = ParseBool(ini.Get(section, key))) setter(*b);
  };
  flag("Visible", "OVER", [&](bool b) { overlay_visible_ = b; });
  flag("Visible", "UNDER", [&](bool b) { underlay_visible_ = b; });
  flag("Options", "ShadeStates", [&](bool b) { options_.shade_states = b; });
  flag("Options", "ShadeCounties", [&](bool b) { options_.shade_counties = b; });
  flag("Options", "ShadePlaces", [&](bool b) { options_.shade_places = b; });
  flag("Options", "ShadeMcd", [&](bool b) { shade_mcd_ = b; });
  flag("Options", "OneWay", [&](bool b) { options_.one_way = b; });
  flag("Options", "ZipCodes", [&](bool b) { options_.zip_codes = b; });
  flag("Options", "HighContrast", [&](bool b) { options_.high_contrast = b; });
  if (auto v = ParseNumber(ini.Get("Options", "LandColor")))
    options_.land = OleToPixel(static_cast<std::int32_t>(*v));
  if (auto v = ParseNumber(ini.Get("Options", "SeaColor")))
    options_.sea = OleToPixel(static_cast<std::int32_t>(*v));
  const char* path_keys[] = {"States", "StatesEx", "Data1", "Data2", "Data3", "Data4"};
  for (int i = 0; i < 6; ++i)
    if (auto v = ini.Get("Paths", path_keys[i])) SetFolder(i, *v);
  const auto cx = ParseNumber(ini.Get("View", "CentreX"));
  const auto cy = ParseNumber(ini.Get("View", "CentreY"));
  const auto scale = ParseNumber(ini.Get("View", "Scale"));
  if (cx && cy && scale && *scale > 0) {
    try {
      view_.Centre(*cx, *cy);
      view_.ZoomBy(view_.degrees_per_pixel() / *scale);
    } catch (const std::invalid_argument&) {
      // A damaged saved view is ignored; the current view stays.
    }
  }
}

void ReferenceEngine::SaveConfig(const std::string& path) {
  std::string text;
  fs_.ReadFile(path, &text);
  IniText ini(text);
  ini.Set("Visible", "OVER", BoolText(overlay_visible_));
  ini.Set("Visible", "UNDER", BoolText(underlay_visible_));
  ini.Set("Options", "ShadeStates", BoolText(options_.shade_states));
  ini.Set("Options", "ShadeCounties", BoolText(options_.shade_counties));
  ini.Set("Options", "ShadePlaces", BoolText(options_.shade_places));
  ini.Set("Options", "ShadeMcd", BoolText(shade_mcd_));
  ini.Set("Options", "OneWay", BoolText(options_.one_way));
  ini.Set("Options", "ZipCodes", BoolText(options_.zip_codes));
  ini.Set("Options", "HighContrast", BoolText(options_.high_contrast));
  ini.Set("Options", "LandColor", std::to_string(PixelToOle(options_.land)));
  ini.Set("Options", "SeaColor", std::to_string(PixelToOle(options_.sea)));
  const char* path_keys[] = {"States", "StatesEx", "Data1", "Data2", "Data3", "Data4"};
  for (int i = 0; i < 6; ++i) ini.Set("Paths", path_keys[i], folders_[i]);
  const auto save_view = Member(kMemberSaveView);
  const bool* keep = save_view ? std::get_if<bool>(&*save_view) : nullptr;
  if (keep != nullptr && *keep) {
    ini.Set("View", "CentreX", NumberText(view_.centre_x()));
    ini.Set("View", "CentreY", NumberText(view_.centre_y()));
    ini.Set("View", "Scale", NumberText(view_.degrees_per_pixel()));
  }
  // A file that already says all this is left alone: nothing is lost, and a
  // full disk or a read-only file then fails no start.
  const std::string updated = ini.Text();
  if (updated == text && fs_.FileExists(path)) return;
  // The description names the file as it is on disk, with the reason.
  if (const FileResult written = fs_.WriteFileAtomic(path, updated); !written)
    throw std::runtime_error(DescribeFileProblem(written));
}

void ReferenceEngine::Refresh() {
  // Settings apply at once and every paint draws afresh; the data is re-read here
  // when a folder changed, so a bad folder shows at once in DataErrors().
  Data();
}

std::int32_t ReferenceEngine::FindAddress(const std::string& text) {
  const auto records = FindAddressRecords(Data(), &Streets(), text);
  for (const auto& record : records) {
    found_text_ = record;
    if (events_) events_->FoundItem();
  }
  return static_cast<std::int32_t>(records.size());
}

std::int32_t ReferenceEngine::FindPhone(const std::string& text) {
  found_place_text_ = FindPhoneAnswer(Data(), text);
  if (found_place_text_.empty()) return 0;
  if (events_) events_->FoundPlace();
  return 1;
}

void ReferenceEngine::AboutBox() {
  if (dialogs_ == nullptr) return;
  dialogs_->ShowMessage(
      "Kestrel9 reference map engine\r\n\r\n"
      "Boundaries: U.S. Census Bureau cartographic boundary files (public domain).\r\n"
      "World: Natural Earth (public domain).\r\n"
      "Coasts, lakes and rivers: GSHHG and WDBII (GNU LGPL 3).\r\n"
      "Populated places from GeoNames (geonames.org), licensed under CC BY 4.0.\r\n"
      "ZIP codes: the ZIP code table of the npm package zipcodes.\r\n"
      "Telephone prefixes: libphonenumber geocoding data (Apache License 2.0).\r\n"
      "Streets and addresses: \xA9 OpenStreetMap contributors (Open Database Licence), "
      "from the extracts you imported.",
      "About the map engine", kMbOk | kMbIconInformation, 0);
}

std::unique_ptr<EngineImportManager> ReferenceEngine::ImportManager() {
  return MakeImportManager(dialogs_);
}

void ReferenceEngine::PutMember(std::int32_t dispid, const EngineValue& value) {
  switch (dispid) {
    case 138:
    case 149:
    case 165:
    case 166:
    case 167:
    case 185:
      members_[dispid] = value;
      return;
    default:
      throw std::invalid_argument("unknown engine member " + std::to_string(dispid));
  }
}

void ReferenceEngine::CallMember(std::int32_t dispid) {
  if (dispid == 698 || dispid == 91) return;
  throw std::invalid_argument("unknown engine method " + std::to_string(dispid));
}

std::optional<EngineValue> ReferenceEngine::Member(std::int32_t dispid) const {
  const auto it = members_.find(dispid);
  if (it == members_.end()) return std::nullopt;
  return it->second;
}

EngineFactory MakeReferenceEngineFactory(const Ports& ports) {
  return [ports](const std::string& prog_id) -> std::unique_ptr<MapEngine> {
    if (!SameNameIgnoringCase(prog_id, kEngineProgId)) return nullptr;
    return std::make_unique<ReferenceEngine>(*ports.fs, ports.dialogs);
  };
}

}  // namespace k9::engine
