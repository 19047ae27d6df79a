// The underlay maker turns a host map image, georeferenced by the INF file beside
// it, into an underlay: the image as a Windows bitmap in the underlays folder, and
// the SAT file that places it. The user starts it from the control panel; it talks
// to the user through message boxes and changes nothing in the server's state, so
// the new underlay is offered the next time the user loads one.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/ports.h"
#include "platform/raster.h"
#include "render/underlay_imaging.h"
#include "server/server_folders.h"

namespace k9 {

inline constexpr char kMessageMapServerInf[] =
    "You have selected a map server INF file. "
    "You cannot make an underlay from a map server.";
inline constexpr char kMessageNoImage[] = "No image file matches that INF file.";
inline constexpr char kMessageInfUnreadable[] = "An error occurred reading the INF file.";
inline constexpr char kMessageUnderlayMade[] = "The underlay has been successfully created.";

// Open-file dialog options: the file must exist, no read-only box, and the
// process's current folder is left alone.
inline constexpr std::uint32_t kOfnHideReadOnly = 0x4;
inline constexpr std::uint32_t kOfnNoChangeDir = 0x8;
inline constexpr std::uint32_t kOfnFileMustExist = 0x1000;

// How a run ended, for callers and tests; the user learns it from the messages.
enum class UnderlayResult {
  kCancelled,      // the user closed the file dialog
  kMapServerInf,   // a map server's INF file was chosen; nothing written
  kNoImage,        // no image beside the INF file; nothing written
  kImageFailed,    // the image could not be loaded or saved; nothing written
  kInfUnreadable,  // bitmap written, but no SAT file
  kSatFailed,      // bitmap written, SAT file could not be written
  kMade,           // bitmap and SAT file written
};

using ImagingFactory = std::function<std::unique_ptr<ImagingComponent>(FileSystem&)>;

class MapImageUnderlayMaker {
 public:
  // `folders` must outlive the maker. The factory creates the imaging component
  // for each run; by default the product's.
  MapImageUnderlayMaker(const Ports& ports, const ServerFolders& folders,
                        ImagingFactory factory = CreateImagingComponent);

  // Runs the maker once, its dialogs owned by the window `owner`. Never throws.
  UnderlayResult Run(std::intptr_t owner);

  // The hidden picture that decodes GIF images before the imaging component
  // takes them; empty between runs.
  const Raster& picUnder() const { return picUnder_; }

 private:
  void Tell(const std::string& text, std::intptr_t owner);

  Ports ports_;
  const ServerFolders& folders_;
  ImagingFactory factory_;
  Raster picUnder_;
};

// True when a folder or the file named in `path` begins with "!!", as map
// servers' own INF files in the host's Maps folder do.
bool IsMapServerPath(const std::string& path);

}  // namespace k9
