// A street store and overlay importer in memory for the import manager's tests.
// An extract import reports one progress step and then holds until the test
// releases it (or cancels), so a test sees the import while it runs.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "engine/import_manager.h"
#include "platform/dialogs.h"

namespace k9::testing {

class FakeImportBackend : public engine::ImportBackend {
 public:
  std::vector<streets::StoredArea> areas;
  bool hold = false;                  // an extract import waits for Release()
  std::string fail_with;              // non-empty: the import fails with this sentence
  bool throw_instead = false;         // the import throws fail_with instead
  std::vector<std::string> overlays;  // .OVR names already in the overlay folder
  std::vector<std::string> removed;
  bool replaced = false;

  void Release() {
    std::lock_guard<std::mutex> lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }

  std::vector<streets::StoredArea> ListAreas() override { return areas; }

  streets::ImportOutcome ImportExtract(const std::string& file,
                                       streets::ImportObserver* observer) override {
    streets::ImportProgress progress;
    progress.bytes_read = 5 << 20;
    progress.bytes_total = 20 << 20;
    progress.objects = 1234567;
    progress.phase = "Reading ways";
    progress.seconds_left = 90;
    observer->Progress(progress);
    streets::ImportOutcome outcome;
    if (hold) {
      std::unique_lock<std::mutex> lock(mutex_);
      while (!released_) {
        if (observer->Cancelled()) {
          outcome.cancelled = true;
          return outcome;
        }
        changed_.wait_for(lock, std::chrono::milliseconds(5));
      }
    }
    if (throw_instead) throw std::runtime_error(fail_with);
    if (!fail_with.empty()) {
      outcome.message = fail_with;
      return outcome;
    }
    const std::string name = file.substr(file.find_last_of("\\/") + 1);
    streets::StoredArea area;
    area.name = name.substr(0, name.find('.'));
    area.box = {-76.71, 39.20, -76.53, 39.37};
    area.date = "2026-12-09 01:30";
    area.bytes = 12900000;
    areas.push_back(area);
    outcome.ok = true;
    outcome.area = area.name;
    outcome.message = "Imported " + area.name + ": 20,312 streets and 96,004 addresses.";
    return outcome;
  }

  bool RemoveArea(const std::string& name, std::string* error) override {
    for (auto it = areas.begin(); it != areas.end(); ++it) {
      if (it->name == name) {
        areas.erase(it);
        removed.push_back(name);
        return true;
      }
    }
    *error = "There is no imported area named " + name + ".";
    return false;
  }

  bool IsOverlaySource(const std::string& path) override {
    return path.size() > 4 && path.substr(path.size() - 4) == ".gpx";
  }

  OverlayOutcome ImportOverlay(const std::string& path, bool replace) override {
    const std::string name = path.substr(path.find_last_of("\\/") + 1);
    const std::string ovr = name.substr(0, name.find('.')) + ".OVR";
    OverlayOutcome outcome;
    outcome.overlay_path = "C:\\Kestrel9\\Strato Overlays\\" + ovr;
    for (const std::string& existing : overlays) {
      if (existing == ovr && !replace) {
        outcome.status = OverlayStatus::kExists;
        return outcome;
      }
    }
    replaced = replace;
    overlays.push_back(ovr);
    outcome.status = OverlayStatus::kImported;
    outcome.message = "Imported " + name + " as the overlay " + ovr + ".";
    return outcome;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool released_ = false;
};

// Headless dialogs that answer message boxes from a queue (kIdOk when empty) and
// keep every message shown.
class AnsweringDialogs : public HeadlessDialogs {
 public:
  std::deque<int> answers;
  std::vector<Message> shown;
  std::vector<HelpRequest> help;

  int ShowMessage(const std::string& text, const std::string& caption, std::uint32_t,
                  std::intptr_t) override {
    shown.push_back({caption, text});
    if (answers.empty()) return kIdOk;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  bool ShowHelp(const std::string& file, std::uint32_t command, std::uintptr_t data,
                std::intptr_t) override {
    help.push_back({file, command, data});
    return true;
  }
};

}  // namespace k9::testing
