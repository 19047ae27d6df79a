// Fuzzes the profile reader and writer with arbitrary file contents. Besides not
// crashing, every write must read back as written and every delete as absent, and
// a section other than the one written must read as before.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/profile.h"

namespace {

std::string Read(std::string_view contents, std::string_view section,
                 std::optional<std::string_view> key, std::size_t size = 500) {
  std::string buffer(size, '\0');
  buffer.resize(k9::ReadProfileText(contents, section, key, "<absent>", buffer.data(), size));
  return buffer;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

// True when the reader would take `section` for "Other Section".
bool IsOtherSection(std::string_view section) {
  const std::string_view blanks = " \t\r\n\v\f\x1a";
  const std::size_t begin = section.find_first_not_of(blanks);
  if (begin == std::string_view::npos) return false;
  section = section.substr(begin, section.find_last_not_of(blanks) - begin + 1);
  constexpr std::string_view kOther = "OTHER SECTION";
  if (section.size() != kOther.size()) return false;
  for (std::size_t i = 0; i < section.size(); ++i) {
    char c = section[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != kOther[i]) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The first bytes choose the names asked for; the rest is the file.
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  std::string_view names = split == std::string_view::npos ? "S|K" : input.substr(0, split);
  std::string_view contents = split == std::string_view::npos ? input : input.substr(split + 1);
  const std::size_t bar = names.find('|');
  std::string_view section = names.substr(0, bar);
  std::string_view key = bar == std::string_view::npos ? "K" : names.substr(bar + 1);

  Read(contents, section, key);
  Read(contents, section, std::nullopt);
  Read(contents, section, std::nullopt, 7);  // a key list that does not fit
  Read(contents, "", key, 2);

  const bool writable = k9::IsWritableProfileText(section) && k9::IsWritableProfileKey(key);
  const std::string other_before = Read(contents, "Other Section", "K");
  if (std::optional<std::string> set = k9::EditProfileText(contents, section, key, "v42")) {
    Check(!writable || Read(*set, section, key) == "v42");
    if (!writable) return 0;
    // Writing the same value again changes nothing.
    Check(!k9::EditProfileText(*set, section, key, "v42"));
    Check(IsOtherSection(section) || Read(*set, "Other Section", "K") == other_before);
    std::optional<std::string> removed = k9::EditProfileText(*set, section, key, std::nullopt);
    Check(removed.has_value());
  }
  if (writable) k9::EditProfileText(contents, section, std::nullopt, std::nullopt);
  return 0;
}
