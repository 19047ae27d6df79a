// Overlays from the files people already have: GPX tracks, routes and waypoints,
// KML and KMZ placemarks, GeoJSON features. Each is read whole and written as an
// ".OVR" overlay (docs/overlay-formats.md) in the server's overlay folder, where
// the chooser lists it and the engine draws it like any overlay of its own.
#pragma once

#include <string>

#include "platform/file_system.h"
#include "platform/registry.h"

namespace k9::overlay_import {

// True for the names this importer reads: ".gpx", ".kml", ".kmz", ".geojson" and
// ".json", in any letter case.
bool IsOverlaySource(const std::string& path);

struct OverlayImportOutcome {
  enum class Status { kImported, kExists, kFailed };
  Status status = Status::kFailed;
  std::string overlay_path;  // the .OVR written (or that exists)
  std::string message;       // one sentence for the user: what was imported, or why not
};

// Reads `source` and writes "<overlay_folder>/<source base name>.OVR" through
// `fs.WriteFileAtomic`. An existing overlay of that name is replaced only when
// `replace` is true; otherwise the outcome is kExists and nothing is written.
// Nothing is written unless the whole source was read and holds something to
// draw; a refused source leaves the folder as it was and the message says why.
OverlayImportOutcome ImportOverlayFile(FileSystem& fs, const std::string& source,
                                       const std::string& overlay_folder, bool replace);

// The server's overlay folder as the registry names it: the folder of the library
// registered for "Kestrel9.clsMapServ" (ProgID -> CLSID -> InprocServer32) joined
// with "Strato Overlays"; "" when the server is not registered.
std::string RegisteredOverlayFolder(Registry& registry);

}  // namespace k9::overlay_import
