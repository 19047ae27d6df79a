#include "server/server_fixture.h"

#include "common/app_settings.h"
#include "common/text.h"

namespace k9::testing {

ServerTest::ServerTest() : ports_{&fs_, &registry_, &dialogs_, &system_} {
  fs_.AddDirectory(kServerFolder);
  fs_.AddDirectory(std::string(kHostFolder) + "/Maps");
  SetHostFolder(kHostFolder);
}

void ServerTest::SetHostFolder(const std::string& folder) {
  SaveSetting(registry_, "Corvid Works", "Harrier32", "Program Folder", folder);
}

std::string ServerTest::InServer(const std::string& name) const {
  return JoinPath(kServerFolder, name);
}

void ServerTest::SetSettingsFile(const std::string& text) {
  fs_.AddFile(InServer("Kestrel9.INI"), text);
}

clsMapServ& ServerTest::Server(ServerParts parts) {
  if (!server_) {
    EngineFactory factory = [this](const std::string& prog_id) -> std::unique_ptr<MapEngine> {
      EXPECT_EQ(prog_id, "Cartex71.Cartex");
      if (engine_creation_fails_) return nullptr;
      auto engine = std::make_unique<FakeEngine>(&log_);
      for (const std::string& name : engine_fail_on_) engine->FailOn(name);
      engine_ = engine.get();
      ++engines_created_;
      return engine;
    };
    server_ = std::make_unique<clsMapServ>(ports_, factory, std::move(parts));
  }
  return *server_;
}

clsMapServ& ServerTest::InitializedServer(ServerParts parts) {
  clsMapServ& server = Server(std::move(parts));
  std::string callsign = "W1AW";
  server.Initialize(callsign, &events_, &form_);
  log_.clear();
  engine().ClearCalls();
  events_.ClearCalls();
  form_.ClearCalls();
  picture_.ClearCalls();
  return server;
}

}  // namespace k9::testing
