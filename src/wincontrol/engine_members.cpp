#include "wincontrol/engine_members.h"

#include <windows.h>

#include <cctype>

namespace k9::wincontrol {

std::int32_t EngineMemberId(std::string_view name) {
  for (const auto& member : kEngineMembers) {
    const std::string_view known = member.name;
    if (known.size() != name.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < known.size() && same; ++i)
      same = std::tolower(static_cast<unsigned char>(known[i])) ==
             std::tolower(static_cast<unsigned char>(name[i]));
    if (same) return member.dispid;
  }
  return 0;
}

std::string AnsiFromWide(const wchar_t* text, std::size_t length) {
  if (text == nullptr || length == 0) return {};
  const int n =
      WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), out.data(), n, nullptr, nullptr);
  return out;
}

std::string AnsiFromWide(const wchar_t* text) {
  return text == nullptr ? std::string() : AnsiFromWide(text, wcslen(text));
}

std::wstring WideFromAnsi(std::string_view text) {
  if (text.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0)
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

}  // namespace k9::wincontrol
