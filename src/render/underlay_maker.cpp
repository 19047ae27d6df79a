#include "render/underlay_maker.h"

#include <optional>

#include "common/text.h"
#include "render/inf_file.h"
#include "server/component.h"

namespace k9 {

bool IsMapServerPath(const std::string& path) {
  for (std::size_t at = 0; (at = path.find("!!", at)) != std::string::npos; ++at) {
    if (at == 0 || IsPathSeparator(path[at - 1])) return true;
  }
  return false;
}

MapImageUnderlayMaker::MapImageUnderlayMaker(const Ports& ports, const ServerFolders& folders,
                                             ImagingFactory factory)
    : ports_(ports), folders_(folders), factory_(std::move(factory)) {}

void MapImageUnderlayMaker::Tell(const std::string& text, std::intptr_t owner) {
  ports_.dialogs->ShowMessage(text, kComponentTitle, kMbOk | kMbIconInformation, owner);
}

UnderlayResult MapImageUnderlayMaker::Run(std::intptr_t owner) {
  try {
    OpenFileRequest request;
    request.owner = owner;
    request.title = "Select a map INF file";
    request.filter = "INF files|*.INF";
    request.initial_folder = JoinPath(folders_.host_folder, "Maps");
    request.flags = kOfnFileMustExist | kOfnHideReadOnly | kOfnNoChangeDir;
    const std::optional<std::string> chosen = ports_.dialogs->OpenFile(request);
    if (!chosen || chosen->empty()) return UnderlayResult::kCancelled;
    const std::string& inf = *chosen;

    if (IsMapServerPath(inf)) {
      Tell(kMessageMapServerInf, owner);
      return UnderlayResult::kMapServerInf;
    }

    std::string image;
    for (const char* type : {"BMP", "GIF", "JPG", "PNG", "EMF"}) {
      const std::string candidate = CompanionPath(inf, type);
      if (!candidate.empty() && ports_.fs->FileExists(candidate)) {
        image = candidate;
        break;
      }
    }
    if (image.empty()) {
      Tell(kMessageNoImage, owner);
      return UnderlayResult::kNoImage;
    }

    // The stem keeps the final "." of the INF name: "x." for "x.INF".
    const std::string stem = FileNameOf(inf.substr(0, inf.size() - 3));
    const std::string bitmap = folders_.underlay_folder + stem + "BMP";
    const std::string sat = folders_.underlay_folder + stem + "SAT";
    try {
      std::unique_ptr<ImagingComponent> imaging = factory_(*ports_.fs);
      if (EqualsIgnoreCase(image.substr(image.size() - 3), "GIF")) {
        LoadPictureFile(*ports_.fs, image, &picUnder_);
        imaging->LoadPicture(picUnder_);
        picUnder_ = Raster();
      } else {
        imaging->LoadFile(image);
      }
      imaging->SaveBitmap(bitmap);
    } catch (const ImagingUnsupported& unsupported) {
      picUnder_ = Raster();
      // A type this platform cannot read at all deserves a word; a damaged file
      // ends the maker quietly, as any other image failure.
      Tell(unsupported.what(), owner);
      return UnderlayResult::kImageFailed;
    } catch (...) {
      picUnder_ = Raster();
      return UnderlayResult::kImageFailed;
    }

    std::string contents;
    std::optional<InfCorners> corners;
    if (ports_.fs->ReadFile(inf, &contents)) corners = ReadInfCorners(contents);
    if (!corners) {
      Tell(kMessageInfUnreadable, owner);
      return UnderlayResult::kInfUnreadable;
    }
    if (!ports_.fs->WriteFileAtomic(sat, FormatSatLine(*corners) + "\r\n")) {
      return UnderlayResult::kSatFailed;
    }
    Tell(kMessageUnderlayMade, owner);
    return UnderlayResult::kMade;
  } catch (...) {
    picUnder_ = Raster();
    return UnderlayResult::kImageFailed;
  }
}

}  // namespace k9
