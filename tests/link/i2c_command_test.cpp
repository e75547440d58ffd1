#include "link/i2c_command.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace tarvos::link {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

std::vector<uint8_t> BytesOf(std::string_view text) {
  const auto parsed = ParseI2cCommand(text);
  EXPECT_TRUE(parsed.Packet) << text << ": " << parsed.Error;
  if (!parsed.Packet) return {};
  const auto bytes = parsed.Packet->Bytes();
  return {bytes.begin(), bytes.end()};
}

std::string Pairs(int n) {
  std::string text;
  for (int i = 0; i < n; ++i) text += i == 0 ? "AA" : ",AA";
  return text;
}

TEST(I2cCommandTest, ConvertsPairsAndFillsTheRestWithOnes) {
  const auto parsed = ParseI2cCommand("03,20,00,04");
  ASSERT_TRUE(parsed.Packet);
  EXPECT_EQ(parsed.Packet->Count, 4u);
  EXPECT_THAT(parsed.Packet->Bytes(), ElementsAre(0x03, 0x20, 0x00, 0x04));
  for (std::size_t i = 4; i < kMaxPacketBytes; ++i) EXPECT_EQ(parsed.Packet->Data[i], 0x01) << i;

  EXPECT_EQ(BytesOf("0B,41,81,FF,00,00,00,00,00,00,00,04").size(), 12u);
}

TEST(I2cCommandTest, TrailingSeparatorsAndHalfPairsAddNothing) {
  EXPECT_THAT(BytesOf("03,20,00,04,"), ElementsAre(0x03, 0x20, 0x00, 0x04));
  EXPECT_THAT(BytesOf("03,2"), ElementsAre(0x03));
  EXPECT_THAT(BytesOf("0b,ff"), ElementsAre(0x0B, 0xFF));
  EXPECT_TRUE(BytesOf("").empty());
}

TEST(I2cCommandTest, RefusesNonHexPairsWithTheReason) {
  const auto parsed = ParseI2cCommand("03,2G,00,04");
  EXPECT_FALSE(parsed.Packet);
  EXPECT_THAT(parsed.Error, HasSubstr("\"2G\""));
  EXPECT_THAT(parsed.Error, HasSubstr("character 4"));
  EXPECT_FALSE(ParseI2cCommand("03 ,20").Packet);
}

TEST(I2cCommandTest, SixtyFivePairsFitAndSixtySixAreRefused) {
  EXPECT_EQ(BytesOf(Pairs(65)).size(), 65u);
  const auto parsed = ParseI2cCommand(Pairs(66));
  EXPECT_FALSE(parsed.Packet);
  EXPECT_THAT(parsed.Error, HasSubstr("65"));
}

TEST(I2cCommandTest, TransfersCarryTheFixedHeaderInTheirByteLayout) {
  const auto write = MakeWriteTransfer(*ParseI2cCommand("03,20,00,04").Packet);
  std::array<uint8_t, sizeof write> raw{};
  std::memcpy(raw.data(), &write, sizeof write);
  EXPECT_THAT(std::vector<uint8_t>(raw.begin(), raw.begin() + 11),
              ElementsAre(0, 0x9A, 0, 0, 4, 0, 0x03, 0x20, 0x00, 0x04, 0x01));
  EXPECT_EQ(raw.back(), 0x01);

  const auto read = MakeReadTransfer(16);
  EXPECT_EQ(read.SlaveAddress, 0x9A);
  EXPECT_EQ(read.Count, 16);
  EXPECT_THAT(read.Data, ::testing::Each(0));
  EXPECT_EQ(MakeReadTransfer(200).Count, 65);
}

}  // namespace
}  // namespace tarvos::link
