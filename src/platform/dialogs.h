// Dialogs is the port to the modal dialogs the system shows the user: message
// boxes, the open-file dialog, the folder browser and the help viewer.
//
// On Windows these are the real Win32 dialogs, unless the environment variable
// KESTREL9_AUTOMATION is set: then, as on every other platform, the headless
// implementation answers them. It reports each message box to a sink (the
// stand-in host prints it) and answers OK, and it answers file and folder dialogs
// from queues that a script or test fills beforehand; with nothing queued, a
// dialog counts as cancelled. A blocking dialog can thus never stall a test.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>

namespace k9 {

// Message box styles and answers, with the values of the Windows API.
inline constexpr std::uint32_t kMbOk = 0x0;
inline constexpr std::uint32_t kMbIconInformation = 0x40;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

struct OpenFileRequest {
  std::intptr_t owner = 0;  // window handle, 0 for none
  std::string title;
  std::string filter;  // "Description|*.ext|..." pairs, as the Win32 filter string without NULs
  std::string initial_folder;
  std::uint32_t flags = 0;  // OFN_* flags
};

struct FolderRequest {
  std::intptr_t owner = 0;
  std::string title;         // prompt shown above the folder tree
  std::string start_folder;  // selected when the dialog opens; "" for the default
  std::uint32_t flags = 1;   // BIF_* flags; 1 = file-system folders only
};

class Dialogs {
 public:
  Dialogs() = default;
  Dialogs(const Dialogs&) = delete;
  Dialogs& operator=(const Dialogs&) = delete;
  virtual ~Dialogs();

  // The platform's dialogs (headless unless on Windows without KESTREL9_AUTOMATION).
  static Dialogs& Default();

  // Shows a message box; returns the button pressed (kIdOk, ...).
  virtual int ShowMessage(const std::string& text, const std::string& caption, std::uint32_t style,
                          std::intptr_t owner) = 0;

  // The chosen file's full path, or nullopt when the user cancelled.
  virtual std::optional<std::string> OpenFile(const OpenFileRequest& request) = 0;

  // The chosen folder's path, or nullopt when the user cancelled.
  virtual std::optional<std::string> BrowseForFolder(const FolderRequest& request) = 0;

  // Opens help `file` with a WinHelp command and its data (a context number);
  // on Windows a ".chm" file is shown by HTML Help (see help_viewer.h).
  // True when the viewer accepted the request.
  virtual bool ShowHelp(const std::string& file, std::uint32_t command, std::uintptr_t data,
                        std::intptr_t owner) = 0;
};

// The headless implementation: message boxes go to the sink and answer OK;
// file and folder dialogs take the queued answers in order (nullopt = cancel).
class HeadlessDialogs : public Dialogs {
 public:
  struct Message {
    std::string caption;
    std::string text;
  };
  using MessageSink = std::function<void(const Message&)>;
  struct HelpRequest {
    std::string file;
    std::uint32_t command;
    std::uintptr_t data;
  };
  using HelpSink = std::function<void(const HelpRequest&)>;

  void SetMessageSink(MessageSink sink) { message_sink_ = std::move(sink); }
  void SetHelpSink(HelpSink sink) { help_sink_ = std::move(sink); }
  void QueueFileAnswer(std::optional<std::string> path) {
    file_answers_.push_back(std::move(path));
  }
  void QueueFolderAnswer(std::optional<std::string> path) {
    folder_answers_.push_back(std::move(path));
  }
  // Requests seen so far, newest last, so tests can check titles and start folders.
  const std::deque<OpenFileRequest>& file_requests() const { return file_requests_; }
  const std::deque<FolderRequest>& folder_requests() const { return folder_requests_; }

  int ShowMessage(const std::string& text, const std::string& caption, std::uint32_t style,
                  std::intptr_t owner) override;
  std::optional<std::string> OpenFile(const OpenFileRequest& request) override;
  std::optional<std::string> BrowseForFolder(const FolderRequest& request) override;
  bool ShowHelp(const std::string& file, std::uint32_t command, std::uintptr_t data,
                std::intptr_t owner) override;

 private:
  MessageSink message_sink_;
  HelpSink help_sink_;
  std::deque<std::optional<std::string>> file_answers_;
  std::deque<std::optional<std::string>> folder_answers_;
  std::deque<OpenFileRequest> file_requests_;
  std::deque<FolderRequest> folder_requests_;
};

// The process's headless dialogs object, which Default() returns where dialogs
// are headless; hosts and tests queue answers and set sinks on it.
HeadlessDialogs& DefaultHeadlessDialogs();

}  // namespace k9
