// The stand-in host: it plays the host application towards one server object.
// It owns the picture box, answers the server's callbacks (printing each one as a
// line), builds its special-option menu from the server's captions, and runs the
// commands of a script against the object, one at a time, as the host's
// user-interface thread would.
//
// Output lines, in the order things happen:
//   SignalInformation <west> <east> <north> <south> "<title>"   (6 decimals)
//   SignalSuspend True | SignalSpecialRedraw "<title>" | SignalCallsignData "<call>"
//   MessageBox "<caption>" "<text>"
//   Menu <index> Visible|Enabled True|False, Menu <index> Unloaded
//   Result <member> <value>, <NAME> = <value>, features ..., Match <i> "<text>",
//   ResultLbl "<text>", Favourite <i> "<text>", Error <member>: <description>
// Quoted text has CR and LF written as \r and \n.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "host/picture_box.h"
#include "host/script.h"
#include "module/map_server_object.h"
#include "platform/file_system.h"
#include "server/host_port.h"

namespace k9::host {

// Formats text for an output line: in double quotes, CR and LF as \r and \n.
std::string QuoteText(const std::string& text);
// A number with six decimals, "." as separator.
std::string SixDecimals(double value);
// A value as the host prints it: True/False, numbers, quoted text, Empty.
std::string FormatValue(const CallValue& value);

// One station of the host's callsign file.
struct Station {
  std::string callsign;
  double longitude = 0;
  double latitude = 0;
};

// Reads a callsign file: one station a line, its callsign, longitude and
// latitude separated by tabs; blank lines and lines starting with "#" are
// skipped. nullopt, with *error saying "line N: ...", for any other line.
std::optional<std::vector<Station>> ParseStations(std::string_view text, std::string* error);

// The host's answer to a callsign query: every station whose callsign is the
// query (in any letter case), or, for a query without an SSID, whose callsign
// is the query with one ("N0CALL" finds "N0CALL-9"), as "CALL,longitude,latitude"
// entries separated by tabs. "" when none is.
std::string StationAnswer(const std::vector<Station>& stations, std::string_view query);

// What GetSupportedFeatures told the host.
struct HostFeatures {
  bool diagonal_pan = false;
  bool zoom_in = false;
  bool zoom_out = false;
  bool zoom_all = false;
  bool control_panel = false;
  std::string help_file;
  std::int32_t help_topic = 0;
  std::string short_name;
  std::vector<std::string> captions;  // the special options, by index
};

class ScriptHost : public HostEvents, public HostForm {
 public:
  // Makes the server object, or returns nullptr with *error set.
  using Creator = std::function<MapServerObject*(std::string* error)>;

  ScriptHost(Creator create, std::ostream& out, FileSystem& fs, int width, int height);
  ScriptHost(const ScriptHost&) = delete;
  ScriptHost& operator=(const ScriptHost&) = delete;
  // Releases the object if the script did not.
  ~ScriptHost() override;

  // Runs every command in order; a failing call prints an Error line and the
  // script goes on. Before each command the host may handle its own events
  // (Pump); it stops the script when Pump says the host is closing.
  void Run(const Script& script);
  void RunCommand(const ScriptCommand& command);
  // Releases the object if it still exists.
  void Release();

  RasterPictureBox& picture_box() { return picture_box_; }
  bool HasObject() const { return object_ != nullptr; }
  // Stations that callsign queries are answered from, after the answers a
  // script gave with `callsign`.
  void SetStations(std::vector<Station> stations) { stations_ = std::move(stations); }
  const HostFeatures& features() const { return features_; }

  // HostEvents
  void SignalSuspend(bool suspend) override;
  void SignalSpecialRedraw(const std::string& title) override;
  void SignalInformation(double& west, double& east, double& north, double& south,
                         const std::string& title) override;
  void SignalCallsignData(std::string& callsign, std::string& result) override;

  // HostForm
  void SetSpecialOptionVisible(int index, bool visible) override;
  void SetSpecialOptionEnabled(int index, bool enabled) override;
  void UnloadSpecialOption(int index) override;
  std::intptr_t hWnd() override { return 0; }

 protected:
  // What a host with a window of its own does beside the script: handle its
  // pending events between commands (false when it is closing, which ends the
  // script), and run its event loop for `wait`. This host has none: both return
  // at once.
  virtual bool Pump() { return true; }
  virtual void Wait(int milliseconds) { (void)milliseconds; }
  // The process's memory and window-system objects for `resources`
  // ("private=BYTES working=BYTES gdi=N user=N counted=HOW"); "" where the host
  // does not measure them.
  virtual std::string ProcessResources() { return ""; }
  // Every Error line, also shown where the host shows such things.
  virtual void ReportError(const std::string& line) { (void)line; }

  void Line(const std::string& text);
  // Calls a member; prints an Error line and returns false when the call fails.
  bool Call(const std::string& member, CallKind kind, std::vector<CallValue>& args,
            CallValue* result);
  // Calls a drawing member with the picture box first and prints its result.
  void CallWithPicture(const std::string& member, std::vector<CallValue> more);
  // The saved favourite views (LoadFavouriteViews) with their bounds; not
  // allocated when there are none or the call failed.
  TextArray LoadFavourites();

 private:
  void Fail(const std::string& member, const std::string& description);
  bool RequireObject(const std::string& member);

  void Create();
  void Features();
  void Favourite(const std::vector<std::string>& words);
  void Panel(const std::vector<std::string>& words);
  void Search(std::int16_t type, const std::string& query);
  void GoTo(long long number);
  void Answer(const std::string& kind, const std::string& answer);
  void SavePicture(const std::string& path);
  // Hands answers queued before the object existed to it.
  void FlushAnswers();

  Creator create_;
  std::ostream& out_;
  FileSystem& fs_;
  RasterPictureBox picture_box_;
  MapServerObject* object_ = nullptr;
  std::map<std::string, std::string> callsign_answers_;  // by upper-case callsign
  std::vector<Station> stations_;
  std::vector<std::optional<std::string>> folder_answers_;
  std::vector<std::optional<std::string>> file_answers_;
  std::vector<std::optional<std::string>> chooser_answers_;
  HostFeatures features_;
};

}  // namespace k9::host
