#include "overlay_import/overlay_import.h"

#include <charconv>

#include "common/text.h"
#include "overlay_import/readers.h"

namespace k9::overlay_import {
namespace {

constexpr char kProgId[] = "Kestrel9.clsMapServ";
constexpr char kOverlayFolderName[] = "Strato Overlays";
// As many as the engine reads from one overlay file.
constexpr std::size_t kMaxOverlayItems = 1'000'000;

std::string Extension(const std::string& path) {
  const std::string name = FileNameOf(path);
  const auto dot = name.rfind('.');
  return dot == std::string::npos ? "" : ToLower(name.substr(dot + 1));
}

// Seven decimals: a centimetre, finer than any of these formats' sources.
void AppendCoordinate(std::string* out, double v) {
  char buf[32];
  auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 7);
  char* end = res.ptr;
  while (end > buf && end[-1] == '0') --end;
  if (end > buf && end[-1] == '.') --end;
  std::string_view text(buf, static_cast<std::size_t>(end - buf));
  if (text == "-0") text = "0";
  out->append(text);
}

void AppendPoints(std::string* out, const std::vector<LonLat>& points) {
  for (const LonLat& p : points) {
    *out += ' ';
    AppendCoordinate(out, p.lon);
    *out += ',';
    AppendCoordinate(out, p.lat);
  }
}

std::string Rgb(std::uint32_t c) {
  return std::to_string((c >> 16) & 0xFF) + "," + std::to_string((c >> 8) & 0xFF) + "," +
         std::to_string(c & 0xFF);
}

std::string RegistryText(Registry& registry, const std::string& key) {
  const auto value = registry.QueryValue(RegRoot::kClassesRoot, key, "");
  if (!value || (value->type != kRegSz && value->type != kRegExpandSz)) return "";
  std::string text = value->data;
  const auto nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return text;
}

}  // namespace

std::string WriteOvr(const Imported& overlay, const std::vector<std::string>& comment) {
  std::string out;
  for (const std::string& line : comment) out += "; " + line + "\n";
  out += "K9OVR 1\n";
  std::string pen, brush;
  for (const Item& item : overlay.items) {
    std::string width = FormatNumber(item.width);
    const std::string want_pen = "PEN " + Rgb(item.pen) + "," + width + "\n";
    if (want_pen != pen) out += pen = want_pen;
    if (item.kind == Item::Kind::kArea) {
      const std::string want_brush = "BRUSH " + Rgb(item.fill) + "\n";
      if (want_brush != brush) out += brush = want_brush;
    }
    switch (item.kind) {
      case Item::Kind::kLine:
        out += "LINE";
        AppendPoints(&out, item.points);
        break;
      case Item::Kind::kArea:
        out += "AREA";
        AppendPoints(&out, item.points);
        for (const auto& hole : item.holes) {
          out += "\nHOLE";
          AppendPoints(&out, hole);
        }
        break;
      case Item::Kind::kPoint:
        out += "POINT";
        AppendPoints(&out, item.points);
        if (!item.label.empty()) out += " " + item.label;
        break;
    }
    out += "\n";
  }
  return ToCrlf(out);
}

bool IsOverlaySource(const std::string& path) {
  const std::string ext = Extension(path);
  return ext == "gpx" || ext == "kml" || ext == "kmz" || ext == "geojson" || ext == "json";
}

OverlayImportOutcome ImportOverlayFile(FileSystem& fs, const std::string& source,
                                       const std::string& overlay_folder, bool replace) {
  OverlayImportOutcome outcome;
  const std::string name = FileNameOf(source);
  const std::string overlay_name = BaseNameOf(name) + ".OVR";
  outcome.overlay_path = JoinPath(overlay_folder, overlay_name);
  auto refuse = [&](const std::string& why) {
    outcome.status = OverlayImportOutcome::Status::kFailed;
    outcome.message = name + " cannot be imported: " + why + ".";
    return outcome;
  };
  const std::string ext = Extension(source);
  if (!IsOverlaySource(source))
    return refuse("overlays are imported from .gpx, .kml, .kmz, .geojson and .json files");
  if (overlay_folder.empty()) return refuse("the server's overlay folder is not known");
  std::string bytes;
  if (!fs.FileExists(source) || !fs.ReadFile(source, &bytes))
    return refuse("the file cannot be read");
  if (bytes.empty()) return refuse("the file is empty");
  Imported overlay;
  std::string why;
  const bool read = ext == "gpx"   ? ReadGpx(bytes, &overlay, &why)
                    : ext == "kml" ? ReadKml(bytes, &overlay, &why)
                    : ext == "kmz" ? ReadKmz(bytes, &overlay, &why)
                                   : ReadGeoJson(bytes, &overlay, &why);
  if (!read) return refuse(why);
  if (overlay.items.size() > kMaxOverlayItems)
    return refuse("it holds " + detail::Count(overlay.items.size()) +
                  " items, more than an overlay can hold (" + detail::Count(kMaxOverlayItems) +
                  ")");
  if (fs.FileExists(outcome.overlay_path) && !replace) {
    outcome.status = OverlayImportOutcome::Status::kExists;
    outcome.message = "The overlay " + overlay_name +
                      " already exists; it was left as it is (replace it to import " + name +
                      " again).";
    return outcome;
  }
  if (!fs.DirectoryExists(overlay_folder) && !fs.MakeDirectory(overlay_folder))
    return refuse("the overlay folder " + overlay_folder + " cannot be made");
  const std::string text =
      WriteOvr(overlay, {"from " + detail::LabelText(name) + ": " + overlay.held,
                         "Imported by Kestrel9; the points are those of the source."});
  if (const FileResult written = fs.WriteFileAtomic(outcome.overlay_path, text); !written.ok()) {
    std::string problem = DescribeFileProblem(written);
    if (!problem.empty() && problem.back() == '.') problem.pop_back();
    return refuse(problem);
  }
  outcome.status = OverlayImportOutcome::Status::kImported;
  outcome.message =
      "Imported " + name + " as the overlay " + overlay_name + ": " + overlay.held + ".";
  return outcome;
}

std::string RegisteredOverlayFolder(Registry& registry) {
  const std::string clsid = RegistryText(registry, std::string(kProgId) + "\\CLSID");
  if (clsid.empty()) return "";
  const std::string library = RegistryText(registry, "CLSID\\" + clsid + "\\InprocServer32");
  const std::string folder = FolderOf(library);
  if (library.empty() || folder.empty()) return "";
  return JoinPath(folder, kOverlayFolderName);
}

}  // namespace k9::overlay_import
