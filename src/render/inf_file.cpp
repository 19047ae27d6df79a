#include "render/inf_file.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "common/text.h"

namespace k9 {

namespace {

// Splits at CRLF, LF or a lone CR. A last line without a line end counts; an
// empty text has no lines.
std::vector<std::string_view> Lines(std::string_view contents) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < contents.size(); ++i) {
    if (contents[i] != '\r' && contents[i] != '\n') continue;
    lines.push_back(contents.substr(start, i - start));
    if (contents[i] == '\r' && i + 1 < contents.size() && contents[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < contents.size()) lines.push_back(contents.substr(start));
  return lines;
}

bool EndsWithLatitudeLetter(std::string_view text) {
  return !text.empty() && (text.back() == 'N' || text.back() == 'S');
}

bool IsLatitudeLetter(char c) { return c == 'N' || c == 'S'; }
bool IsLongitudeLetter(char c) { return c == 'E' || c == 'W'; }

// One coordinate line, already trimmed and in upper case, into longitude and
// latitude. False unless it holds a latitude and a longitude on the earth, each
// with its own hemisphere letter, in either order.
bool ParseCoordinateLine(std::string_view line, float* lng, float* lat) {
  const std::size_t comma = line.find(',');
  if (comma == std::string_view::npos) return false;
  std::string first = Trim(line.substr(0, comma));
  std::string second = Trim(line.substr(comma + 1));
  if (EndsWithLatitudeLetter(first)) std::swap(first, second);
  // Without its letter a coordinate would count as 0 and put the image at 0 N 0 E.
  if (first.empty() || second.empty() || !IsLongitudeLetter(first.back()) ||
      !IsLatitudeLetter(second.back())) {
    return false;
  }
  *lng = InfCoordinate(first);
  *lat = InfCoordinate(second);
  return std::isfinite(*lng) && std::isfinite(*lat) && std::fabs(*lng) <= 180 &&
         std::fabs(*lat) <= 90;
}

std::string FormatSingle(float value) {
  if (value == 0) return "0";  // never "-0"
  char buffer[32];
  auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 7);
  if (ec != std::errc()) return "0";
  std::string text(buffer, end);
  // The separator is "." in every locale; kept as a rule of the file format.
  for (char& c : text) {
    if (c == ',') c = '.';
  }
  return text;
}

}  // namespace

float InfCoordinate(std::string_view text) {
  const std::string coordinate = ToUpper(Trim(text));
  if (coordinate.empty()) return 0;
  const char hemisphere = coordinate.back();
  if (hemisphere != 'N' && hemisphere != 'S' && hemisphere != 'E' && hemisphere != 'W') return 0;
  const std::string body = Trim(std::string_view(coordinate).substr(0, coordinate.size() - 1));
  const std::size_t dot = body.find('.');
  double value = LeadingNumber(std::string_view(body).substr(0, dot));
  if (dot != std::string::npos) value += LeadingNumber(std::string_view(body).substr(dot + 1)) / 60;
  if (hemisphere == 'S' || hemisphere == 'W') value = -value;
  return static_cast<float>(value);
}

std::optional<InfCorners> ReadInfCorners(std::string_view contents, std::string* why) {
  const auto refuse = [why](std::string reason) -> std::optional<InfCorners> {
    if (why != nullptr) *why = std::move(reason);
    return std::nullopt;
  };
  InfCorners corners;
  int coordinate_lines = 0;
  int number = 0;
  for (std::string_view raw : Lines(contents)) {
    ++number;
    if (!raw.empty() && raw.front() == ';') continue;
    const std::string line = ToUpper(Trim(raw));
    const std::string where = "Line " + std::to_string(number);
    if (line.empty()) return refuse(where + " is empty where a corner should be.");
    const bool ok = coordinate_lines == 0 ? ParseCoordinateLine(line, &corners.lng1, &corners.lat1)
                                          : ParseCoordinateLine(line, &corners.lng2, &corners.lat2);
    if (!ok) return refuse(where + " is not a latitude and a longitude on the earth.");
    if (++coordinate_lines < 2) continue;
    // The engine places the image between these corners: the first must lie
    // north and west of the second.
    if (!(corners.lat1 > corners.lat2 && corners.lng1 < corners.lng2)) {
      return refuse("Its corners are not a north-west and a south-east corner.");
    }
    return corners;
  }
  // The file ended before its second coordinate line. Its missing corners would
  // be 0, placing the image on a rectangle reaching to 0 N 0 E; such a file is as
  // unusable as one with a blank line there, and is refused the same way.
  return refuse("The file ends before its second corner.");
}

std::string FormatSatLine(const InfCorners& corners) {
  return FormatSingle(corners.lng1) + ", " + FormatSingle(corners.lat1) + ", " +
         FormatSingle(corners.lng2) + ", " + FormatSingle(corners.lat2);
}

std::optional<std::array<double, 4>> ReadSatCorners(std::string_view contents) {
  const std::size_t end = contents.find_first_of("\r\n");
  const std::string_view first_line = contents.substr(0, end);
  // A line of four numbers is short; anything with more commas is not four fields.
  std::size_t commas = 0;
  for (char c : first_line) {
    if (c == ',' && ++commas > 3) return std::nullopt;
  }
  if (commas != 3) return std::nullopt;
  std::array<double, 4> values{};
  const std::vector<std::string> fields = Split(first_line, ',');
  for (std::size_t i = 0; i < 4; ++i) {
    values[i] = LeadingNumber(fields[i]);
    // An overflowing number would hand the engine an infinite view.
    if (!std::isfinite(values[i])) return std::nullopt;
  }
  return values;
}

std::string CompanionPath(std::string_view path, std::string_view extension) {
  if (path.size() < 3) return "";
  return std::string(path.substr(0, path.size() - 3)) + std::string(extension);
}

}  // namespace k9
