// Fakes for the search tests: a system with a fixed module path and screen, an
// engine that answers the searches, a dialog that records its matches, a
// host that answers callsign queries, and an events sink for frmSearch.
#pragma once

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "server/engine_port.h"
#include "support/fake_engine.h"
#include "server/host_port.h"
#include "server/search_port.h"
#include "support/fake_system.h"

namespace k9::testing {

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

// The recording engine, answering FindAddress with the records in
// `address_records` (one found-item notification each) and FindPhone with
// `phone_answer`.
class SearchEngine : public FakeEngine {
 public:
  std::vector<std::string> address_records;
  std::string phone_answer;
  std::string found_text;
  std::function<void()> on_found_item;

  std::int32_t FindAddress(const std::string& text) override {
    FakeEngine::FindAddress(text);
    for (const std::string& record : address_records) {
      found_text = record;
      if (on_found_item) on_found_item();
    }
    return static_cast<std::int32_t>(address_records.size());
  }
  std::int32_t FindPhone(const std::string& text) override { return FakeEngine::FindPhone(text); }
  std::string FoundText() override { return found_text; }
  std::string FoundPlaceText() override { return phone_answer; }
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
