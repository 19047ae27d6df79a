// What the host and regsvr do with a missing, stale or removed registration, and
// with a registry store that is damaged.
#include <filesystem>
#include <fstream>

#include "e2e_fixture.h"

namespace k9::e2e {
namespace {

using HostErrors = InstalledTree;

TEST_F(HostErrors, UnregisteredOrStaleRegistrationNamesTheKey) {
  ASSERT_EQ(Regsvr(true).exit_code, 0);
  RunResult run = Host("create\nfeatures\n");
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.lines, (std::vector<std::string>{
                           "Error create: \"Kestrel9.clsMapServ\" is not registered: "
                           "HKEY_CLASSES_ROOT\\Kestrel9.clsMapServ\\CLSID is missing",
                           "Error GetSupportedFeatures: the server has not been created"}));

  // Registered, then the library moved away: the registration is stale.
  ASSERT_EQ(Regsvr().exit_code, 0);
  std::filesystem::rename(Path("Kestrel9"), Path("Moved"));
  run = Host("create\n");
  ASSERT_EQ(run.lines.size(), 1u);
  EXPECT_EQ(run.lines[0].rfind("Error create: the registration of \"Kestrel9.clsMapServ\" is "
                               "stale: HKEY_CLASSES_ROOT\\CLSID\\"
                               "{D407ACA1-EE57-4AEF-97E4-4D28775F5340}\\InprocServer32 names " +
                                   Path("Kestrel9/Kestrel9.so"),
                               0),
            0u)
      << run.lines[0];
}

TEST_F(HostErrors, RegsvrReportsALibraryItCannotLoad) {
  const RunResult run = Run("bin/kestrel9-regsvr", {Path("Kestrel9/statell.dat")});
  EXPECT_NE(run.exit_code, 0);
  EXPECT_NE(run.error.find("cannot load"), std::string::npos) << run.error;
}

TEST_F(HostErrors, ADamagedRegistryStoreIsNamedAsSuchWithItsLine) {
  std::ofstream(Path("registry.reg"), std::ios::binary | std::ios::trunc)
      << "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\nthis line is no value\r\n";
  const std::string damaged = "The file \"" + Path("registry.reg") + "\" is damaged at line 4.";
  RunResult run = Host("");
  EXPECT_NE(
      run.error.find("kestrel9-host: nothing can be recorded in the registry store. " + damaged),
      std::string::npos)
      << run.error;
  EXPECT_EQ(run.error.find("program folder"), std::string::npos) << run.error;
  run = Regsvr();
  EXPECT_NE(run.exit_code, 0);
  EXPECT_NE(run.error.find("kestrel9-regsvr: " + damaged), std::string::npos) << run.error;
}

}  // namespace
}  // namespace k9::e2e
