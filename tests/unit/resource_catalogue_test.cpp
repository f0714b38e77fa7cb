#include "resources/resource_catalogue.h"

#include "resources/splash_data.h"
#include "tests/support/sim_test.h"

namespace {

const std::string kExe = "C:\\Tools\\Budget.exe";

class ResourceCatalogueTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    world().AddModule(kExe);
  }
  ResourceCatalogue catalogue;
};

TEST_F(ResourceCatalogueTest, ReadsWholeResourceAndHoldsNoModuleAfterwards) {
  world().AddResource(kExe, "RUNTIME", 102, Bytes("PK runtime"));
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(catalogue.ReadRuntime(kExe, bytes));
  EXPECT_EQ(bytes, Bytes("PK runtime"));
  EXPECT_EQ(world().LoadedModuleReferences(), 0);
}

TEST_F(ResourceCatalogueTest, EachFixedReaderReadsItsOwnResource) {
  using Reader = bool (ResourceCatalogue::*)(const std::string&,
                                             std::vector<std::uint8_t>&);
  const struct {
    Reader read;
    resource_ids::ResourceId resource;
  } readers[] = {
      {&ResourceCatalogue::ReadRuntime, resource_ids::kRuntime},
      {&ResourceCatalogue::ReadSplash, resource_ids::kSplash},
      {&ResourceCatalogue::ReadHelpData, resource_ids::kHelpData},
      {&ResourceCatalogue::ReadAddinXlam, resource_ids::kAddinXlam},
      {&ResourceCatalogue::ReadAddinXla, resource_ids::kAddinXla},
  };
  for (const auto& reader : readers) {
    world().AddResource(kExe, reader.resource.type, reader.resource.id,
                        Bytes(reader.resource.type));
  }
  for (const auto& reader : readers) {
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE((catalogue.*reader.read)(kExe, bytes)) << reader.resource.type;
    EXPECT_EQ(bytes, Bytes(reader.resource.type));
  }
  EXPECT_EQ(world().LoadedModuleReferences(), 0);
}

TEST_F(ResourceCatalogueTest, WindowIsCutAtTheEndOfTheResource) {
  world().AddResource(kExe, "XLS", 105, Bytes("0123456789"));
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(catalogue.ReadResource(kExe, 105, "XLS", 4, 3, bytes));
  EXPECT_EQ(bytes, Bytes("456"));
  ASSERT_TRUE(catalogue.ReadResource(kExe, 105, "XLS", 7, 50, bytes));
  EXPECT_EQ(bytes, Bytes("789"));
  // offset + length would wrap around in 32 bits.
  ASSERT_TRUE(catalogue.ReadResource(kExe, 105, "XLS", 1, 0xFFFFFFFF, bytes));
  EXPECT_EQ(bytes, Bytes("123456789"));
  ASSERT_TRUE(catalogue.ReadResource(kExe, 105, "xls", 0, 0, bytes));
  EXPECT_EQ(bytes, Bytes("0123456789"));
}

TEST_F(ResourceCatalogueTest, FailedReadsLeaveTheOutputAlone) {
  world().AddResource(kExe, "XLS", 105, Bytes("0123456789"));
  world().AddResource(kExe, "CHM", 115, {});
  const std::vector<std::uint8_t> before = Bytes("untouched");
  std::vector<std::uint8_t> bytes = before;

  EXPECT_FALSE(catalogue.ReadResource(kExe, 105, "XLS", 10, 0, bytes));
  EXPECT_FALSE(catalogue.ReadResource(kExe, 105, "XLS", 0xFFFFFFFF, 1, bytes));
  EXPECT_FALSE(catalogue.ReadHelpData(kExe, bytes));
  EXPECT_FALSE(catalogue.ReadSplash(kExe, bytes));
  EXPECT_FALSE(catalogue.ReadSplash("C:\\Tools\\Other.exe", bytes));
  world().faults.FailCall("LockResourceBytes", 1);
  EXPECT_FALSE(catalogue.ReadResource(kExe, 105, "XLS", 0, 0, bytes));

  EXPECT_EQ(bytes, before);
  EXPECT_EQ(world().LoadedModuleReferences(), 0);
}

TEST_F(ResourceCatalogueTest, OneByteResourceIsReturnedAsIs) {
  world().AddResource(kExe, "SPLASH", 104, Bytes("1"));
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(catalogue.ReadSplash(kExe, bytes));
  EXPECT_EQ(bytes, Bytes("1"));
}

TEST_F(ResourceCatalogueTest, ExtensionIsTheTextUpToItsNul) {
  std::string text = "old";
  world().AddResource(kExe, "EXT", 106, {'.', 'x', 'l', 'a', 'm', 0, 'z'});
  ASSERT_TRUE(catalogue.ReadExtension(kExe, text));
  EXPECT_EQ(text, ".xlam");

  world().AddResource(kExe, "EXT", 106, Bytes(".xlsm"));
  ASSERT_TRUE(catalogue.ReadExtension(kExe, text));
  EXPECT_EQ(text, ".xlsm");

  world().AddResource(kExe, "EXT", 106, {});
  EXPECT_FALSE(catalogue.ReadExtension(kExe, text));
  EXPECT_EQ(text, ".xlsm");
  EXPECT_EQ(world().LoadedModuleReferences(), 0);
}

TEST_F(ResourceCatalogueTest, EachReadMapsTheFileAsDataAfresh) {
  world().AddResource(kExe, "SPLASH", 104, Bytes("splash"));
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(catalogue.ReadSplash(kExe, bytes));
  ASSERT_TRUE(catalogue.ReadSplash(kExe, bytes));
  ASSERT_EQ(world().moduleLoads.size(), 2u);
  for (const sim::ModuleLoadRecord& load : world().moduleLoads) {
    EXPECT_EQ(load.as, platform::LoadAs::kResourceData);
  }
  EXPECT_EQ(world().LoadedModuleReferences(), 0);
}

TEST_F(ResourceCatalogueTest, SplashDataIsReadEvenWhenShort) {
  SplashData data;
  EXPECT_FALSE(catalogue.ReadSplashData(kExe, data));

  world().AddResource(kExe, "SPLASH_DATA", 107, {2, 0, 0, 0, 9, 0});
  ASSERT_TRUE(catalogue.ReadSplashData(kExe, data));
  EXPECT_EQ(data.parameterA, 1);
  EXPECT_EQ(data.displaySeconds, 0);

  world().AddResource(kExe, "SPLASH_DATA", 107,
                      {2, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0});
  ASSERT_TRUE(catalogue.ReadSplashData(kExe, data));
  EXPECT_EQ(data.displaySeconds, 3);
  EXPECT_EQ(world().LoadedModuleReferences(), 0);
}

}  // namespace
