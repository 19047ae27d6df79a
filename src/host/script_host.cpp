#include "host/script_host.h"

#include <charconv>
#include <filesystem>
#include <utility>

#include "common/text.h"
#include "host/png.h"
#include "host/script_text.h"

namespace k9::host {
namespace {

constexpr char kNoObject[] = "the server has not been created";

std::string Bool(bool value) { return value ? "True" : "False"; }

// A path from a script, made absolute against the host's working folder so that
// the server, which has its own idea of folders, gets the same place.
std::string AbsolutePath(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  return ec ? path : absolute.lexically_normal().string();
}

std::optional<std::string> AnswerValue(const std::string& answer, bool is_path) {
  if (EqualsIgnoreCase(answer, "cancel")) return std::nullopt;
  return is_path ? AbsolutePath(answer) : answer;
}

}  // namespace

std::string QuoteText(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  out += '"';
  return out;
}

std::string SixDecimals(double value) {
  char buffer[64];
  const auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  if (ec != std::errc()) return "NaN";
  return std::string(buffer, end);
}

std::string FormatValue(const CallValue& value) {
  struct Visitor {
    std::string operator()(std::monostate) const { return "Empty"; }
    std::string operator()(bool v) const { return Bool(v); }
    std::string operator()(std::int16_t v) const { return std::to_string(v); }
    std::string operator()(std::int32_t v) const { return std::to_string(v); }
    std::string operator()(double v) const { return FormatNumber(v); }
    std::string operator()(const std::string& v) const { return QuoteText(v); }
    std::string operator()(const TextArray& v) const {
      if (!v.allocated) return "()";
      std::string out = "(";
      for (std::size_t i = 0; i < v.items.size(); ++i) {
        if (i > 0) out += ' ';
        out += QuoteText(v.items[i]);
      }
      return out + ")";
    }
    std::string operator()(PictureBox*) const { return "Object"; }
    std::string operator()(HostEvents*) const { return "Object"; }
    std::string operator()(HostForm*) const { return "Object"; }
  };
  return std::visit(Visitor{}, value);
}

std::optional<std::vector<Station>> ParseStations(std::string_view text, std::string* error) {
  std::vector<Station> stations;
  int number = 0;
  for (std::string line : Split(text, '\n')) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (Trim(line).empty() || line.front() == '#') continue;
    const std::vector<std::string> fields = Split(line, '\t');
    const std::string callsign = fields.empty() ? "" : Trim(fields[0]);
    // Out of range stands for "not a number" too (gcc 12's optimiser wrongly sees an
    // unset std::optional read here, so none is used).
    const double longitude =
        fields.size() == 3 ? ParseDecimal(Trim(fields[1])).value_or(1000) : 1000;
    const double latitude =
        fields.size() == 3 ? ParseDecimal(Trim(fields[2])).value_or(1000) : 1000;
    if (callsign.empty() || callsign.find(',') != std::string::npos || longitude < -180 ||
        longitude > 180 || latitude < -90 || latitude > 90) {
      *error = "line " + std::to_string(number) +
               ": a station is a callsign, a longitude (-180 to 180) and a latitude (-90 to 90) "
               "separated by tabs";
      return std::nullopt;
    }
    stations.push_back({ToUpper(TypedText(callsign)), longitude, latitude});
  }
  return stations;
}

std::string StationAnswer(const std::vector<Station>& stations, std::string_view query) {
  const std::string wanted = ToUpper(Trim(query));
  const bool has_ssid = wanted.find('-') != std::string::npos;
  std::string answer;
  for (const Station& station : stations) {
    const bool same = station.callsign == wanted;
    const bool with_ssid = !has_ssid && station.callsign.size() > wanted.size() &&
                           station.callsign.compare(0, wanted.size(), wanted) == 0 &&
                           station.callsign[wanted.size()] == '-';
    if (wanted.empty() || (!same && !with_ssid)) continue;
    if (!answer.empty()) answer += '\t';
    answer += station.callsign + "," + FormatNumber(station.longitude) + "," +
              FormatNumber(station.latitude);
  }
  return answer;
}

ScriptHost::ScriptHost(Creator create, std::ostream& out, FileSystem& fs, int width, int height)
    : create_(std::move(create)), out_(out), fs_(fs), picture_box_(width, height) {}

ScriptHost::~ScriptHost() { Release(); }

