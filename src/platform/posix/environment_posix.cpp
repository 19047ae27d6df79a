// Environment-variable expansion as the Windows expansion function does it.
#include <cstdlib>
#include <string>

#include "platform/registry.h"

namespace k9 {

std::string ExpandEnvironment(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t open = text.find('%', pos);
    if (open == std::string::npos) break;
    const std::size_t close = text.find('%', open + 1);
    if (close == std::string::npos) break;
    out.append(text, pos, open - pos);
    const std::string name = text.substr(open + 1, close - open - 1);
    const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
    if (value != nullptr) {
      out.append(value);
      pos = close + 1;
    } else {
      // An unknown name stays as written; its closing "%" may open the next one.
      out.append(text, open, close - open);
      pos = close;
    }
  }
  out.append(text, pos, std::string::npos);
  return out;
}

}  // namespace k9
