// Fakes for the search tests: a system with a fixed module path and screen, an
// engine that answers only the searches, a dialog that records its matches, a
// host that answers callsign queries, and an events sink for frmSearch.
#pragma once

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/system.h"
#include "server/engine_port.h"
#include "server/host_port.h"
#include "server/search_port.h"

namespace k9::testing {

class FakeSystem : public System {
 public:
  int ScreenWidthTwips() override { return 15360; }
  int ScreenHeightTwips() override { return 11520; }
  std::string ModulePath() override { return "/srv/k9/Kestrel9.so"; }
  void OpenNamedMutex(const std::string&) override {}
  std::optional<std::string> GetEnv(const std::string&) override { return std::nullopt; }
};

// One AddToList call.
struct Match {
  std::string text;
  double lon = 0, lat = 0;
  bool is_place = false;
  double lon2 = 0, lat2 = 0, line = 0;
  bool line_is_lat = false;
};

// Records matches and result-label captions; the window members do nothing.
class RecordingDialog : public SearchDialog {
 public:
  std::vector<Match> matches;
  std::vector<std::string> captions;
  std::int16_t state = 0;
  int shows = 0;
  int left = -1, top = -1;

  std::int16_t WindowState() override { return state; }
  void WindowState(std::int16_t s) override { state = s; }
  void Show(std::intptr_t) override { ++shows; }
  int Width() override { return 6000; }
  int Height() override { return 4000; }
  void Move(int l, int t) override {
    left = l;
    top = t;
  }
  void Unload() override {}
  void AddToList(std::string& strText, double& dblLong, double& dblLat, bool& blnIsPlace,
                 double& dblLong2, double& dblLat2, double& dblL, bool& blnLIsLat) override {
    matches.push_back({strText, dblLong, dblLat, blnIsPlace, dblLong2, dblLat2, dblL, blnLIsLat});
  }
  void ResultLbl(const std::string& caption) override { captions.push_back(caption); }
};

// An engine that answers FindAddress with the records in `address_records` (one
// found-item notification each) and FindPhone with `phone_answer`; every other
// member records its name in `calls` and does nothing.
class SearchEngine : public MapEngine {
 public:
  std::vector<std::string> address_records;
  std::string phone_answer;
  std::string found_text;
  bool fail_searches = false;
  std::vector<std::string> calls;
  std::function<void()> on_found_item;

  void SetEvents(MapEngineEvents* events) override { events_ = events; }
  void SetStartValue(const std::string&, const EngineValue&) override {}
  void SetViewCorners(double w, double n, double e, double s) override {
    calls.push_back("SetViewCorners " + std::to_string(w) + " " + std::to_string(n) + " " +
                    std::to_string(e) + " " + std::to_string(s));
  }
  void CentreView(double x, double y) override {
    calls.push_back("CentreView " + std::to_string(x) + " " + std::to_string(y));
  }
  void ZoomLevel(std::int32_t level) override {
    calls.push_back("ZoomLevel " + std::to_string(level));
  }
  void ZoomInStep() override {}
  void ZoomOutStep() override {}
  void PanStep(std::int32_t) override {}
  void ZoomToOverlay() override {}
  void SetMapSize(std::int32_t, std::int32_t) override {}
  double ViewWest() override { return 0; }
  double ViewNorth() override { return 0; }
  double ViewEast() override { return 0; }
  double ViewSouth() override { return 0; }
  void PaintToDC(DeviceContext, std::int32_t, std::int32_t, std::int32_t, std::int32_t, bool, bool,
                 bool) override {}
  bool Shade_Mcd() override { return false; }
  void Shade_Mcd(bool) override {}
  bool Shade_Plc() override { return false; }
  void Shade_Plc(bool) override {}
  bool Shade_Cnty() override { return false; }
  void Shade_Cnty(bool) override {}
  bool Shade_State() override { return false; }
  void Shade_State(bool) override {}
  bool OneWayShow() override { return false; }
  void OneWayShow(bool) override {}
  bool ZipCodesShown() override { return false; }
  void ZipCodesShown(bool) override {}
  std::string Path_states() override { return ""; }
  void Path_states(const std::string&) override {}
  std::string Path_statesEx() override { return ""; }
  void Path_statesEx(const std::string&) override {}
  std::string Path_data1() override { return ""; }
  void Path_data1(const std::string&) override {}
  std::string Path_data2() override { return ""; }
  void Path_data2(const std::string&) override {}
  std::string Path_data3() override { return ""; }
  void Path_data3(const std::string&) override {}
  std::string Path_data4() override { return ""; }
  void Path_data4(const std::string&) override {}
  std::int32_t LandColor() override { return 0; }
  void LandColor(std::int32_t) override {}
  std::int32_t EngineCommand(std::int32_t, std::int32_t) override { return 0; }
  void LoadOverlay(const std::string&) override {}
  bool OverlayVisible() override { return false; }
  void OverlayVisible(bool) override {}
  bool UnderlayVisible() override { return false; }
  void UnderlayVisible(bool) override {}
  std::string UnderlayFile() override { return ""; }
  void UnderlayFile(const std::string&) override {}
  void LoadConfig(const std::string&) override {}
  void SaveConfig(const std::string&) override {}
  void Refresh() override {}
  std::int32_t FindAddress(const std::string& text) override {
    calls.push_back("FindAddress " + text);
    if (fail_searches) throw std::runtime_error("engine failed");
    for (const std::string& record : address_records) {
      found_text = record;
      if (on_found_item) on_found_item();
      if (events_) events_->FoundItem();
    }
    return static_cast<std::int32_t>(address_records.size());
  }
  std::int32_t FindPhone(const std::string& text) override {
    calls.push_back("FindPhone " + text);
    if (fail_searches) throw std::runtime_error("engine failed");
    return phone_answer.empty() ? 0 : 1;
  }
  std::string FoundText() override { return found_text; }
  std::string FoundPlaceText() override { return phone_answer; }
  void AboutBox() override {}
  void ImportManager() override {}
  void PutMember(std::int32_t, const EngineValue&) override {}
  void CallMember(std::int32_t) override {}

 private:
  MapEngineEvents* events_ = nullptr;
};

// Answers SignalCallsignData with `callsign_answer` (or throws when `fail`) and
// records the other notifications.
class CallsignHost : public HostEvents {
 public:
  std::string callsign_answer;
  bool fail = false;
  std::vector<std::string> calls;

  void SignalSuspend(bool suspend) override {
    calls.push_back(std::string("SignalSuspend ") + (suspend ? "true" : "false"));
  }
  void SignalSpecialRedraw(const std::string& title) override {
    calls.push_back("SignalSpecialRedraw " + title);
  }
  void SignalInformation(double&, double&, double&, double&, const std::string&) override {}
  void SignalCallsignData(std::string& callsign, std::string& result) override {
    calls.push_back("SignalCallsignData " + callsign);
    if (fail) throw std::runtime_error("no such member");
    result = callsign_answer;
  }
};

}  // namespace k9::testing