// The server's texts (matches, titles, messages) are Windows-1252; the user reads UTF-8.
void ScriptHost::Line(const std::string& text) { out_ << PrintedText(text) << '\n' << std::flush; }

void ScriptHost::Fail(const std::string& member, const std::string& description) {
  const std::string line = "Error " + member + ": " + description;
  Line(line);
  ReportError(line);
}

bool ScriptHost::RequireObject(const std::string& member) {
  if (object_ != nullptr) return true;
  Fail(member, kNoObject);
  return false;
}

bool ScriptHost::Call(const std::string& member, CallKind kind, std::vector<CallValue>& args,
                      CallValue* result) {
  if (!RequireObject(member)) return false;
  const CallOutcome outcome = object_->Invoke(member, kind, args, result);
  if (!outcome.ok) {
    Fail(member, outcome.description.empty() ? "error " + std::to_string(outcome.number)
                                             : outcome.description);
    return false;
  }
  return true;
}

void ScriptHost::CallWithPicture(const std::string& member, std::vector<CallValue> more) {
  std::vector<CallValue> args;
  args.emplace_back(static_cast<PictureBox*>(&picture_box_));
  for (CallValue& value : more) args.push_back(std::move(value));
  CallValue result;
  if (Call(member, CallKind::kMethod, args, &result)) {
    Line("Result " + member + " " + FormatValue(result));
  }
}

void ScriptHost::Run(const Script& script) {
  for (const ScriptCommand& command : script.commands) {
    if (!Pump()) return;
    RunCommand(command);
  }
}

void ScriptHost::RunCommand(const ScriptCommand& command) {
  const std::vector<std::string>& w = command.words;
  const std::string& name = w[0];
  // The script was checked when it was parsed, so the numbers read here are valid.
  auto decimal = [&](std::size_t i) { return ParseDecimal(w[i]).value_or(0); };
  auto whole = [&](std::size_t i) { return ParseWholeNumber(w[i]).value_or(0); };
  auto int16 = [&](std::size_t i) { return static_cast<std::int16_t>(whole(i)); };

  if (name == "create") {
    Create();
  } else if (name == "initialize") {
    std::vector<CallValue> args{w[1], static_cast<HostEvents*>(this), static_cast<HostForm*>(this)};
    Call("Initialize", CallKind::kMethod, args, nullptr);
  } else if (name == "features") {
    Features();
  } else if (name == "draw") {
    CallWithPicture("DrawMapFromCorners", {decimal(1), decimal(2), decimal(3), decimal(4)});
  } else if (name == "centre") {
    CallWithPicture("DrawMapFromCentre", {decimal(1), decimal(2)});
  } else if (name == "size") {
    picture_box_.Resize(static_cast<int>(whole(1)), static_cast<int>(whole(2)));
  } else if (name == "resize") {
    CallWithPicture("ResizeMap", {0.0, 0.0, 0.0, 0.0});
  } else if (name == "zoomin") {
    CallWithPicture("ZoomIn", {});
  } else if (name == "zoomout") {
    CallWithPicture("ZoomOut", {});
  } else if (name == "zoomall") {
    CallWithPicture("ZoomAll", {});
  } else if (name == "pan") {
    CallWithPicture("ZoomPan", {int16(1)});
  } else if (name == "option") {
    CallWithPicture("SpecialMenuOption", {int16(1)});
  } else if (name == "get") {
    std::vector<CallValue> args;
    CallValue result;
    if (Call(w[1], CallKind::kPropertyGet, args, &result)) {
      Line(w[1] + " = " + FormatValue(result));
    }
  } else if (name == "set") {
    std::vector<CallValue> args{TypedText(w[2])};
    Call(w[1], CallKind::kPropertyPut, args, nullptr);
  } else if (name == "favourite") {
    Favourite(w);
  } else if (name == "panel") {
    Panel(w);
  } else if (name == "search") {
    Search(int16(1), w[2]);
  } else if (name == "goto") {
    GoTo(whole(1));
  } else if (name == "callsign") {
    callsign_answers_[ToUpper(TypedText(w[1]))] = TypedText(w[2]);
  } else if (name == "answer") {
    Answer(ToLower(w[1]), w[2]);
  } else if (name == "png") {
    SavePicture(w[1]);
  } else if (name == "release") {
    if (RequireObject("release")) Release();
  } else if (name == "wait") {
    Wait(static_cast<int>(whole(1)));
  } else if (name == "resources") {
    const std::string figures = ProcessResources();
    if (figures.empty()) {
      Fail("resources", "this host does not measure its process");
    } else {
      Line("Resources " + figures);
    }
  }
}

