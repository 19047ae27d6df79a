#include "render/overlay.h"

#include <optional>

#include "common/cls_ini.h"
#include "common/text.h"
#include "render/inf_file.h"

namespace k9 {

namespace {

constexpr char kEngineSettingsName[] = "cartex71.cfg";
constexpr char kVisibleSection[] = "Visible";

std::string ExistingOrNone(const std::string& path, FileSystem& fs) {
  return !path.empty() && fs.FileExists(path) ? path : std::string();
}

void EnableEntry(HostForm* host, int index, bool enabled) {
  if (host != nullptr) host->SetSpecialOptionEnabled(index, enabled);
}

}  // namespace

void OverlayState::ApplyOverlay(const std::string& strOvlFile, MapEngine& engine, HostForm* host,
                                FileSystem& fs) {
  if (strOvlFile != applied_overlay_ &&
      (refused_overlay_.empty() || strOvlFile != refused_overlay_)) {
    const std::string path = ExistingOrNone(strOvlFile, fs);
    try {
      engine.LoadOverlay(path);
    } catch (const std::exception& refused) {
      if (path.empty()) throw;  // the engine failed, not the file
      refused_overlay_ = strOvlFile;
      applied_overlay_.clear();
      EnableEntry(host, kMenuZoomOverlay, false);
      overlay_applied_once_ = true;
      throw LayerRefused(refused.what());
    }
    // The first overlay after start keeps the view the host asked for; a later
    // change is the user's choice, and the user expects to see the new overlay.
    if (!path.empty() && overlay_applied_once_) engine.ZoomToOverlay();
    applied_overlay_ = path;
    refused_overlay_.clear();
  }
  EnableEntry(host, kMenuZoomOverlay, !applied_overlay_.empty());
  overlay_applied_once_ = true;
}

void OverlayState::ApplyUnderlay(const std::string& strUnderFile, MapEngine& engine, HostForm* host,
                                 FileSystem& fs) {
  if (strUnderFile != applied_underlay_ &&
      (refused_underlay_.empty() || strUnderFile != refused_underlay_)) {
    const std::string path = ExistingOrNone(strUnderFile, fs);
    engine.UnderlayVisible(!path.empty());
    try {
      engine.UnderlayFile(path);
    } catch (const std::exception& refused) {
      if (path.empty()) throw;
      refused_underlay_ = strUnderFile;
      applied_underlay_.clear();
      engine.UnderlayVisible(false);
      EnableEntry(host, kMenuZoomUnderlay, false);
      throw LayerRefused(refused.what());
    }
    applied_underlay_ = path;
    refused_underlay_.clear();
  }
  EnableEntry(host, kMenuZoomUnderlay, !applied_underlay_.empty());
}

std::string OverlayState::TryOverlay(const std::string& path, MapEngine& engine, FileSystem& fs) {
  if (ExistingOrNone(path, fs).empty()) return "";
  try {
    engine.LoadOverlay(path);
  } catch (const std::exception& refused) {
    try {
      engine.LoadOverlay(applied_overlay_);
    } catch (...) {
      applied_overlay_.clear();
    }
    return refused.what();
  }
  if (overlay_applied_once_) engine.ZoomToOverlay();
  applied_overlay_ = path;
  refused_overlay_.clear();
  overlay_applied_once_ = true;
  return "";
}

std::string OverlayState::TryUnderlay(const std::string& path, MapEngine& engine, FileSystem& fs) {
  if (ExistingOrNone(path, fs).empty()) return "";
  try {
    engine.UnderlayVisible(true);
    engine.UnderlayFile(path);
  } catch (const std::exception& refused) {
    try {
      engine.UnderlayVisible(!applied_underlay_.empty());
      engine.UnderlayFile(applied_underlay_);
    } catch (...) {
      applied_underlay_.clear();
    }
    return refused.what();
  }
  applied_underlay_ = path;
  refused_underlay_.clear();
  return "";
}

void PrepareEngineSettings(const Ports& ports, const ServerFolders& folders) {
  try {
    clsIni ini(ports);
    const std::string underlay = ini.GetIniString("SETUP", "UNDERLAY", "").value_or("");
    const std::string cfg = folders.InServerFolder(kEngineSettingsName);
    ini.SaveIniString(kVisibleSection, "OVER", "TRUE", cfg);
    ini.SaveIniString(kVisibleSection, "UNDER", underlay.empty() ? "FALSE" : "TRUE", cfg);
  } catch (...) {
  }
}

void ZoomToUnderlay(const std::string& strUnderFile, MapEngine& engine, FileSystem& fs) {
  const std::string sat = CompanionPath(strUnderFile, "SAT");
  std::string contents;
  if (sat.empty() || !fs.ReadFile(sat, &contents)) return;
  const std::optional<std::array<double, 4>> corners = ReadSatCorners(contents);
  if (!corners) return;
  engine.SetViewCorners((*corners)[0], (*corners)[1], (*corners)[2], (*corners)[3]);
}

}  // namespace k9
