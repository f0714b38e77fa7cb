// Reads the resources of the real Launcher.exe that the win32 build made,
// through the simulated module loader over its PE resource directory, and
// runs the main sequence over them.

#include <filesystem>
#include <fstream>
#include <iterator>

#include "launcher/main_sequence.h"
#include "pe/pe_resource_reader.h"
#include "resources/resource_catalogue.h"
#include "tests/doubles/excel_automation/excel_double_inproc.h"
#include "tests/support/sim_test.h"

namespace {

const std::string kExe = "C:\\Tools\\Launcher.exe";

std::vector<std::uint8_t> FileBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file),
          std::istreambuf_iterator<char>()};
}

class ShippedLauncherTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    ASSERT_TRUE(std::filesystem::exists(SHIPPED_LAUNCHER))
        << SHIPPED_LAUNCHER << " is missing: build the win32 preset first";
    ASSERT_TRUE(world().AddModuleFromPeFile(kExe, SHIPPED_LAUNCHER));
  }
};

TEST_F(ShippedLauncherTest, CarriesEveryPayloadFileByteForByte) {
  const struct {
    resource_ids::ResourceId resource;
    const char* file;
  } payload[] = {
      {resource_ids::kRuntime, "runtime.zip"},
      {resource_ids::kLoader, "ldr.bin"},
      {resource_ids::kSplash, "splash.zip"},
      {resource_ids::kWorkbook, "workbook.xls"},
      {resource_ids::kExtension, "ext.bin"},
      {resource_ids::kSplashData, "splash_data.bin"},
      {resource_ids::kUpdater, "updater.bin"},
      {resource_ids::kUpdateData, "update_data.bin"},
      {resource_ids::kHelpData, "chm.bin"},
      {resource_ids::kAddinXlam, "loader.xlam"},
      {resource_ids::kAddinXla, "loader.xla"},
  };
  ResourceCatalogue catalogue;
  for (const auto& [resource, file] : payload) {
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(catalogue.ReadResource(kExe, resource.id, resource.type, 0, 0,
                                       bytes))
        << resource.type;
    EXPECT_EQ(bytes, FileBytes(std::filesystem::path(SHIPPED_PAYLOAD_DIR) / file))
        << resource.type;
  }
}

TEST_F(ShippedLauncherTest, CarriesTheStandardResourcesForTheShellAndRuntime) {
  const std::vector<std::uint8_t> image = FileBytes(SHIPPED_LAUNCHER);
  for (const auto& [type, id] : std::vector<std::pair<std::string, int>>{
           {"#24", 1}, {"#14", 101}, {"#3", 1}, {"#5", 108}, {"#2", 109}}) {
    EXPECT_TRUE(pe::FindPeResource(image, type, static_cast<std::uint16_t>(id)))
        << type << " " << id;
  }
}

TEST_F(ShippedLauncherTest, MainSequenceRunsCleanOverTheRealResources) {
  excel_double::RegisterInSimWorld();
  RunLauncher(kExe);
  EXPECT_TRUE(world().messageBoxes.empty());
  EXPECT_EQ(world().LoadedModuleReferences(), 0);
}

}  // namespace
