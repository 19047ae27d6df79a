#include "search/search_runner.h"

#include <vector>

#include "common/text.h"
#include "search/gazetteer.h"
#include "search/search_text.h"
#include "server/find_types.h"

namespace k9 {

namespace {

// Appends ", " (when the title is not empty) and `part` (when it is not empty).
void AppendPart(std::string& title, const std::string& part) {
  if (part.empty()) return;
  if (!title.empty()) title += ", ";
  title += part;
}

}  // namespace

void AddAddressResult(SearchDialog& dialog, std::string_view record) {
  const std::vector<std::string> fields = Split(record, '\t');
  if (fields.size() < 7) return;
  const std::string& position = fields[6];
  const std::size_t comma = position.find(',');
  if (comma == std::string::npos) return;
  const double lon = LeadingNumber(std::string_view(position).substr(0, comma));
  const double lat = LeadingNumber(std::string_view(position).substr(comma + 1));

  std::string title = fields[2];
  if (!title.empty()) title += ' ';
  title += fields[0];
  const bool is_place = title.empty();
  AppendPart(title, fields[1]);
  if (!title.empty()) title = ProperCase(title);
  AppendPart(title, fields[3]);
  AppendPart(title, fields[4]);
  AddMatch(dialog, std::move(title), lon, lat, is_place);
}

void AddPhoneResult(SearchDialog& dialog, std::string_view answer) {
  const std::vector<std::string> fields = Split(answer, '\t');
  if (fields.size() < 6) return;
  std::string title =
      ProperCase(fields[0] + ", " + fields[1] + ", " + fields[2]) + ", " + fields[3];
  AddMatch(dialog, std::move(title), LeadingNumber(fields[4]), LeadingNumber(fields[5]), true);
}

void AddCallsignResults(SearchDialog& dialog, std::string_view answer) {
  for (const std::string& entry : Split(answer, '\t')) {
    const std::vector<std::string> parts = Split(entry, ',');
    if (parts.size() != 3) continue;
    AddMatch(dialog, parts[0], LeadingNumber(parts[1]), LeadingNumber(parts[2]), false);
  }
}

void SearchLookups::Find(SearchContext& context, SearchDialog& dialog, std::string& strP,
                         std::int16_t intFindType) {
  last_find_type_ = intFindType;
  try {
    dialog.ResultLbl("...");
    Gazetteer gazetteer(*context.ports.fs, context.folders.server_folder);
    switch (intFindType) {
      case FIND_ADDRESS: {
        dialog.ResultLbl("Searching....");
        const std::int32_t count = context.engine.FindAddress(strP);
        dialog.ResultLbl(std::to_string(count));
        break;
      }
      case FIND_PHONE: {
        context.engine.FindPhone(strP);
        const std::string text = context.engine.FoundPlaceText();
        if (text.compare(0, strP.size(), strP) == 0 && text.size() >= strP.size()) {
          AddPhoneResult(dialog, text);
        }
        break;
      }
      case FIND_CALLSIGN: {
        if (context.host_events == nullptr) break;
        std::string answer;
        context.host_events->SignalCallsignData(strP, answer);
        if (!answer.empty()) AddCallsignResults(dialog, answer);
        break;
      }
      case FIND_STATE:
        gazetteer.FindState(strP, dialog);
        break;
      case FIND_COUNTY:
        gazetteer.FindCounty(strP, dialog);
        break;
      case FIND_MILEMARKER:
        gazetteer.FindMileMarker(strP, dialog);
        break;
      default:
        break;
    }
  } catch (...) {
    // A failing engine or host, or any other failure, ends the search quietly.
  }
}

void SearchLookups::EngineFoundItem(SearchContext& /*context*/, SearchDialog& dialog,
                                    std::string& strL) {
  if (last_find_type_ != FIND_ADDRESS) return;
  try {
    AddAddressResult(dialog, strL);
  } catch (...) {
    // A match the dialog cannot take is dropped; the engine's search goes on.
  }
}

}  // namespace k9
