// The georeferencing text files around an underlay image.
//
// An INF file lies beside a host map image and gives the image's corners as
// coordinate text: comment lines start with ";" in the first column, the first
// two other lines are the north-west and the south-east corner, each as two
// coordinates separated by a comma ("000.07.30W,51.30.00N"; the latitude may come
// first). A coordinate is degrees, optionally "." and minutes (which may carry
// decimals), and a hemisphere letter; "51.5N" is therefore 51 degrees 5 minutes.
//
// A SAT file lies beside an underlay image in the underlays folder. Its first line
// holds the image's north-west longitude and latitude and its south-east longitude
// and latitude, in decimal degrees, separated by ", ".
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace k9 {

// The corners of a georeferenced image, in single precision as the INF reader
// holds them.
struct InfCorners {
  float lng1 = 0;  // north-west (top-left) corner
  float lat1 = 0;
  float lng2 = 0;  // south-east (bottom-right) corner
  float lat2 = 0;
};

// The value of one coordinate ("51.30.00N" -> 51.5, "001.15W" -> -1.25). Blanks
// around it are ignored and letters are read without regard to case. Text that
// does not end in N, S, E or W counts as 0.
float InfCoordinate(std::string_view text);

// Reads the corners from the contents of an INF file. nullopt when the file is
// not usable: a coordinate line without a comma, an empty line before the second
// coordinate line, a file that ends before its second coordinate line, a line
// that is not a latitude and a longitude on the earth (each with its hemisphere
// letter, at most 90 and 180 degrees), or corners that are not a north-west and
// a south-east one. `why`, when given, then gets a sentence for the user naming
// the line. Lines may end in CRLF or LF.
std::optional<InfCorners> ReadInfCorners(std::string_view contents, std::string* why = nullptr);

// The SAT line for `corners`, without its line end: "-1.5, 51.5, 1.25, 51.25".
// Numbers are written with up to seven significant digits, as single precision
// holds them, and always with "." as the decimal separator.
std::string FormatSatLine(const InfCorners& corners);

// The four numbers (west, north, east, south) of a SAT file's first line, or
// nullopt when that line does not hold exactly four fields separated by ",".
// Each field is read as a plain number: leading blanks ignored, "." as the
// decimal separator, 0 when it holds no number.
std::optional<std::array<double, 4>> ReadSatCorners(std::string_view contents);

// The companion file of an image or INF path: the path without its last three
// characters (its extension) followed by `extension`. "" when the path is
// shorter than three characters.
std::string CompanionPath(std::string_view path, std::string_view extension);

}  // namespace k9
