// The stand-in host's script language: one command a line, words separated by
// blanks, double quotes grouping words into one (a doubled quote inside quotes is
// one quote character), "#" outside quotes starting a comment. ParseScript checks
// every line against the command table before anything runs, so a malformed
// script is rejected whole instead of stopping half-way.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace k9::host {

struct ScriptCommand {
  int line = 0;                    // from 1
  std::vector<std::string> words;  // words[0] is the command name, in lower case
};

struct Script {
  std::vector<ScriptCommand> commands;
};

// Splits one line into words. nullopt (and *error set) when a quote is not closed.
std::optional<std::vector<std::string>> SplitScriptLine(std::string_view line, std::string* error);

// Parses a whole script (LF or CRLF line ends; a UTF-8 byte-order mark first is
// skipped). On a malformed line returns
// nullopt and sets *error to "line N: what is wrong".
std::optional<Script> ParseScript(std::string_view text, std::string* error);

// Reads a whole number; nullopt unless the text is one (optional sign, digits).
std::optional<long long> ParseWholeNumber(std::string_view text);
// Reads a decimal number with "." as separator; nullopt unless the whole text is one.
std::optional<double> ParseDecimal(std::string_view text);

}  // namespace k9::host