void ScriptHost::Create() {
  if (object_ != nullptr) {
    Fail("create", "the server already exists; release it first");
    return;
  }
  std::string error;
  object_ = create_(&error);
  if (object_ == nullptr) {
    Fail("create", error);
    return;
  }
  object_->Automation().SetMessageSink([this](const std::string& caption, const std::string& text) {
    Line("MessageBox " + QuoteText(caption) + " " + QuoteText(text));
  });
  object_->Automation().SetHelpSink([this](const HelpReport& help) {
    Line("Help " + QuoteText(help.file) + " " + std::to_string(help.context) + " " +
         QuoteText(help.page));
  });
  FlushAnswers();
}

void ScriptHost::Release() {
  if (object_ == nullptr) return;
  MapServerObject* object = std::exchange(object_, nullptr);
  object->Release();
}

void ScriptHost::Features() {
  std::vector<CallValue> args{false,         false,           false,         false,      false,
                              std::string(), std::int32_t{0}, std::string(), TextArray{}};
  if (!Call("GetSupportedFeatures", CallKind::kMethod, args, nullptr)) return;
  std::string line = "features";
  for (std::size_t i = 0; i < 8; ++i) line += " " + FormatValue(args[i]);
  HostFeatures features;
  auto flag = [&](std::size_t i) {
    const bool* value = std::get_if<bool>(&args[i]);
    return value != nullptr && *value;
  };
  features.diagonal_pan = flag(0);
  features.zoom_in = flag(1);
  features.zoom_out = flag(2);
  features.zoom_all = flag(3);
  features.control_panel = flag(4);
  if (const auto* file = std::get_if<std::string>(&args[5])) features.help_file = *file;
  if (const auto* topic = std::get_if<std::int32_t>(&args[6])) features.help_topic = *topic;
  if (const auto* name = std::get_if<std::string>(&args[7])) features.short_name = *name;
  if (const TextArray* captions = std::get_if<TextArray>(&args[8])) {
    for (const std::string& caption : captions->items) {
      line += " " + QuoteText(caption);
      features.captions.push_back(caption);
    }
  }
  features_ = std::move(features);
  Line(line);
}

TextArray ScriptHost::LoadFavourites() {
  std::vector<CallValue> args{TextArray{}};
  if (!Call("LoadFavouriteViews", CallKind::kMethod, args, nullptr)) return {};
  const TextArray* views = std::get_if<TextArray>(&args[0]);
  return views != nullptr && views->allocated ? *views : TextArray{};
}

void ScriptHost::Favourite(const std::vector<std::string>& words) {
  const std::string what = ToLower(words[1]);
  if (what == "add") {
    std::vector<CallValue> args{TypedText(words[2])};
    Call("AddToFavouriteViews", CallKind::kMethod, args, nullptr);
  } else if (what == "save") {
    // With no texts the host has deleted its last favourite: its array was never
    // dimensioned, which is what it hands over.
    TextArray views;
    if (words.size() > 2) {
      views = {true, 0, {}};
      for (auto word = words.begin() + 2; word != words.end(); ++word)
        views.items.push_back(TypedText(*word));
    }
    std::vector<CallValue> args{std::move(views)};
    Call("SaveFavouriteViews", CallKind::kMethod, args, nullptr);
  } else {
    const TextArray views = LoadFavourites();
    for (std::size_t i = 0; i < views.items.size(); ++i) {
      Line("Favourite " + std::to_string(views.lower + static_cast<std::int32_t>(i)) + " " +
           QuoteText(views.items[i]));
    }
  }
}

void ScriptHost::Panel(const std::vector<std::string>& words) {
  if (!RequireObject("ShowControlPanel")) return;
  const CallOutcome queued = object_->Automation().QueueControlPanelItems(
      std::vector<std::string>(words.begin() + 1, words.end()));
  if (!queued.ok) {
    Fail("ShowControlPanel", queued.description);
    return;
  }
  std::vector<CallValue> args;
  Call("ShowControlPanel", CallKind::kMethod, args, nullptr);
  if (object_ == nullptr) return;
  for (const std::string& report : object_->Automation().TakeControlPanelReports()) {
    Fail("panel", report);
  }
}

