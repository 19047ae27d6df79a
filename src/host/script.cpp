#include "host/script.h"

#include <charconv>
#include <cstddef>
#include <system_error>

namespace k9::host {
namespace {

enum class Arg { kText, kWhole, kDecimal };

// An hour: long enough for any demonstration, short enough to catch a typo.
constexpr long long kLongestWait = 3600000;

// What each command takes: its fixed arguments, then (when `rest` is set) any
// number of further text words.
struct CommandShape {
  const char* name;
  std::vector<Arg> args;
  bool rest = false;
};

const std::vector<CommandShape>& Shapes() {
  static const std::vector<CommandShape> shapes = {
      {"create", {}},
      {"initialize", {Arg::kText}},
      {"features", {}},
      {"draw", {Arg::kDecimal, Arg::kDecimal, Arg::kDecimal, Arg::kDecimal}},
      {"centre", {Arg::kDecimal, Arg::kDecimal}},
      {"size", {Arg::kWhole, Arg::kWhole}},
      {"resize", {}},
      {"zoomin", {}},
      {"zoomout", {}},
      {"zoomall", {}},
      {"pan", {Arg::kWhole}},
      {"option", {Arg::kWhole}},
      {"get", {Arg::kText}},
      {"set", {Arg::kText, Arg::kText}},
      {"favourite", {Arg::kText}, true},
      {"panel", {}, true},
      {"search", {Arg::kWhole, Arg::kText}},
      {"goto", {Arg::kWhole}},
      {"callsign", {Arg::kText, Arg::kText}},
      {"answer", {Arg::kText, Arg::kText}},
      {"png", {Arg::kText}},
      {"release", {}},
      {"wait", {Arg::kWhole}},
      {"resources", {}},
  };
  return shapes;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// Checks the words after the command name; "" when they fit.
std::string CheckArguments(const CommandShape& shape, const std::vector<std::string>& words) {
  const std::size_t given = words.size() - 1;
  if (given < shape.args.size() || (!shape.rest && given > shape.args.size())) {
    return std::string(shape.name) + " takes " + std::to_string(shape.args.size()) +
           (shape.rest ? " or more" : "") + " argument" + (shape.args.size() == 1 ? "" : "s") +
           ", not " + std::to_string(given);
  }
  for (std::size_t i = 0; i < shape.args.size(); ++i) {
    const std::string& word = words[i + 1];
    if (shape.args[i] == Arg::kWhole && !ParseWholeNumber(word)) {
      return "'" + word + "' is not a whole number";
    }
    if (shape.args[i] == Arg::kDecimal && !ParseDecimal(word)) {
      return "'" + word + "' is not a number";
    }
  }
  const std::string name = words[0];
  if (name == "favourite") {
    const std::string what = Lower(words[1]);
    if (what == "add" && words.size() != 3) return "favourite add takes one text";
    if (what == "load" && words.size() != 2) return "favourite load takes no text";
    if (what != "add" && what != "save" && what != "load") {
      return "favourite takes add, save or load, not '" + words[1] + "'";
    }
  }
  if (name == "answer") {
    const std::string what = Lower(words[1]);
    if (what != "folder" && what != "file" && what != "chooser") {
      return "answer takes folder, file or chooser, not '" + words[1] + "'";
    }
  }
  if (name == "size") {
    if (*ParseWholeNumber(words[1]) < 1 || *ParseWholeNumber(words[2]) < 1 ||
        *ParseWholeNumber(words[1]) > 16384 || *ParseWholeNumber(words[2]) > 16384) {
      return "a picture box size is 1 to 16384 pixels each way";
    }
  }
  if (name == "wait") {
    const long long value = *ParseWholeNumber(words[1]);
    if (value < 0 || value > kLongestWait) {
      return "wait takes 0 to " + std::to_string(kLongestWait) + " milliseconds";
    }
  }
  if ((name == "pan" || name == "option" || name == "search")) {
    const long long value = *ParseWholeNumber(words[1]);
    if (value < -32768 || value > 32767) return "'" + words[1] + "' is out of the 16-bit range";
  }
  return "";
}

}  // namespace

std::optional<std::vector<std::string>> SplitScriptLine(std::string_view line, std::string* error) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false;
  bool in_quotes = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (in_quotes) {
      if (c == '"') {
        if (i + 1 < line.size() && line[i + 1] == '"') {
          word += '"';
          ++i;
        } else {
          in_quotes = false;
        }
      } else {
        word += c;
      }
      continue;
    }
    if (c == '#') break;
    if (c == ' ' || c == '\t' || c == '\r') {
      if (in_word) words.push_back(std::move(word));
      word.clear();
      in_word = false;
      continue;
    }
    in_word = true;
    if (c == '"') {
      in_quotes = true;
    } else {
      word += c;
    }
  }
  if (in_quotes) {
    if (error) *error = "a quote is not closed";
    return std::nullopt;
  }
  if (in_word) words.push_back(std::move(word));
  return words;
}

std::optional<Script> ParseScript(std::string_view text, std::string* error) {
  // Editors that save UTF-8 often put a byte-order mark first; it is no command.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  Script script;
  int number = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    ++number;
    std::string problem;
    std::optional<std::vector<std::string>> words = SplitScriptLine(line, &problem);
    if (!words) {
      if (error) *error = "line " + std::to_string(number) + ": " + problem;
      return std::nullopt;
    }
    if (!words->empty()) {
      (*words)[0] = Lower((*words)[0]);
      const CommandShape* shape = nullptr;
      for (const CommandShape& candidate : Shapes()) {
        if ((*words)[0] == candidate.name) shape = &candidate;
      }
      if (!shape) {
        if (error)
          *error = "line " + std::to_string(number) + ": unknown command '" + (*words)[0] + "'";
        return std::nullopt;
      }
      problem = CheckArguments(*shape, *words);
      if (!problem.empty()) {
        if (error) *error = "line " + std::to_string(number) + ": " + problem;
        return std::nullopt;
      }
      script.commands.push_back(ScriptCommand{number, std::move(*words)});
    }
    if (end == text.size()) break;
    start = end + 1;
  }
  return script;
}

std::optional<long long> ParseWholeNumber(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  long long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

std::optional<double> ParseDecimal(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  const auto [end, ec] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

}  // namespace k9::host
