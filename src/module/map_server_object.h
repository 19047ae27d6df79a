// The in-process activation contract between the Kestrel9 library and the
// programs that load it on platforms without COM. Both sides include this header
// and are built by the same compiler, so plain C++ interfaces cross the library
// boundary; exceptions never do: every call reports failure through its result.
//
// The library exports the four entry points a COM in-process server has
// (DllRegisterServer, DllUnregisterServer, DllGetClassObject, DllCanUnloadNow),
// with the same meaning and the same result codes. DllGetClassObject hands out a
// ClassFactory for the class identifier of clsMapServ; its CreateInstance makes a
// MapServerObject. Objects are released, never deleted, by their users, so that
// the memory goes back to the library that allocated it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "server/host_port.h"
#include "server/text_array.h"

namespace k9 {

// A class or interface identifier, laid out as the Windows GUID.
struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::uint8_t data4[8] = {};

  friend bool operator==(const Guid& a, const Guid& b) {
    if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3) return false;
    for (int i = 0; i < 8; ++i) {
      if (a.data4[i] != b.data4[i]) return false;
    }
    return true;
  }
};

// "{D407ACA1-EE57-4AEF-97E4-4D28775F5340}": upper-case hex in braces, as the
// registry keeps class identifiers.
inline std::string GuidToString(const Guid& guid) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out = "{";
  auto put = [&out](std::uint64_t value, int digits) {
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += kHex[(value >> shift) & 0xF];
  };
  put(guid.data1, 8);
  out += '-';
  put(guid.data2, 4);
  out += '-';
  put(guid.data3, 4);
  out += '-';
  for (int i = 0; i < 8; ++i) {
    if (i == 2) out += '-';
    put(guid.data4[i], 2);
  }
  out += '}';
  return out;
}

// Reads the registry form (braces required, hex in either case); nullopt when
// the text is anything else.
inline std::optional<Guid> ParseGuid(std::string_view text) {
  if (text.size() != 38 || text.front() != '{' || text.back() != '}') return std::nullopt;
  std::uint8_t bytes[16] = {};
  int count = 0;
  for (std::size_t i = 1; i + 1 < text.size(); ++i) {
    if (i == 9 || i == 14 || i == 19 || i == 24) {
      if (text[i] != '-') return std::nullopt;
      continue;
    }
    const char c = text[i];
    int nibble;
    if (c >= '0' && c <= '9') {
      nibble = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      nibble = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      nibble = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    bytes[count / 2] = static_cast<std::uint8_t>((bytes[count / 2] << 4) | nibble);
    ++count;
  }
  Guid guid;
  guid.data1 = (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
               (std::uint32_t{bytes[2]} << 8) | bytes[3];
  guid.data2 = static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]);
  guid.data3 = static_cast<std::uint16_t>((bytes[6] << 8) | bytes[7]);
  for (int i = 0; i < 8; ++i) guid.data4[i] = bytes[8 + i];
  return guid;
}

inline constexpr Guid kClsidClsMapServ{
    0xD407ACA1, 0xEE57, 0x4AEF, {0x97, 0xE4, 0x4D, 0x28, 0x77, 0x5F, 0x53, 0x40}};
inline constexpr Guid kIidClsMapServ{
    0xF7615502, 0x5998, 0x44C1, {0xB8, 0x0C, 0xEF, 0x2B, 0x95, 0xCD, 0x8A, 0x98}};
inline constexpr Guid kLibidKestrel9{
    0x8A00D9F5, 0x5295, 0x4DC2, {0x95, 0x39, 0x38, 0x69, 0x37, 0x41, 0xDE, 0x79}};
