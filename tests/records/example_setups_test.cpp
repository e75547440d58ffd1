#include <gtest/gtest.h>

#include <string>

#include "records/records_rig.h"
#include "records/setup_file.h"
#include "setup/setup_block.h"

namespace tarvos::records {
namespace {

std::string DataFile(const std::string& name) {
  return std::string(TARVOS_SOURCE_DIR) + "/data/" + name;
}

// The example as the program itself would save it: same values, same bytes.
void ExpectSavedForm(const std::string& path, const setup::TestSetup& expected) {
  uint8_t amplifier = 0;
  platform::TextWriter writer;
  setup::WriteSetupBlock(writer, expected, setup::SetupBlockContext{amplifier, {}, {}});
  EXPECT_EQ(FileBytes(path), writer.Content()) << path;
}

setup::TestSetup IecStandard(float field) {
  setup::TestSetup setup;
  setup.TestMode = setup::kStandard;
  setup.StartFrequency = 80'000'000;
  setup.EndFrequency = 1'000'000'000;
  setup.StepPercent = 1.0F;
  setup.FieldStrength = field;
  setup.ModulationType = 4;
  return setup;
}

TEST(ExampleSetupsTest, DomesticAndCommercialIsTheIecScanAtThreeVoltsPerMetre) {
  RecordsRig rig;
  OpenSetupFile(rig.Context(), DataFile("IEC-Domestic-Commercial.STP"));
  EXPECT_EQ(rig.Setup.TestMode, setup::kStandard);
  EXPECT_EQ(rig.Setup.StartFrequency, 80'000'000u);
  EXPECT_EQ(rig.Setup.EndFrequency, 1'000'000'000u);
  EXPECT_EQ(rig.Setup.StepPercent, 1.0F);
  EXPECT_EQ(rig.Setup.FieldStrength, 3.0F);
  EXPECT_EQ(rig.Setup.ModulationType, 4u);
  EXPECT_EQ(rig.Setup.CustomList[0].Frequency, 0u);
  EXPECT_EQ(rig.AmplifierConfig, 0u);
  ExpectSavedForm(DataFile("IEC-Domestic-Commercial.STP"), IecStandard(3.0F));
}

TEST(ExampleSetupsTest, IndustrialIsTheIecScanAtTenVoltsPerMetre) {
  RecordsRig rig;
  OpenSetupFile(rig.Context(), DataFile("IEC-Industrial.STP"));
  EXPECT_EQ(rig.Setup.TestMode, setup::kStandard);
  EXPECT_EQ(rig.Setup.FieldStrength, 10.0F);
  EXPECT_EQ(rig.Setup.ModulationType, 4u);
  ExpectSavedForm(DataFile("IEC-Industrial.STP"), IecStandard(10.0F));
}

TEST(ExampleSetupsTest, CustomExampleHoldsFourRows) {
  RecordsRig rig;
  OpenSetupFile(rig.Context(), DataFile("Custom-Example.STP"));
  EXPECT_EQ(rig.Setup.TestMode, setup::kCustom);
  const auto& rows = rig.Setup.CustomList;
  EXPECT_EQ(rows[0].Frequency, 80'000'000u);
  EXPECT_EQ(rows[0].Level, 3.0F);
  EXPECT_EQ(rows[2].Frequency, 400'000'000u);
  EXPECT_EQ(rows[2].Level, 10.0F);
  EXPECT_EQ(rows[3].Frequency, 900'000'000u);
  EXPECT_EQ(rows[3].Level, 2.7F);
  EXPECT_EQ(rows[4].Frequency, 0u);

  setup::TestSetup expected = IecStandard(3.0F);
  expected.TestMode = setup::kCustom;
  expected.CustomList[0] = {80'000'000, 3.0F};
  expected.CustomList[1] = {150'000'000, 3.0F};
  expected.CustomList[2] = {400'000'000, 10.0F};
  expected.CustomList[3] = {900'000'000, 2.7F};
  ExpectSavedForm(DataFile("Custom-Example.STP"), expected);
}

}  // namespace
}  // namespace tarvos::records
