// The favourites members of clsMapServ. The file format and its rules are in
// render/favourites.h.
#include "render/favourites.h"
#include "server/cls_map_serv.h"

namespace k9 {

// The members catch every error themselves: the host is told nothing.

void clsMapServ::AddToFavouriteViews(std::string& strL) noexcept {
  if (mstrFavFile.empty()) return;
  try {
    AppendFavourite(*ports_.fs, mstrFavFile, strL);
  } catch (...) {
  }
}

void clsMapServ::SaveFavouriteViews(TextArray& strL) noexcept {
  if (mstrFavFile.empty()) return;
  try {
    SaveFavourites(*ports_.fs, mstrFavFile, strL);
  } catch (...) {
  }
}

void clsMapServ::LoadFavouriteViews(TextArray& strFav) noexcept {
  if (mstrFavFile.empty()) return;
  try {
    LoadFavourites(*ports_.fs, mstrFavFile, strFav);
  } catch (...) {
  }
}

}  // namespace k9
