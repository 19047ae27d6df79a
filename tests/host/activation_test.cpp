#include "host/activation.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "module/registration.h"
#include "platform/posix/file_registry.h"

namespace k9::host {
namespace {

class ActivationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ =
        std::filesystem::temp_directory_path() /
        ("k9-activation-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    registry_ = NewFileRegistry((folder_ / "registry.reg").string());
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  void SetText(const std::string& key, const std::string& value) {
    ASSERT_TRUE(
        registry_->SetValue(RegRoot::kClassesRoot, key, "", RegValue{kRegSz, value + '\0'}));
  }
  std::string CreateError() {
    std::string error;
    EXPECT_EQ(CreateObjectByProgId(*registry_, kClsMapServProgId, &error), nullptr);
    return error;
  }

  std::filesystem::path folder_;
  std::unique_ptr<Registry> registry_;
};

TEST_F(ActivationTest, MissingOrMalformedRegistrationNamesTheKey) {
  EXPECT_EQ(CreateError(),
            "\"Kestrel9.clsMapServ\" is not registered: "
            "HKEY_CLASSES_ROOT\\Kestrel9.clsMapServ\\CLSID is missing");
  SetText("Kestrel9.clsMapServ\\CLSID", "D407ACA1-EE57");
  EXPECT_EQ(CreateError(),
            "HKEY_CLASSES_ROOT\\Kestrel9.clsMapServ\\CLSID holds \"D407ACA1-EE57\", "
            "which is not a class identifier");
  SetText("Kestrel9.clsMapServ\\CLSID", "{d407aca1-ee57-4aef-97e4-4d28775f5340}");
  EXPECT_EQ(CreateError(),
            "\"Kestrel9.clsMapServ\" is registered without a library: HKEY_CLASSES_ROOT\\CLSID\\"
            "{D407ACA1-EE57-4AEF-97E4-4D28775F5340}\\InprocServer32 is missing");
}

TEST_F(ActivationTest, StaleLibraryPathIsReportedWithItsKeyAndPath) {
  const std::string gone = (folder_ / "old" / "Kestrel9.so").string();
  ASSERT_TRUE(module::RegisterServer(*registry_, gone));
  const std::string error = CreateError();
  EXPECT_EQ(error.rfind("the registration of \"Kestrel9.clsMapServ\" is stale: HKEY_CLASSES_ROOT\\"
                        "CLSID\\{D407ACA1-EE57-4AEF-97E4-4D28775F5340}\\InprocServer32 names " +
                            gone + ", which cannot be loaded (",
                        0),
            0u)
      << error;
}

TEST_F(ActivationTest, ALibraryWithoutTheEntryPointIsNotTakenForTheServer) {
  // The C library is a real shared library without DllGetClassObject.
  ASSERT_TRUE(module::RegisterServer(*registry_, "libc.so.6"));
  const std::string error = CreateError();
  EXPECT_NE(error.find("is not an in-process server: it has no DllGetClassObject"),
            std::string::npos)
      << error;
}

TEST_F(ActivationTest, RegistrationRoundTripsAndUnregistrationRemovesEveryKey) {
  const std::string path = "/opt/k9/Kestrel9/Kestrel9.so";
  ASSERT_TRUE(module::RegisterServer(*registry_, path));
  Registration found;
  std::string error;
  ASSERT_TRUE(ReadRegistration(*registry_, kClsMapServProgId, &found, &error)) << error;
  EXPECT_EQ(found.library, path);
  EXPECT_EQ(found.clsid, kClsidClsMapServ);
  const auto typelib = registry_->QueryValue(
      RegRoot::kClassesRoot, "TypeLib\\{8A00D9F5-5295-4DC2-9539-38693741DE79}\\1.0\\0\\win32", "");
  ASSERT_TRUE(typelib);
  EXPECT_EQ(RegistryText(*typelib), path);

  // Registering again (a new folder) replaces the path.
  ASSERT_TRUE(module::RegisterServer(*registry_, "/new/Kestrel9.so"));
  ASSERT_TRUE(ReadRegistration(*registry_, kClsMapServProgId, &found, &error));
  EXPECT_EQ(found.library, "/new/Kestrel9.so");

  ASSERT_TRUE(registry_->SetValue(RegRoot::kClassesRoot, "Other.Class", "", RegValue{kRegSz, "x"}));
  ASSERT_TRUE(module::UnregisterServer(*registry_));
  for (const std::string& key : module::RegistrationRoots()) {
    EXPECT_FALSE(registry_->KeyExists(RegRoot::kClassesRoot, key)) << key;
  }
  EXPECT_TRUE(registry_->KeyExists(RegRoot::kClassesRoot, "Other.Class"));
  EXPECT_TRUE(module::UnregisterServer(*registry_)) << "unregistering twice is not an error";
}

}  // namespace
}  // namespace k9::host