void ScriptHost::Search(std::int16_t type, const std::string& query) {
  if (!RequireObject("search")) return;
  if (!object_->Automation().SearchDialogOpen()) {
    CallWithPicture("SpecialMenuOption", {std::int16_t{0}});
    if (object_ == nullptr || !object_->Automation().SearchDialogOpen()) {
      Fail("search", "the search dialog did not open");
      return;
    }
  }
  // Typed into the dialog, the query is in the character set of the server's text.
  const CallOutcome found = object_->Automation().SearchFind(type, TypedText(query));
  if (!found.ok) {
    Fail("search", found.description);
    return;
  }
  const std::vector<SearchMatch> matches = object_->Automation().SearchMatches();
  for (std::size_t i = 0; i < matches.size(); ++i) {
    Line("Match " + std::to_string(i + 1) + " " + QuoteText(matches[i].text));
  }
  Line("ResultLbl " + QuoteText(object_->Automation().SearchResultLabel()));
}

void ScriptHost::GoTo(long long number) {
  if (!RequireObject("goto")) return;
  if (!object_->Automation().SearchDialogOpen()) {
    Fail("goto", "the search dialog is not open");
    return;
  }
  const std::size_t count = object_->Automation().SearchMatches().size();
  if (number < 1 || static_cast<std::size_t>(number) > count) {
    Fail("goto",
         "there is no match " + std::to_string(number) + " (" + std::to_string(count) + " listed)");
    return;
  }
  const CallOutcome went = object_->Automation().SearchGoTo(static_cast<std::int32_t>(number - 1));
  if (!went.ok) Fail("goto", went.description);
}

void ScriptHost::Answer(const std::string& kind, const std::string& answer) {
  if (kind == "folder") {
    folder_answers_.push_back(AnswerValue(answer, true));
  } else if (kind == "file") {
    file_answers_.push_back(AnswerValue(answer, true));
  } else {
    chooser_answers_.push_back(AnswerValue(answer, false));
  }
  if (object_ != nullptr) FlushAnswers();
}

void ScriptHost::FlushAnswers() {
  ServerAutomation& automation = object_->Automation();
  for (auto& answer : folder_answers_) automation.QueueFolderAnswer(std::move(answer));
  for (auto& answer : file_answers_) automation.QueueFileAnswer(std::move(answer));
  for (auto& answer : chooser_answers_) automation.QueueChooserAnswer(std::move(answer));
  folder_answers_.clear();
  file_answers_.clear();
  chooser_answers_.clear();
}

void ScriptHost::SavePicture(const std::string& path) {
  std::string error;
  if (!SavePng(fs_, AbsolutePath(path), picture_box_.Image(), &error)) Fail("png", error);
}

void ScriptHost::SignalSuspend(bool suspend) { Line("SignalSuspend " + Bool(suspend)); }

void ScriptHost::SignalSpecialRedraw(const std::string& title) {
  Line("SignalSpecialRedraw " + QuoteText(title));
}

void ScriptHost::SignalInformation(double& west, double& east, double& north, double& south,
                                   const std::string& title) {
  Line("SignalInformation " + SixDecimals(west) + " " + SixDecimals(east) + " " +
       SixDecimals(north) + " " + SixDecimals(south) + " " + QuoteText(title));
}

void ScriptHost::SignalCallsignData(std::string& callsign, std::string& result) {
  Line("SignalCallsignData " + QuoteText(callsign));
  const auto answer = callsign_answers_.find(ToUpper(Trim(callsign)));
  if (answer != callsign_answers_.end()) {
    result = answer->second;
  } else {
    result = StationAnswer(stations_, callsign);
  }
}

void ScriptHost::SetSpecialOptionVisible(int index, bool visible) {
  Line("Menu " + std::to_string(index) + " Visible " + Bool(visible));
}

void ScriptHost::SetSpecialOptionEnabled(int index, bool enabled) {
  Line("Menu " + std::to_string(index) + " Enabled " + Bool(enabled));
}

void ScriptHost::UnloadSpecialOption(int index) {
  Line("Menu " + std::to_string(index) + " Unloaded");
}

}  // namespace k9::host
