#include "search/search_parts.h"

#include <memory>
#include <utility>

#include "search/search_runner.h"

namespace k9 {

void AddSearchParts(ServerParts& parts, const Ports& ports, SearchViewFactory views) {
  parts.search_dialog = MakeSearchDialogFactory(ports, std::move(views));
  parts.search = std::make_shared<SearchLookups>();
}

}  // namespace k9
