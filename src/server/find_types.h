// FIND_TYPES: the kinds of search of the search dialog, as the server's type
// library declares them.
#pragma once

#include <cstdint>

namespace k9 {

enum FIND_TYPES : std::int16_t {
  FIND_ADDRESS = 0,
  FIND_PHONE = 1,
  FIND_CALLSIGN = 2,
  FIND_STATE = 3,
  FIND_COUNTY = 4,
  FIND_MILEMARKER = 5,
};

}  // namespace k9
