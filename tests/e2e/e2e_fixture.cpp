#include "e2e_fixture.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace k9::e2e {
namespace {

std::string Quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

std::string ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

void InstalledTree::SetUp() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  root_ = std::filesystem::temp_directory_path() / ("k9-e2e-" + std::to_string(::getpid()) + "-" +
                                                    info->test_suite_name() + "-" + info->name());
  std::filesystem::remove_all(root_);
  std::filesystem::copy(K9_STAGE_DIR, root_, std::filesystem::copy_options::recursive);
  engine_folder_ = Path("Program Files/Stratomap Wayfarer 9.0");
  // MAP.INI names the engine's folders by absolute path, as an install at this
  // place would have written it.
  const std::filesystem::path map_ini = root_ / "Program Files/Stratomap Wayfarer 9.0/MAP.INI";
  std::string text = ReadWhole(map_ini);
  const std::string staged = K9_STAGE_DIR;
  for (std::size_t at; (at = text.find(staged)) != std::string::npos;) {
    text.replace(at, staged.size(), root_.string());
  }
  std::ofstream(map_ini, std::ios::binary | std::ios::trunc) << text;
  const RunResult registered = Regsvr();
  ASSERT_EQ(registered.exit_code, 0) << registered.error;
}

void InstalledTree::TearDown() {
  if (!HasFailure()) std::filesystem::remove_all(root_);
}

std::string InstalledTree::Path(const std::string& relative) const {
  return (root_ / relative).string();
}

std::string InstalledTree::Read(const std::string& relative) const {
  return ReadWhole(root_ / relative);
}

bool InstalledTree::Exists(const std::string& relative) const {
  return std::filesystem::exists(root_ / relative);
}

RunResult InstalledTree::Run(const std::string& program, const std::vector<std::string>& args,
                             const std::string& input) {
  const std::filesystem::path in = root_ / "stdin.txt";
  const std::filesystem::path out = root_ / "stdout.txt";
  const std::filesystem::path err = root_ / "stderr.txt";
  std::ofstream(in, std::ios::binary) << input;
  std::string command = "cd " + Quote(root_.string()) +
                        " && KESTREL9_REGISTRY=" + Quote(Path("registry.reg")) + " " +
                        Quote(Path(program));
  for (const std::string& arg : args) command += " " + Quote(arg);
  command += " <" + Quote(in.string()) + " >" + Quote(out.string()) + " 2>" + Quote(err.string());
  const int status = std::system(command.c_str());
  RunResult result;
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::istringstream lines(ReadWhole(out));
  for (std::string line; std::getline(lines, line);) result.lines.push_back(line);
  result.error = ReadWhole(err);
  std::filesystem::remove(in);
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  return result;
}

RunResult InstalledTree::Host(const std::string& script, std::vector<std::string> args) {
  args.push_back("-");
  return Run("Harrier32/kestrel9-host", args, script);
}

RunResult InstalledTree::Regsvr(bool unregister) {
  std::vector<std::string> args;
  if (unregister) args.push_back("/u");
  args.push_back(Path("Kestrel9/Kestrel9.so"));
  return Run("bin/kestrel9-regsvr", args);
}

std::string InstalledTree::FirstStartScript() const {
  return "create\nanswer folder \"" + engine_folder_ + "\"\ninitialize K1ABC\n";
}

void InstalledTree::ConfigureDataFolders() {
  const std::string& e = engine_folder_;
  std::ofstream(root_ / "Kestrel9/Kestrel9.INI", std::ios::binary | std::ios::trunc)
      << "[PATHS]\r\nDATA1=" << e << "/us\r\nDATA2=" << e << "/world\r\nDATA3=" << e
      << "/us\r\nDATA4=\"\"\r\nSTATES0=" << e << "/states\r\n";
}

namespace {

// A NAME's script in the scripts folder, or the .k9 file named by path; the
// expected files are always NAME.* in the scripts folder.
std::filesystem::path ScriptFile(const std::string& name_or_path) {
  if (name_or_path.find('/') != std::string::npos) return name_or_path;
  return std::filesystem::path(K9_E2E_SCRIPTS_DIR) / (name_or_path + ".k9");
}

std::filesystem::path ScriptSibling(const std::string& name_or_path, const std::string& extension) {
  return std::filesystem::path(K9_E2E_SCRIPTS_DIR) /
         ScriptFile(name_or_path).stem().concat(extension);
}

}  // namespace

RunResult InstalledTree::RunScript(const std::string& name_or_path) {
  const std::filesystem::path script = ScriptFile(name_or_path);
  std::filesystem::copy_file(script, root_ / script.filename(),
                             std::filesystem::copy_options::overwrite_existing);
  // "PATH" makes an empty file, "PATH|TEXT" one holding TEXT ("\n" a line end).
  for (const std::string& line : FileLines(ScriptSibling(name_or_path, ".files"))) {
    const std::size_t bar = line.find('|');
    const std::string file = line.substr(0, bar);
    std::string text = bar == std::string::npos ? "" : line.substr(bar + 1);
    for (std::size_t at; (at = text.find("\\n")) != std::string::npos;) text.replace(at, 2, "\r\n");
    std::filesystem::create_directories((root_ / file).parent_path());
    std::ofstream(root_ / file, std::ios::binary) << text;
  }
  RunResult run = Run("Harrier32/kestrel9-host", {script.filename().string()});
  for (std::string& line : run.lines) line = NeutralLine(line);
  return run;
}

RunResult InstalledTree::ExpectScript(const std::string& name_or_path) {
  RunResult run = RunScript(name_or_path);
  const std::filesystem::path error = ScriptSibling(name_or_path, ".stderr");
  if (std::filesystem::exists(error)) {
    EXPECT_EQ(run.exit_code, 2) << name_or_path;
    EXPECT_EQ(run.error, ReadWhole(error)) << name_or_path;
  } else {
    EXPECT_EQ(run.exit_code, 0) << name_or_path << ": " << run.error;
  }
  EXPECT_EQ(run.lines, FileLines(ScriptSibling(name_or_path, ".expected"))) << name_or_path;
  return run;
}

std::string InstalledTree::NeutralLine(std::string line) const {
  const std::string root = root_.string();
  for (std::size_t at = 0; (at = line.find(root, at)) != std::string::npos;) {
    line.replace(at, root.size(), "@ROOT@");
    at += 6;
  }
  for (char& c : line) {
    if (c == '\\') c = '/';
  }
  return line;
}

std::vector<std::string> FileLines(const std::filesystem::path& path) {
  std::vector<std::string> lines;
  std::istringstream text(ReadWhole(path));
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> LinesStartingWith(const std::vector<std::string>& lines,
                                           const std::string& prefix) {
  std::vector<std::string> found;
  for (const std::string& line : lines) {
    if (line.rfind(prefix, 0) == 0) found.push_back(line);
  }
  return found;
}

}  // namespace k9::e2e
