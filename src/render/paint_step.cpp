// The paint step that ends every redraw. It must always reach SignalInformation,
// so each statement is attempted on its own and a failing one is skipped; the
// host then at least learns which extent the engine reports.
#include <stdexcept>

#include "render/map_list_entry.h"
#include "server/attempt.h"
#include "server/cls_map_serv.h"
#include "server/number_conversion.h"

namespace k9 {

namespace {

HostForm& Form(HostForm* form) {
  if (!form) throw std::runtime_error("The host's form is not set");
  return *form;
}

}  // namespace

bool clsMapServ::WriteMapListEntry() {
  // Without the host's program folder there is no Maps folder to write into; the
  // bare name would land in whatever the current folder happens to be.
  if (folders_.host_folder.empty()) return false;
  std::string text;
  try {
    text = MapListEntryText(mdblWest, mdblNorth, mdblEast, mdblSouth);
  } catch (const std::exception&) {
    return false;
  }
  const std::string path = MapListEntryPath(folders_.host_folder);
  // Most paints show what the host's map list already holds; replacing the file
  // flushes it to disk twice, so a file that already says it is left alone.
  std::string current;
  if (ports_.fs->ReadFile(path, &current) && current == text) return true;
  return ports_.fs->WriteFileAtomic(path, text);
}

void clsMapServ::PaintStep(PictureBox& picMap) noexcept {
  if (!mblnControlOk) return;

  // 1. The first paint hides "Hide Mile Marker Line" until a line is drawn.
  if (!first_paint_done_) {
    Attempt([&] { Form(mfrmHost).SetSpecialOptionVisible(1, false); });
    first_paint_done_ = true;
  }

  // 2. The current overlay, then the current underlay.
  if (parts_.layers) {
    Attempt([&] { parts_.layers->ApplyOverlay(*this); });
    Attempt([&] { parts_.layers->ApplyUnderlay(*this); });
  }

  // 3. Clear to the sea colour.
  sea_colour_ = kSeaColour;
  Attempt([&] { picMap.BackColor(sea_colour_); });
  Attempt([&] { picMap.FillColor(sea_colour_); });
  Attempt([&] { picMap.FillStyle(0); });
  Attempt([&] { picMap.ClearPicture(); });

  // 4. Size and device context.
  std::int32_t width = 0;
  std::int32_t height = 0;
  DeviceContext dc = 0;
  Attempt([&] { width = RoundToInt32(picMap.ScaleWidth()); });
  Attempt([&] { height = RoundToInt32(picMap.ScaleHeight()); });
  Attempt([&] { dc = picMap.hDC(); });

  // 5. The extent the engine will show.
  Attempt([&] { mdblWest = Engine().ViewWest(); });
  Attempt([&] { mdblEast = Engine().ViewEast(); });
  Attempt([&] { mdblNorth = Engine().ViewNorth(); });
  Attempt([&] { mdblSouth = Engine().ViewSouth(); });

  // 6. The host's map list learns the new extent.
  Attempt([&] { WriteMapListEntry(); });

  // 7-9. The engine paints into the picture box; the box's pen is kept as it was.
  std::int16_t draw_width = 0;
  std::int16_t draw_mode = 0;
  std::int16_t draw_style = 0;
  Attempt([&] { draw_width = picMap.DrawWidth(); });
  Attempt([&] { draw_mode = picMap.DrawMode(); });
  Attempt([&] { draw_style = picMap.DrawStyle(); });
  painted_width_ = width;
  painted_height_ = height;
  Attempt([&] { Engine().PaintToDC(dc, 0, 0, width, height, false, false, mblnMono); });
  Attempt([&] { picMap.DrawWidth(draw_width); });
  Attempt([&] { picMap.DrawMode(draw_mode); });
  Attempt([&] { picMap.DrawStyle(draw_style); });

  // 10. The mile-marker line over the map, or its menu entry hidden.
  if (mblnLineShown) {
    Attempt([&] {
      if (parts_.layers) parts_.layers->DrawMileMarkerLine(*this, picMap);
    });
  } else {
    Attempt([&] { Form(mfrmHost).SetSpecialOptionVisible(1, false); });
  }

  // 11. What was painted becomes the lasting picture.
  Attempt([&] { picMap.SetPictureFromImage(); });

  // 12. Tell the host what is shown. It gets copies: what it does with them by
  // reference must not change the extent the server keeps.
  Attempt([&] {
    if (!mcEvents) throw std::runtime_error("The host's callback object is not set");
    double west = mdblWest, east = mdblEast, north = mdblNorth, south = mdblSouth;
    mcEvents->SignalInformation(west, east, north, south, kServerTitle);
  });
}

}  // namespace k9
