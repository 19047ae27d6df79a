// The end-to-end fixture: a fresh copy of the staged install tree per test, a
// registry store of its own inside it, the server registered from that copy, and
// helpers that run the installed programs and read the files they write.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace k9::e2e {

struct RunResult {
  int exit_code = -1;
  std::vector<std::string> lines;  // standard output, one entry per line
  std::string error;               // standard error
};

class InstalledTree : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs `program` (a path inside the tree) with `args`, from the tree's root
  // folder, with KESTREL9_REGISTRY naming the tree's store.
  RunResult Run(const std::string& program, const std::vector<std::string>& args,
                const std::string& input = "");
  // Runs kestrel9-host on `script` (given on standard input) with `args` before it.
  RunResult Host(const std::string& script, std::vector<std::string> args = {});
  // Registers (or unregisters) the tree's server library.
  RunResult Regsvr(bool unregister = false);

  std::string Path(const std::string& relative) const;
  std::string Read(const std::string& relative) const;
  bool Exists(const std::string& relative) const;

  // The first-start script lines: create, answer the data path setup's folder
  // dialog with the engine's folder, initialize.
  std::string FirstStartScript() const;

  // Writes the server's data folders into its settings file, as a finished first
  // start leaves them, so a script starts on a configured install.
  void ConfigureDataFolders();
  // Runs kestrel9-host on a shared script file, a NAME in the scripts folder
  // (NAME.k9) or the path of a .k9 file. The script is copied into the tree's
  // root and run from there by its file name; the files NAME.files lists are
  // made first. The output lines come back in the neutral form of
  // NeutralLine.
  RunResult RunScript(const std::string& name_or_path);
  // Runs the script and checks its lines against NAME.expected and, where
  // NAME.stderr exists, its error output and exit status 2 (else status 0).
  RunResult ExpectScript(const std::string& name_or_path);

  // A line with the tree's root replaced by "@ROOT@" and backslashes turned to
  // slashes: how paths are compared between hosts that place the tree elsewhere.
  std::string NeutralLine(std::string line) const;

  std::filesystem::path root_;
  std::string engine_folder_;
};

// The lines of a text file, without line ends; empty when the file is missing.
std::vector<std::string> FileLines(const std::filesystem::path& path);

// The lines of `lines` that start with `prefix`.
std::vector<std::string> LinesStartingWith(const std::vector<std::string>& lines,
                                           const std::string& prefix);

}  // namespace k9::e2e
