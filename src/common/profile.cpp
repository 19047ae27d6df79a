#include "common/profile.h"

#include <algorithm>
#include <cstring>

#include "common/text.h"

namespace k9 {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

bool IsProfileSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1a';
}

std::string_view TrimSpace(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsProfileSpace(text[begin])) ++begin;
  while (end > begin && IsProfileSpace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// Names handed to the platform functions are C strings: a NUL ends them.
std::string_view CutAtNul(std::string_view text) {
  const void* nul = std::memchr(text.data(), '\0', text.size());
  if (nul == nullptr) return text;
  return text.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
}

// Section and key names match as the Windows profile functions match them:
// without regard to case, for the letters of code page 1252 too.
bool NamesEqual(std::string_view a, std::string_view b) { return EqualsIgnoreCase(a, b); }

enum class LineKind { kBlank, kComment, kSection, kKey };

// One line of a profile file: where it lies in the contents (line end included)
// and what it says.
struct Line {
  std::size_t begin = 0;
  std::size_t end = 0;
  LineKind kind = LineKind::kBlank;
  std::string_view name;
  std::string_view value;
  bool has_value = false;
};

// Walks the lines of profile contents without copying them.
class LineScanner {
 public:
  explicit LineScanner(std::string_view contents) : contents_(contents) {}

  bool Next(Line* line) {
    const std::size_t size = contents_.size();
    if (pos_ >= size) return false;
    const char* base = contents_.data();
    const std::size_t begin = pos_;
    // CRLF, a lone LF and a lone CR each end a line. Splitting the same way
    // whatever the rest of the file holds keeps a write (which adds CRLF lines)
    // from merging or splitting the lines around it.
    std::size_t at = begin;
    while (at < size && base[at] != '\n' && base[at] != '\r') ++at;
    if (at < size && base[at] == '\r' && at + 1 < size && base[at + 1] == '\n') ++at;
    pos_ = at < size ? at + 1 : size;

    line->begin = begin;
    line->end = pos_;
    line->name = {};
    line->value = {};
    line->has_value = false;
    Classify(TrimSpace(contents_.substr(begin, pos_ - begin)), line);
    return true;
  }

 private:
  static void Classify(std::string_view text, Line* line) {
    if (text.empty()) {
      line->kind = LineKind::kBlank;
      return;
    }
    if (text.front() == '[') {
      std::size_t close = text.rfind(']');
      if (close != std::string_view::npos && close > 0) {
        line->kind = LineKind::kSection;
        line->name = text.substr(1, close - 1);
        return;
      }
    }
    // A comment is still split like a key line: asked for by its full name
    // (";name"), it reads as a key, as with the platform's functions. It is no
    // key for key lists or writes.
    line->kind = text.front() == ';' ? LineKind::kComment : LineKind::kKey;
    std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
      line->name = text;
      return;
    }
    std::string_view name = text.substr(0, equals);
    while (!name.empty() && IsProfileSpace(name.back())) name.remove_suffix(1);
    std::string_view value = text.substr(equals + 1);
    while (!value.empty() && IsProfileSpace(value.front())) value.remove_prefix(1);
    line->name = name;
    line->value = value;
    line->has_value = true;
  }

  std::string_view contents_;
  std::size_t pos_ = 0;
};

// Tracks which lines belong to the first section named `section`. The lines
// before the first header form the section whose name is empty.
class SectionTracker {
 public:
  explicit SectionTracker(std::string_view section)
      : section_(section), inside_(section.empty()), found_(inside_) {}

  // Feeds the next line; false once the wanted section has ended.
  bool Feed(const Line& line) {
    if (line.kind != LineKind::kSection) return true;
    if (inside_) {
      inside_ = false;
      return false;
    }
    if (!found_ && NamesEqual(line.name, section_)) {
      inside_ = true;
      found_ = true;
      header_ = line;
    }
    return true;
  }

  // True while the lines fed belong to the wanted section (its header excluded).
  bool inside(const Line& line) const { return inside_ && line.kind != LineKind::kSection; }
  bool found() const { return found_; }
  // The header line; begin == end == 0 for the unnamed section.
  const Line& header() const { return header_; }

