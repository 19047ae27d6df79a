// The server's four Map-menu options, the search dialog's hand-over of a chosen
// match, and hiding the mile-marker line. Drawing the line is a part of its own
// (MapLayers::DrawMileMarkerLine), run by the paint step.
#include <stdexcept>

#include "server/cls_map_serv.h"
#include "server/number_conversion.h"

namespace k9 {

namespace {

HostEvents& Callbacks(HostEvents* events) {
  if (!events) throw std::runtime_error("The host's callback object is not set");
  return *events;
}

// The picture box set to pixels, and its size applied to the engine.
void SizeToPicture(clsMapServ& server, PictureBox& picture) {
  picture.ScaleMode(3);
  const std::int32_t width = RoundToInt32(picture.ScaleWidth());
  const std::int32_t height = RoundToInt32(picture.ScaleHeight());
  server.ApplyEngineSize(width, height);
}

}  // namespace

bool clsMapServ::SpecialMenuOption(PictureBox& picMap, std::int16_t& intIndex) {
  if (!mblnControlOk || intIndex < 0 || intIndex > 3) return false;
  switch (intIndex) {
    case 0:
      ShowSearchDialog(picMap);
      return false;
    case 1:
      HideMileMarkerLine();
      return false;
    default:
      break;
  }
  if (!mpicMap) mpicMap = &picMap;
  SizeToPicture(*this, picMap);
  Callbacks(mcEvents).SignalSuspend(true);
  if (intIndex == 2) {
    if (parts_.layers) parts_.layers->ZoomUnderlay(*this);
  } else {
    Engine().ZoomToOverlay();
  }
  PaintStep(picMap);
  return true;
}

void clsMapServ::ShowSearchDialog(PictureBox& picMap) {
  if (!mpicMap) mpicMap = &picMap;
  if (!mfrmSearch) {
    if (!parts_.search_dialog) throw std::runtime_error("The search dialog is not available");
    mfrmSearch = parts_.search_dialog(static_cast<SearchDialogEvents&>(*this));
    if (!mfrmSearch) throw std::runtime_error("The search dialog cannot be created");
  } else if (mfrmSearch->WindowState() == 1) {
    mfrmSearch->WindowState(0);
  }
  mfrmSearch->Show(mfrmHost ? mfrmHost->hWnd() : 0);
  mfrmSearch->Move((ports_.system->ScreenWidthTwips() - mfrmSearch->Width()) / 2,
                   (ports_.system->ScreenHeightTwips() - mfrmSearch->Height()) / 2);
}

void clsMapServ::HideMileMarkerLine() {
  if (!mblnLineShown || !mpicMap) return;
  mblnLineShown = false;
  if (mfrmHost) mfrmHost->SetSpecialOptionVisible(1, false);
  SizeToPicture(*this, *mpicMap);
  HostEvents& events = Callbacks(mcEvents);
  events.SignalSuspend(true);
  PaintStep(*mpicMap);
  events.SignalSpecialRedraw(kServerTitle);
}

void clsMapServ::Find(std::string& strP, std::int16_t& intFindType) {
  mintLastFindType = intFindType;
  if (!parts_.search || !mfrmSearch) return;
  SearchContext context = MakeSearchContext();
  parts_.search->Find(context, *mfrmSearch, strP, intFindType);
}

void clsMapServ::ZoomToFind(std::string& strTitle, double& dblLong, double& dblLat,
                            bool& blnIsPlace, double& dblLong2, double& dblLat2, double& dblL,
                            bool& blnLIsLat) {
  if (!mblnControlOk) return;
  if (!mpicMap) throw std::runtime_error("No picture box to draw the match in");
  PictureBox& picture = *mpicMap;
  SizeToPicture(*this, picture);
  HostEvents& events = Callbacks(mcEvents);
  events.SignalSuspend(true);
  MapEngine& engine = Engine();
  if (dblLong2 != 0 || dblLat2 != 0) {
    engine.SetViewCorners(dblLong, dblLat, dblLong2, dblLat2);
    if (dblL != 0) {
      mdblLine = dblL;
      mblnLineShown = true;
      mblnLineIsLat = blnLIsLat;
    }
  } else {
    engine.ZoomLevel(blnIsPlace ? 12 : 15);
    engine.CentreView(dblLong, dblLat);
  }
  PaintStep(picture);
  events.SignalSpecialRedraw(strTitle);
}

}  // namespace k9
