// Saving the picture box as a PNG file.
#pragma once

#include <string>

#include "platform/file_system.h"
#include "platform/raster.h"

namespace k9::host {

// The raster as PNG bytes (8-bit RGB), or "" when it is empty or cannot be encoded.
std::string EncodePng(const Raster& raster);

// Writes the raster to `path` as PNG, replacing the file atomically, so a failed
// save leaves any earlier file whole. False (and *error set) on failure.
bool SavePng(FileSystem& fs, const std::string& path, const Raster& raster, std::string* error);

}  // namespace k9::host
