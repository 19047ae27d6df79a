// The favourites members of clsMapServ. The file format and its rules are in
// render/favourites.h.
#include "render/favourites.h"
#include "server/cls_map_serv.h"

namespace k9 {

// The members catch every error themselves and return nothing; a view or list
// the host handed over that could not be kept is told to the user.

void clsMapServ::AddToFavouriteViews(std::string& strL) noexcept {
  if (mstrFavFile.empty()) return;
  try {
    const FileResult result = AppendFavourite(*ports_.fs, mstrFavFile, strL);
    if (!result) Tell(FileProblemMessage(kFavouriteNotAdded, result));
  } catch (...) {
  }
}

void clsMapServ::SaveFavouriteViews(TextArray& strL) noexcept {
  if (mstrFavFile.empty()) return;
  try {
    const FileResult result = SaveFavourites(*ports_.fs, mstrFavFile, strL);
    if (!result) Tell(FileProblemMessage(kFavouritesNotSaved, result));
  } catch (...) {
  }
}

void clsMapServ::LoadFavouriteViews(TextArray& strFav) noexcept {
  if (mstrFavFile.empty()) return;
  try {
    if (LoadFavourites(*ports_.fs, mstrFavFile, strFav)) return;
    // No file, or one without lines, is an empty list; one that is there but
    // cannot be read hides the user's views and deserves a word.
    FileFault fault = FileFault::kNone;
    if (ports_.fs->DirectoryExists(mstrFavFile)) {
      fault = FileFault::kIsFolder;
    } else if (std::string ignored;
               ports_.fs->FileExists(mstrFavFile) && !ports_.fs->ReadFile(mstrFavFile, &ignored)) {
      fault = FileFault::kAccessDenied;
    }
    if (fault != FileFault::kNone) {
      Tell(FileProblemMessage(kFavouritesNotRead, FileResult::Failure(fault, mstrFavFile)));
    }
  } catch (...) {
  }
}

}  // namespace k9
