// A server object wired to fakes: an in-memory file system and registry, a fixed
// system port, headless dialogs, a recording engine and a recording host. All the
// fakes write into one shared log, so tests can check the order of calls across
// the engine and the host.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/dialogs.h"
#include "platform/ports.h"
#include "server/cls_map_serv.h"
#include "support/fake_engine.h"
#include "support/fake_file_system.h"
#include "support/fake_host.h"
#include "support/fake_registry.h"
#include "support/fake_system.h"

namespace k9::testing {

class ServerTest : public ::testing::Test {
 protected:
  static constexpr char kServerFolder[] = "/srv/k9";
  static constexpr char kHostFolder[] = "/apps/Harrier32";

  ServerTest();

  // Stores the host's program folder in its per-user settings.
  void SetHostFolder(const std::string& folder);
  // Makes the server (if not yet made) with `parts`.
  clsMapServ& Server(ServerParts parts = {});
  // Makes the server and initialises it; clears the shared log afterwards.
  clsMapServ& InitializedServer(ServerParts parts = {});
  // The engine the server's map form holds (valid while the form is loaded).
  FakeEngine& engine() { return *engine_; }
  bool engine_made() const { return engine_ != nullptr; }
  // Releases the server object.
  void Release() { server_.reset(); }
  // A settings file line set: writes `text` as the server's Kestrel9.INI.
  void SetSettingsFile(const std::string& text);
  std::string InServer(const std::string& name) const;

  std::vector<std::string> log_;
  FakeFileSystem fs_;
  FakeRegistry registry_;
  HeadlessDialogs dialogs_;
  FakeSystem system_{"/srv/k9/Kestrel9.dll"};
  Ports ports_;
  FakeHostEvents events_{&log_};
  FakeHostForm form_{&log_};
  FakePictureBox picture_{400, 300, &log_};
  int engines_created_ = 0;
  bool engine_creation_fails_ = false;
  std::vector<std::string> engine_fail_on_;

 private:
  FakeEngine* engine_ = nullptr;
  std::unique_ptr<clsMapServ> server_;
};

}  // namespace k9::testing
