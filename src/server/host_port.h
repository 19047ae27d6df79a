// The host application's objects, as the server sees them. The host hands the
// server three objects and the server calls them by member name: the callback
// object (HostEvents), the host's main form (HostForm) and its picture box
// (PictureBox). On Windows these are adapters over the host's late-bound objects;
// the stand-in host and tests implement them directly.
//
// Any call may throw (std::exception) when the host object lacks the member or
// fails; the caller decides whether that ends its work.
#pragma once

#include <cstdint>
#include <string>

#include "platform/raster.h"

namespace k9 {

// Notifications to the host. Return values are ignored.
class HostEvents {
 public:
  virtual ~HostEvents() = default;
  virtual void SignalSuspend(bool suspend) = 0;
  virtual void SignalSpecialRedraw(const std::string& title) = 0;
  // West, east, north, south of the extent shown, by reference as the host receives them.
  virtual void SignalInformation(double& west, double& east, double& north, double& south,
                                 const std::string& title) = 0;
  // The host writes the station's data into `result`, or leaves it empty.
  virtual void SignalCallsignData(std::string& callsign, std::string& result) = 0;
};

// The host's main form: owner of the search dialog, and holder of the menu control
// array mnuMapSpecialOptions whose entries 0 to 3 the host builds from the captions
// the server reports.
class HostForm {
 public:
  virtual ~HostForm() = default;
  virtual void SetSpecialOptionVisible(int index, bool visible) = 0;
  virtual void SetSpecialOptionEnabled(int index, bool enabled) = 0;
  virtual void UnloadSpecialOption(int index) = 0;
  // The form's window handle, used as owner of the server's dialogs (0 for none).
  virtual std::intptr_t hWnd() = 0;
};

// The host's picture box. Scale values are in the current ScaleMode's units
// (3 = pixels); colours are OLE 0x00BBGGRR.
class PictureBox {
 public:
  virtual ~PictureBox() = default;

  virtual std::int16_t ScaleMode() = 0;
  virtual void ScaleMode(std::int16_t mode) = 0;
  virtual double ScaleLeft() = 0;
  virtual void ScaleLeft(double value) = 0;
  virtual double ScaleTop() = 0;
  virtual void ScaleTop(double value) = 0;
  virtual double ScaleWidth() = 0;
  virtual void ScaleWidth(double value) = 0;
  virtual double ScaleHeight() = 0;
  virtual void ScaleHeight(double value) = 0;

  virtual std::int32_t BackColor() = 0;
  virtual void BackColor(std::int32_t colour) = 0;
  virtual std::int32_t FillColor() = 0;
  virtual void FillColor(std::int32_t colour) = 0;
  virtual std::int16_t FillStyle() = 0;
  virtual void FillStyle(std::int16_t style) = 0;
  virtual std::int16_t DrawWidth() = 0;
  virtual void DrawWidth(std::int16_t width) = 0;
  virtual std::int16_t DrawMode() = 0;
  virtual void DrawMode(std::int16_t mode) = 0;
  virtual std::int16_t DrawStyle() = 0;
  virtual void DrawStyle(std::int16_t style) = 0;

  // Picture = Nothing: drops the lasting picture (the box shows its BackColor).
  virtual void ClearPicture() = 0;
  // Picture = Image: what was drawn becomes the lasting picture.
  virtual void SetPictureFromImage() = 0;

  // A device context that draws into the picture box's image.
  virtual DeviceContext hDC() = 0;

  // Draws a line from (x1, y1) to (x2, y2) in the current scale, with the current
  // DrawWidth and DrawMode.
  virtual void Line(double x1, double y1, double x2, double y2, std::int32_t colour) = 0;
};

}  // namespace k9
