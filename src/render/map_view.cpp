// The drawing members of clsMapServ: each sizes the engine to the picture box,
// makes its one view call and ends with the paint step. The server applies no
// zoom factor, pan distance or aspect fitting of its own: the engine decides what
// it shows, and the paint step reads back what that is.
#include "common/error.h"
#include "server/cls_map_serv.h"
#include "server/number_conversion.h"

namespace k9 {

void clsMapServ::SizingPrologue(PictureBox& picMap) {
  picMap.ScaleMode(3);
  const std::int32_t width = RoundToInt32(picMap.ScaleWidth());
  const std::int32_t height = RoundToInt32(picMap.ScaleHeight());
  ApplyEngineSize(width, height);
}

void clsMapServ::ApplyEngineSize(std::int32_t width, std::int32_t height) {
  if (width == engine_width_ && height == engine_height_) return;
  if (!mblnControlOk) return;
  Engine().SetMapSize(width, height);
  engine_width_ = width;
  engine_height_ = height;
}

bool clsMapServ::DrawMapFromCorners(PictureBox& picMap, double& dblDegX1, double& dblDegY1,
                                    double& dblDegX2, double& dblDegY2) {
  // A rectangle without width or height shows the whole map instead.
  if (dblDegX1 == dblDegX2 || dblDegY1 == dblDegY2) return ZoomAll(picMap);
  if (!mpicMap) mpicMap = &picMap;
  SizingPrologue(picMap);
  if (mblnControlOk) Engine().SetViewCorners(dblDegX1, dblDegY1, dblDegX2, dblDegY2);
  PaintStep(picMap);
  return true;
}

bool clsMapServ::DrawMapFromCentre(PictureBox& picMap, double& dblDegX, double& dblDegY) {
  SizingPrologue(picMap);
  if (mblnControlOk) Engine().CentreView(dblDegX, dblDegY);
  PaintStep(picMap);
  return true;
}

bool clsMapServ::ResizeMap(PictureBox& picMap, double& /*dblDegX1*/, double& /*dblDegY1*/,
                           double& /*dblDegX2*/, double& /*dblDegY2*/) {
  SizingPrologue(picMap);
  PaintStep(picMap);
  return true;
}

bool clsMapServ::ZoomIn(PictureBox& picMap) {
  SizingPrologue(picMap);
  if (mblnControlOk) Engine().ZoomInStep();
  PaintStep(picMap);
  return true;
}

bool clsMapServ::ZoomOut(PictureBox& picMap) {
  SizingPrologue(picMap);
  if (mblnControlOk) Engine().ZoomOutStep();
  PaintStep(picMap);
  return true;
}

bool clsMapServ::ZoomAll(PictureBox& picMap) {
  SizingPrologue(picMap);
  if (mblnControlOk) Engine().SetViewCorners(kWorldWest, kWorldNorth, kWorldEast, kWorldSouth);
  PaintStep(picMap);
  return true;
}

bool clsMapServ::ZoomPan(PictureBox& picMap, std::int16_t& intPan) {
  SizingPrologue(picMap);
  if (mblnControlOk) Engine().PanStep(static_cast<std::int32_t>(intPan));
  PaintStep(picMap);
  return true;
}

}  // namespace k9
