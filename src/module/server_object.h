// ServerObject is the library's clsMapServ instance as a MapServerObject: it owns
// the clsMapServ, dispatches calls by member name through the interface table,
// converting arguments as automation does, and turns every failure into a
// CallOutcome so no exception leaves the library. Its ServerAutomation side works
// the library's own headless dialogs, control panel and search dialog.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "module/map_server_object.h"
#include "platform/ports.h"
#include "server/cls_map_serv.h"

namespace k9 {
class frmSearch;
}  // namespace k9

namespace k9::module {

// What the library plugs into each object it makes: the platform's ports, the
// engine factory and the server's parts.
struct ServerWiring {
  Ports ports;
  EngineFactory engine_factory;
  ServerParts parts;
};

class ServerObject : public MapServerObject, public ServerAutomation {
 public:
  explicit ServerObject(ServerWiring wiring);
  ServerObject(const ServerObject&) = delete;
  ServerObject& operator=(const ServerObject&) = delete;
  ~ServerObject() override;

  // MapServerObject
  void Release() override;
  CallOutcome Invoke(const std::string& member, CallKind kind, std::vector<CallValue>& args,
                     CallValue* result) override;
  ServerAutomation& Automation() override { return *this; }

  // ServerAutomation
  void SetMessageSink(std::function<void(const std::string&, const std::string&)> sink) override;
  void SetHelpSink(std::function<void(const HelpReport&)> sink) override;
  void QueueFolderAnswer(std::optional<std::string> path) override;
  void QueueFileAnswer(std::optional<std::string> path) override;
  void QueueChooserAnswer(std::optional<std::string> name) override;
  CallOutcome QueueControlPanelItems(const std::vector<std::string>& items) override;
  std::vector<std::string> TakeControlPanelReports() override;
  bool SearchDialogOpen() override;
  CallOutcome SearchFind(std::int16_t type, const std::string& query) override;
  std::vector<SearchMatch> SearchMatches() override;
  std::string SearchResultLabel() override;
  CallOutcome SearchGoTo(std::int32_t index) override;

  clsMapServ& server() { return *server_; }

 private:
  // Runs the member with arguments already converted to its parameter types.
  void Dispatch(int index, std::vector<CallValue>& args, CallValue* result);

  Ports ports_;
  std::unique_ptr<clsMapServ> server_;
  // The search dialog as a user works it; nullptr while the dialog is closed.
  frmSearch* SearchForm();

  std::vector<std::string> panel_reports_;
};

// Objects alive now, for DllCanUnloadNow.
int LiveObjects();

}  // namespace k9::module
