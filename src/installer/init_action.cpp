// Kestrel9Setup.dll: the Windows package's custom action that runs InitKestrel9
// from the installed server folder once the files are in place.
//
// It runs in the install script after the files are installed and before the
// package writes its registry values: InitKestrel9 finds an earlier installation
// through the server's registration, so it must see the registration that was
// there before this install (a server registered by hand in another folder, say)
// to carry that installation's settings and favourites over. Being deferred, it
// is handed the UI level and the server folder as its CustomActionData,
// "UILEVEL|FOLDER".
//
// With the install's own windows (UILevel 4 or 5) InitKestrel9 runs as it is and
// its message box is the user's feedback. A silent or basic install (/qn, /qb,
// /passive) must not stop on a message box, so it runs headless
// (KESTREL9_AUTOMATION=1): it still places "!!Kestrel9.INF" and carries earlier
// settings over, and prints the message it would have shown. Either way the
// install log gets that message and the outcome, saying what to do by hand when
// InitKestrel9 could not do its work. The install itself never fails here: what
// InitKestrel9 does can be redone by running it again (which is also all there
// is to do should the install fail after it and be rolled back).
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <cstdlib>
#include <string>

#include "init/initialiser.h"

namespace {

constexpr char kProgram[] = "InitKestrel9.exe";

void Log(MSIHANDLE install, const std::string& text) {
  PMSIHANDLE record = MsiCreateRecord(1);
  // The text goes in as a field, so brackets in it are never read as properties.
  MsiRecordSetStringA(record, 0, "InitKestrel9: [1]");
  MsiRecordSetStringA(record, 1, text.c_str());
  MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
}

std::string Property(MSIHANDLE install, const char* name) {
  DWORD size = 0;
  char empty[1] = {};
  if (MsiGetPropertyA(install, name, empty, &size) != ERROR_MORE_DATA) return {};
  std::string text(size + 1, '\0');
  size = static_cast<DWORD>(text.size());
  if (MsiGetPropertyA(install, name, text.data(), &size) != ERROR_SUCCESS) return {};
  text.resize(size);
  return text;
}

// The folder with its trailing separator, whatever way it was written.
std::string WithSeparator(std::string folder) {
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
  return folder;
}

std::string WithoutFinalLineBreaks(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

std::string SystemMessage(DWORD code) {
  char* text = nullptr;
  FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = text != nullptr ? text : "error " + std::to_string(code);
  LocalFree(text);
  return WithoutFinalLineBreaks(message);
}

struct Run {
  bool started = false;
  DWORD error = 0;        // why it did not start
  DWORD exit_status = 0;  // when it started
  std::string output;     // what it printed (only headless runs print)
};

// Runs the program from `folder` (its working folder too) and waits for it.
Run RunProgram(const std::string& folder, bool headless) {
  Run run;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inherit, 0)) {
    run.error = GetLastError();
    return run;
  }
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write_end;
  startup.hStdError = write_end;
  const std::string program = folder + kProgram;
  std::string command = "\"" + program + "\"";
  PROCESS_INFORMATION process{};
  // The child takes the variable from this process's environment; this process
  // belongs to the installer and does nothing else meanwhile.
  if (headless) SetEnvironmentVariableA("KESTREL9_AUTOMATION", "1");
  run.started = CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, TRUE,
                               CREATE_NO_WINDOW, nullptr, folder.c_str(), &startup, &process);
  if (!run.started) run.error = GetLastError();
  if (headless) SetEnvironmentVariableA("KESTREL9_AUTOMATION", nullptr);
  CloseHandle(write_end);
  if (run.started) {
    char buffer[512];
    DWORD got = 0;
    while (ReadFile(read_end, buffer, sizeof buffer, &got, nullptr) && got > 0) {
      run.output.append(buffer, got);
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &run.exit_status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(read_end);
  return run;
}

// The text of the message a headless run printed (a caption line, then the text).
std::string MessageText(std::string output) {
  const std::size_t caption_end = output.find('\n');
  if (caption_end != std::string::npos) output.erase(0, caption_end + 1);
  return WithoutFinalLineBreaks(output);
}

// What the outcome means for the user, in the words of the install log.
std::string OutcomeText(DWORD status) {
  using k9::init::Outcome;
  switch (static_cast<Outcome>(status)) {
    case Outcome::kDone:
      return "done: Harrier32 lists the server among its maps.";
    case Outcome::kHostNeverRun:
      return "not done: Harrier32 has never run for this user, so its Maps folder is unknown. "
             "Start Harrier32 once, then run InitKestrel9 from the Kestrel9 folder.";
    case Outcome::kEntryFileMissing:
      return "not done: !!Kestrel9.INF is missing from the Kestrel9 folder.";
    case Outcome::kFailed:
      return "not done: !!Kestrel9.INF could not be copied into the Harrier32 Maps folder "
             "(the folder is missing or cannot be written). Copy it there by hand.";
  }
  return "ended with status " + std::to_string(status) + ".";
}

}  // namespace

extern "C" UINT __stdcall RunInitKestrel9(MSIHANDLE install) {
  const std::string data = Property(install, "CustomActionData");
  const std::size_t bar = data.find('|');
  const bool headless = std::atoi(data.substr(0, bar).c_str()) < 4;
  const std::string folder =
      bar == std::string::npos ? std::string() : WithSeparator(data.substr(bar + 1));
  if (folder.empty()) {
    Log(install, "not run: the installer does not know the Kestrel9 folder.");
    return ERROR_SUCCESS;
  }
  const Run run = RunProgram(folder, headless);
  if (!run.started) {
    Log(install, "not run: " + folder + kProgram + " could not be started (" +
                     SystemMessage(run.error) + "). Run it by hand from the Kestrel9 folder.");
    return ERROR_SUCCESS;
  }
  if (!run.output.empty()) Log(install, "said \"" + MessageText(run.output) + "\"");
  Log(install, OutcomeText(run.exit_status));
  return ERROR_SUCCESS;
}
