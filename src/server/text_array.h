// TextArray is an array of text with its bounds, as an automation array crosses
// the server's interface: the favourites arrays and the menu captions of
// GetSupportedFeatures. `allocated` false is an array that was never dimensioned;
// otherwise the elements run from `lower` to `lower + items.size() - 1`.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace k9 {

struct TextArray {
  bool allocated = false;
  std::int32_t lower = 0;
  std::vector<std::string> items;

  // The upper bound (lower - 1 for an empty array). REQUIRES: allocated.
  std::int64_t upper() const {
    return static_cast<std::int64_t>(lower) + std::int64_t(items.size()) - 1;
  }

  friend bool operator==(const TextArray&, const TextArray&) = default;
};

}  // namespace k9
