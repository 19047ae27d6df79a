// The host's command line, shared by the POSIX and the Windows host: --registry
// is taken by the first only, --window by the second only.
#include "host/host_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace k9::host {
namespace {

struct Parsed {
  bool ok;
  HostOptions options;
  std::string error;
};

Parsed Parse(std::vector<std::string> args, bool posix = true) {
  args.insert(args.begin(), "kestrel9-host");
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  Parsed parsed{};
  parsed.error = "unset";
  parsed.ok = ParseHostOptions(static_cast<int>(argv.size()), argv.data(), posix, &parsed.options,
                               &parsed.error);
  return parsed;
}

TEST(HostOptionsTest, EveryOptionAndTheScriptAreRead) {
  const Parsed p =
      Parse({"--registry", "r.reg", "--host-folder", "H", "--program-files", "P", "--size",
             "320x240", "--png", "out.png", "--callsigns", "calls.txt", "job.k9"});
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_EQ(p.options.registry, "r.reg");
  EXPECT_EQ(p.options.host_folder, "H");
  EXPECT_EQ(p.options.program_files, "P");
  EXPECT_EQ(p.options.width, 320);
  EXPECT_EQ(p.options.height, 240);
  EXPECT_EQ(p.options.png, "out.png");
  EXPECT_EQ(p.options.script, "job.k9");
  EXPECT_EQ(p.options.callsigns, "calls.txt");
  EXPECT_FALSE(p.options.window);

  const Parsed defaults = Parse({});
  ASSERT_TRUE(defaults.ok);
  EXPECT_EQ(defaults.options.script, "-");
  EXPECT_EQ(defaults.options.width, 800);
  EXPECT_EQ(defaults.options.height, 600);
  EXPECT_TRUE(Parse({"-"}).ok) << "\"-\" names standard input, not an option";
}

TEST(HostOptionsTest, BadCommandLinesAreRefusedWithTheReason) {
  EXPECT_EQ(Parse({"--png"}).error, "--png needs a value");
  EXPECT_EQ(Parse({"a.k9", "b.k9"}).error, "only one script may be given");
  EXPECT_EQ(Parse({"--verbose"}).error, "unknown option --verbose");
  for (const char* size : {"0x10", "10x0", "16385x10", "10", "x", "10x-5", "ax5"}) {
    const Parsed p = Parse({"--size", size});
    EXPECT_FALSE(p.ok) << size;
    EXPECT_EQ(p.error, std::string("--size takes WxH, each 1 to 16384, not '") + size + "'");
  }
  const Parsed largest = Parse({"--size", "16384X1"});
  EXPECT_TRUE(largest.ok);
  EXPECT_EQ(largest.options.width, 16384);
  // --help is a refusal without an error: the usage goes out and the status is 0.
  const Parsed help = Parse({"--help"});
  EXPECT_FALSE(help.ok);
  EXPECT_EQ(help.error, "");
}

TEST(HostOptionsTest, OnlyTheWindowsHostHasAWindowShownWithoutAScriptOrWithWindow) {
  EXPECT_EQ(Parse({"--window"}).error,
            "--window is not used here: only kestrel9-host.exe has a window");
  const Parsed bare = Parse({}, /*posix=*/false);
  ASSERT_TRUE(bare.ok);
  EXPECT_TRUE(bare.options.window);
  EXPECT_EQ(bare.options.script, "") << "no script: the window alone, not standard input";
  const Parsed scripted = Parse({"job.k9"}, false);
  EXPECT_FALSE(scripted.options.window);
  const Parsed both = Parse({"--window", "-"}, false);
  EXPECT_TRUE(both.options.window);
  EXPECT_EQ(both.options.script, "-");
}

TEST(HostOptionsTest, WhereTheSystemRegistryIsUsedTheRegistryOptionIsRefused) {
  const Parsed p = Parse({"--registry", "r.reg"}, /*posix=*/false);
  EXPECT_FALSE(p.ok);
  EXPECT_EQ(p.error, "--registry is not used here: the system registry holds the registration");
  EXPECT_TRUE(Parse({"--size", "2x3", "job.k9"}, false).ok);
  EXPECT_NE(std::string(HostUsage(true)).find("[--registry FILE]"), std::string::npos);
  EXPECT_EQ(std::string(HostUsage(false)).find("--registry"), std::string::npos);
}

}  // namespace
}  // namespace k9::host
