#include "engine/import_manager.h"

namespace k9::engine {

const char kImportManagerText[] =
    "The reference map engine imports overlays in two text formats:\r\n"
    "\r\n"
    ".OVR files begin with the line K9OVR 1 and draw with PEN, BRUSH, LINE, AREA, POINT "
    "and TEXT lines.\r\n"
    ".CAD files begin with the line K9CAD,1 and draw with C (colour), L (line), A (area), "
    "P (point) and T (text) records.\r\n"
    "\r\n"
    "Coordinates are decimal degrees, longitude first. Put the file in the server's "
    "\"Strato Overlays\" folder and choose it with Load Overlay in the control panel.";

namespace {

class ImportManager : public EngineImportManager {
 public:
  explicit ImportManager(Dialogs* dialogs) : dialogs_(dialogs) {}
  void Show() override {
    if (dialogs_ == nullptr) return;
    dialogs_->ShowMessage(kImportManagerText, kImportManagerCaption, kMbOk | kMbIconInformation, 0);
  }

 private:
  Dialogs* dialogs_;
};

}  // namespace

std::unique_ptr<EngineImportManager> MakeImportManager(Dialogs* dialogs) {
  return std::make_unique<ImportManager>(dialogs);
}

}  // namespace k9::engine
