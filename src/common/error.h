// Errors that cross the system's public boundary carry a number, a source and a
// description, as an automation error does; the COM shell turns them into a failed
// call with that information. Failures without a number of their own are plain
// std::exception and reach the host as a generic failed call.
#pragma once

#include <stdexcept>
#include <string>

namespace k9 {

class ComError : public std::runtime_error {
 public:
  ComError(long number, std::string source, const std::string& description)
      : std::runtime_error(description), number_(number), source_(std::move(source)) {}

  long number() const { return number_; }
  const std::string& source() const { return source_; }
  std::string description() const { return what(); }

 private:
  long number_;
  std::string source_;
};

// Raised when text cannot be read as the type asked for ("Type mismatch").
class ConversionError : public ComError {
 public:
  explicit ConversionError(const std::string& text)
      : ComError(13, "Kestrel9", "Type mismatch: '" + text + "'") {}
};

}  // namespace k9
