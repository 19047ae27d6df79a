#include "render/underlay_maker.h"

#include <optional>

#include "common/text.h"
#include "common/user_messages.h"
#include "render/inf_file.h"

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
  TellUser(*ports_.dialogs, text, owner);
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

    // The corners first: an INF file that places the image nowhere on the earth
    // must not cost the user an underlay of the same name made earlier.
    std::string contents;
    std::string why;
    std::optional<InfCorners> corners;
    if (ports_.fs->ReadFile(inf, &contents)) {
      corners = ReadInfCorners(contents, &why);
    } else {
      why = DescribeFileProblem(FileResult::Failure(FileFault::kAccessDenied, inf));
    }
    if (!corners) {
      Tell(std::string(kMessageInfUnreadable) + " " + why, owner);
      return UnderlayResult::kInfUnreadable;
    }

    // The stem keeps the final "." of the INF name: "x." for "x.INF".
    const std::string stem = FileNameOf(inf.substr(0, inf.size() - 3));
    const std::string bitmap = folders_.underlay_folder + stem + "BMP";
    const std::string sat = folders_.underlay_folder + stem + "SAT";
    // An earlier underlay's bitmap, put back should its new SAT file fail, so
    // the old pair never gets a new picture with old corners.
    std::optional<std::string> old_bitmap;
    if (std::string bytes; ports_.fs->ReadFile(bitmap, &bytes)) old_bitmap = std::move(bytes);
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
    } catch (const ImagingWriteError& failed) {
      picUnder_ = Raster();
      Tell(FileProblemMessage(kMessageUnderlayNotSaved, failed.result()), owner);
      return UnderlayResult::kImageFailed;
    } catch (const ImagingUnsupported& unsupported) {
      picUnder_ = Raster();
      Tell(unsupported.what(), owner);
      return UnderlayResult::kImageFailed;
    } catch (const std::exception& damaged) {
      picUnder_ = Raster();
      Tell("The image \"" + image + "\" cannot be used. " + damaged.what(), owner);
      return UnderlayResult::kImageFailed;
    }

    if (const FileResult written =
            ports_.fs->WriteFileAtomic(sat, FormatSatLine(*corners) + "\r\n");
        !written) {
      if (old_bitmap) {
        ports_.fs->WriteFileAtomic(bitmap, *old_bitmap);
      } else {
        ports_.fs->RemoveFile(bitmap);
      }
      Tell(FileProblemMessage(kMessageUnderlayNotSaved, written), owner);
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
