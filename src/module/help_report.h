// What a help request would show: the page of Kestrel9.chm that HTML Help opens
// for a WinHelp command, taken from the help file's own context map (compiled in
// from help/Kestrel9.hhp), for hosts that run the server without a help viewer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "module/map_server_object.h"

namespace k9::module {

// The report for a request to open `file` with a WinHelp `command` and its `data`:
// a context request names the page mapped to the number (none for a number the
// map lacks, or for a file HTML Help does not show), contents and finder the
// default topic. Requests that open nothing, such as closing the viewer, give
// nullopt.
std::optional<HelpReport> ReportHelpRequest(const std::string& file, std::uint32_t command,
                                            std::uintptr_t data);

}  // namespace k9::module
