#include "server/special_menu.h"

#include "server/cls_map_serv.h"

namespace k9 {

void DrawMileMarkerLine(clsMapServ& server, PictureBox& picMap) {
  const double line = server.mdblLine;
  const double west = server.mdblWest;
  const double east = server.mdblEast;
  const double north = server.mdblNorth;
  const double south = server.mdblSouth;
  if (server.mblnLineIsLat ? !(south <= line && line <= north) : !(west <= line && line <= east)) {
    return;
  }

  // Degrees as the picture box's scale, so the line is drawn in map coordinates.
  picMap.ScaleLeft(west);
  picMap.ScaleWidth(east - west);
  picMap.ScaleTop(north);
  picMap.ScaleHeight(south - north);

  const std::int16_t draw_mode = picMap.DrawMode();
  const std::int16_t draw_width = picMap.DrawWidth();
  picMap.DrawMode(kDrawModeCopyPen);
  picMap.DrawWidth(5);
  auto draw = [&](std::int32_t colour) {
    if (server.mblnLineIsLat) {
      picMap.Line(west, line, east, line, colour);
    } else {
      picMap.Line(line, north, line, south, colour);
    }
  };
  draw(kMileMarkerYellow);
  picMap.DrawWidth(1);
  draw(kMileMarkerBlack);

  picMap.DrawMode(draw_mode);
  // A width outside 1 to 99 is no pen a picture box accepts.
  if (draw_width >= 1 && draw_width <= 99) picMap.DrawWidth(draw_width);

  if (HostForm* host = server.HostMainForm()) {
    host->SetSpecialOptionVisible(kMenuHideMileMarkerLine, true);
  }
}

}  // namespace k9
