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

  std::filesystem::path root_;
  std::string engine_folder_;
};

// The lines of `lines` that start with `prefix`.
std::vector<std::string> LinesStartingWith(const std::vector<std::string>& lines,
                                           const std::string& prefix);

}  // namespace k9::e2e