 private:
  std::string_view section_;
  bool inside_;
  bool found_;
  Line header_;
};

// Copies `text` with one pair of surrounding quotes removed, cut to size - 1.
std::size_t CopyEntry(std::string_view text, char* buffer, std::size_t size) {
  text = CutAtNul(text);
  if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
      text.back() == text.front()) {
    text = text.substr(1, text.size() - 2);
  }
  std::size_t count = std::min(text.size(), size - 1);
  std::memcpy(buffer, text.data(), count);
  buffer[count] = '\0';
  return count;
}

// The default loses its trailing blanks, as the platform function does; a default
// made only of blanks keeps its first one.
std::string_view DefaultText(std::string_view text) {
  text = CutAtNul(text);
  while (text.size() > 1 && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// Writes the key names of the section with the platform function's rules for a
// buffer that is too small. Returns the count; buffer[0] is NUL when none fit.
std::size_t CopyKeyNames(std::string_view contents, std::string_view section, char* buffer,
                         std::size_t size) {
  SectionTracker tracker(section);
  LineScanner scanner(contents);
  Line line;
  std::size_t left = size;
  std::size_t out = 0;
  while (scanner.Next(&line) && tracker.Feed(line)) {
    if (!tracker.inside(line) || line.kind != LineKind::kKey || !line.has_value) continue;
    if (left <= 2) break;
    std::string_view name = CutAtNul(line.name);
    std::size_t count = std::min(name.size(), left - 2);
    std::memcpy(buffer + out, name.data(), count);
    buffer[out + count] = '\0';
    out += count + 1;
    left -= count + 1;
    if (left < 2) break;
  }
  buffer[out] = '\0';
  if (left <= 1 && out > 0) {
    // The names did not fit: the last one is cut and two NULs end the buffer.
    buffer[out - 1] = '\0';
    return size - 2;
  }
  return out;
}

bool EndsWithLineEnd(std::string_view text) {
  return !text.empty() && (text.back() == '\n' || text.back() == '\r');
}

std::string Splice(std::string_view contents, std::size_t begin, std::size_t end,
                   std::string_view insert) {
  std::string out;
  out.reserve(contents.size() - (end - begin) + insert.size());
  out.append(contents.substr(0, begin));
  out.append(insert);
  out.append(contents.substr(end));
  return out;
}

std::string KeyLine(std::string_view lead, std::string_view name, std::string_view value) {
  std::string line;
  line.reserve(lead.size() + name.size() + value.size() + 3);
  line.append(lead).append(name).append("=").append(value).append(kLineEnd);
  return line;
}

}  // namespace

std::size_t ReadProfileText(std::string_view contents, std::string_view section,
                            std::optional<std::string_view> key, std::string_view default_value,
                            char* buffer, std::size_t size) {
  if (buffer == nullptr || size == 0) return 0;
  section = TrimSpace(CutAtNul(section));
  if (!key) {
    std::size_t count = CopyKeyNames(contents, section, buffer, size);
    if (buffer[0] != '\0') return count;
    return CopyEntry(DefaultText(default_value), buffer, size);
  }
  std::string_view wanted = TrimSpace(CutAtNul(*key));
  SectionTracker tracker(section);
  LineScanner scanner(contents);
  Line line;
  while (scanner.Next(&line) && tracker.Feed(line)) {
    const bool keyed = line.kind == LineKind::kKey || line.kind == LineKind::kComment;
    if (tracker.inside(line) && keyed && NamesEqual(line.name, wanted)) {
      if (!line.has_value) break;  // a key without "=" reads as absent
      return CopyEntry(line.value, buffer, size);
    }
  }
  return CopyEntry(DefaultText(default_value), buffer, size);
}

std::optional<std::string> EditProfileText(std::string_view contents, std::string_view section,
                                           std::optional<std::string_view> key,
                                           std::optional<std::string_view> value) {
  section = TrimSpace(CutAtNul(section));
  std::optional<std::string_view> wanted;
  if (key) wanted = TrimSpace(CutAtNul(*key));

  SectionTracker tracker(section);
  LineScanner scanner(contents);
  Line line;
  std::optional<Line> match;
  std::size_t section_end = contents.size();
  std::size_t last_key_end = 0;
  bool last_key_has_line_end = true;
  while (scanner.Next(&line)) {
    if (!tracker.Feed(line)) {
      section_end = line.begin;
      break;
    }
    if (!tracker.inside(line) || line.kind != LineKind::kKey) continue;
    if (wanted && !match && NamesEqual(line.name, *wanted)) match = line;
    last_key_end = line.end;
    last_key_has_line_end = EndsWithLineEnd(contents.substr(line.begin, line.end - line.begin));
  }
  const bool in_section = tracker.found();
  const Line& header = tracker.header();

  if (!wanted) {  // delete the section
    if (!in_section || section_end == header.begin) return std::nullopt;
    return Splice(contents, header.begin, section_end, {});
  }
  if (!value) {  // delete the key
    if (!match) return std::nullopt;
    return Splice(contents, match->begin, match->end, {});
  }

  std::string_view text = CutAtNul(*value);
  if (match) {
    std::string replacement = KeyLine({}, match->name, text);
    if (contents.substr(match->begin, match->end - match->begin) == replacement) {
      return std::nullopt;
    }
    return Splice(contents, match->begin, match->end, replacement);
  }
  if (in_section) {
    std::size_t at = last_key_end;
    bool needs_line_end = !last_key_has_line_end;
    if (at == 0) {  // no key yet: right after the header
      at = header.end;
      needs_line_end = header.end > header.begin &&
                       !EndsWithLineEnd(contents.substr(header.begin, header.end - header.begin));
    }
    return Splice(contents, at, at, KeyLine(needs_line_end ? kLineEnd : "", *wanted, text));
  }
  std::string out;
  out.reserve(contents.size() + section.size() + wanted->size() + text.size() + 10);
  out.append(contents);
  if (!contents.empty() && !EndsWithLineEnd(contents)) out.append(kLineEnd);
  out.append("[").append(section).append("]").append(kLineEnd);
  out.append(KeyLine({}, *wanted, text));
  return out;
}

bool IsWritableProfileText(std::string_view text) {
  return CutAtNul(text).find_first_of("\r\n") == std::string_view::npos;
}

bool IsWritableProfileKey(std::string_view key) {
  if (!IsWritableProfileText(key)) return false;
  std::string_view name = TrimSpace(CutAtNul(key));
  if (name.find('=') != std::string_view::npos) return false;
  return name.empty() || (name.front() != ';' && name.front() != '[');
}

std::size_t ReadProfileValue(FileSystem& fs, const std::string& path, std::string_view section,
                             std::optional<std::string_view> key, std::string_view default_value,
                             char* buffer, std::size_t size) {
  std::string contents;
  if (!fs.ReadFile(path, &contents)) contents.clear();
  return ReadProfileText(contents, section, key, default_value, buffer, size);
}

std::string ReadProfileString(FileSystem& fs, const std::string& path, std::string_view section,
                              std::optional<std::string_view> key, std::string_view default_value,
                              std::size_t size) {
  std::string out(size, '\0');
  out.resize(ReadProfileValue(fs, path, section, key, default_value, out.data(), size));
  return out;
}

bool WriteProfileValue(FileSystem& fs, const std::string& path, std::string_view section,
                       std::optional<std::string_view> key, std::optional<std::string_view> value) {
  if (!IsWritableProfileText(section) || (key && !IsWritableProfileKey(*key)) ||
      (value && !IsWritableProfileText(*value))) {
    return false;
  }
  std::string contents;
  if (!fs.ReadFile(path, &contents)) {
    // Never replace a file that exists but could not be read.
    if (fs.FileExists(path)) return false;
    contents.clear();
  }
  std::optional<std::string> changed = EditProfileText(contents, section, key, value);
  if (!changed) return true;
  return fs.WriteFileAtomic(path, *changed);
}

}  // namespace k9
