#include "render/map_list_entry.h"

#include "common/text.h"
#include "render/coordinate_text.h"

namespace k9 {

std::string MapListEntryText(double west, double north, double east, double south) {
  std::string text;
  text += LongitudeText(west) + "," + LatitudeText(north) + "\r\n";
  text += LongitudeText(east) + "," + LatitudeText(south) + "\r\n";
  text += "Stratomap V9 Server\r\n";
  return text;
}

std::string MapListEntryPath(const std::string& host_folder) {
  return JoinPath(JoinPath(host_folder, kHostMapsFolderName), kMapListEntryName);
}

}  // namespace k9
