#include "platform/win32/win32_util.h"

#include <windows.h>

#include <algorithm>

namespace k9 {

std::string NativePath(const std::string& path) {
  std::string native = path;
  std::replace(native.begin(), native.end(), '/', '\\');
  return native;
}

std::optional<std::string> Win32GetEnv(const std::string& name) {
  std::string value(256, '\0');
  for (;;) {
    ::SetLastError(ERROR_SUCCESS);
    DWORD n =
        ::GetEnvironmentVariableA(name.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (n == 0) {
      // Zero is both "unset" and "set to empty"; only the error code tells them apart.
      if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::string();
    }
    if (n < value.size()) {
      value.resize(n);
      return value;
    }
    value.resize(n);  // n is the size needed, terminator included
  }
}

bool AutomationMode() {
  std::optional<std::string> value = Win32GetEnv("KESTREL9_AUTOMATION");
  return value && !value->empty() && *value != "0";
}

}  // namespace k9