inline constexpr Guid kIidClassFactory{
    0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr char kClsMapServProgId[] = "Kestrel9.clsMapServ";

// Result codes, with the values of the Windows API.
using HResult = std::int32_t;
inline constexpr HResult kSOk = 0;
inline constexpr HResult kSFalse = 1;
inline constexpr HResult kENoInterface = static_cast<HResult>(0x80004002u);
inline constexpr HResult kEPointer = static_cast<HResult>(0x80004003u);
inline constexpr HResult kEFail = static_cast<HResult>(0x80004005u);
inline constexpr HResult kEOutOfMemory = static_cast<HResult>(0x8007000Eu);
inline constexpr HResult kClassENotAvailable = static_cast<HResult>(0x80040111u);
inline constexpr HResult kSelfRegEClass = static_cast<HResult>(0x80040201u);

// One argument or result of a call by member name. Arguments are passed by
// reference: the callee may replace them (outputs of GetSupportedFeatures, the
// array filled by LoadFavouriteViews). std::monostate is an empty Variant.
using CallValue = std::variant<std::monostate, bool, std::int16_t, std::int32_t, double,
                               std::string, TextArray, PictureBox*, HostEvents*, HostForm*>;

enum class CallKind { kMethod, kPropertyGet, kPropertyPut };

// What a call reports: success, or the number, source and description of the
// error that ended it (what a failed automation call carries).
struct CallOutcome {
  bool ok = true;
  std::int32_t number = 0;
  std::string source;
  std::string description;

  static CallOutcome Success() { return {}; }
  static CallOutcome Failure(std::int32_t number, std::string source, std::string description) {
    return CallOutcome{false, number, std::move(source), std::move(description)};
  }
};

// One match of the search dialog's result list.
struct SearchMatch {
  std::string text;
};

// A help request the server made where no help viewer runs: the help file, the
// context number asked for (0 for the file's contents), and the page of the file
// that HTML Help opens for it ("" when the file's context map has none).
struct HelpReport {
  std::string file;
  std::uint32_t context = 0;
  std::string page;
};

// What a stand-in host needs beyond the members of clsMapServ: the answers to the
// dialogs the server shows (which, without a screen, are answered from queues),
// and the hands that work the control panel and the search dialog. Every call
// acts on the library's own dialogs object and forms.
class ServerAutomation {
 public:
  // Receives each message box the server shows (caption, text); it is answered OK.
  virtual void SetMessageSink(std::function<void(const std::string&, const std::string&)> sink) = 0;
  // Receives each help page the server opens; closing the help viewer is not
  // reported. An empty sink leaves help requests unanswered.
  virtual void SetHelpSink(std::function<void(const HelpReport&)> sink) = 0;
  // Answers for the next folder browser, open-file dialog and overlay/underlay
  // chooser, in order; nullopt answers Cancel.
  virtual void QueueFolderAnswer(std::optional<std::string> path) = 0;
  virtual void QueueFileAnswer(std::optional<std::string> path) = 0;
  virtual void QueueChooserAnswer(std::optional<std::string> name) = 0;

  // Menu items (by name, such as "mnuShadeStates") that the next control panel
  // chooses in order before it exits. Fails when the control panel cannot be
  // worked without a screen in this build.
  virtual CallOutcome QueueControlPanelItems(const std::vector<std::string>& items) = 0;
  // Steps of the control panel that could not be played since the last call
  // ("frmCpanel: mnuData1 is disabled"), oldest first; the list is emptied.
  virtual std::vector<std::string> TakeControlPanelReports() = 0;

  // True while the search dialog exists.
  virtual bool SearchDialogOpen() = 0;
  // Chooses search type `type` (optType index), types `query` and presses Find.
  virtual CallOutcome SearchFind(std::int16_t type, const std::string& query) = 0;
  // The dialog's result list and status label after the last Find.
  virtual std::vector<SearchMatch> SearchMatches() = 0;
  virtual std::string SearchResultLabel() = 0;
  // Selects match `index` (from 0) and presses Go To.
  virtual CallOutcome SearchGoTo(std::int32_t index) = 0;

 protected:
  virtual ~ServerAutomation() = default;
};

// A clsMapServ instance, reached by member name.
class MapServerObject {
 public:
  // Ends the object: the server's release steps run, then its memory is freed.
  virtual void Release() = 0;

  // Calls `member` (a member name of _clsMapServ, in any letter case) of `kind`
  // with `args` by reference, and stores a returned value in *result (when not
  // null). Numbers and text are converted to the parameter's type as automation
  // converts them; a value that does not convert fails the call. Host objects
  // (picture box, callback object, main form) are not owned and must outlive the
  // object's release, which still calls them.
  virtual CallOutcome Invoke(const std::string& member, CallKind kind, std::vector<CallValue>& args,
                             CallValue* result) = 0;

  virtual ServerAutomation& Automation() = 0;

 protected:
  virtual ~MapServerObject() = default;
};

// The class object that DllGetClassObject hands out (IClassFactory's role).
class ClassFactory {
 public:
  // Makes a new object for interface `iid` (kIidClsMapServ) into *object.
  virtual HResult CreateInstance(const Guid& iid, MapServerObject** object) = 0;
  virtual void Release() = 0;

 protected:
  virtual ~ClassFactory() = default;
};

// The exported entry points, as the loader finds them by name.
extern "C" {
using DllRegisterServerFn = HResult (*)();
using DllUnregisterServerFn = HResult (*)();
using DllGetClassObjectFn = HResult (*)(const Guid* clsid, const Guid* iid, void** object);
using DllCanUnloadNowFn = HResult (*)();
}

}  // namespace k9
