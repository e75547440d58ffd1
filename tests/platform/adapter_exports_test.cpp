// How a loaded library's eight calls are found: each under its plain name, then under
// the name a 32-bit Windows compiler gives a __stdcall function. A stand-in table of
// exports takes the place of a library.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "platform/process_adapters.h"
#include "platform/shared_library_adapters.h"
#include "platform/system_paths.h"
#include "temp_path.h"

namespace tarvos::platform {
namespace {

using ::testing::ElementsAre;

// Distinct addresses to stand for the functions a library exports.
struct Exports {
  std::map<std::string, void*> table;
  char slots[32] = {};
  int used = 0;
  void* Add(const std::string& name) { return table[name] = &slots[used++]; }
  ExportLookup Lookup() {
    return [this](const std::string& name) -> void* {
      const auto found = table.find(name);
      return found == table.end() ? nullptr : found->second;
    };
  }
};

template <typename Function>
void* Address(Function function) {
  return reinterpret_cast<void*>(function);
}

TEST(AdapterExportsTest, EachCallHasItsPlainThenItsDecoratedName) {
  EXPECT_THAT(ExportNames("DAPI_ReadI2c", 8),
              ElementsAre("DAPI_ReadI2c", "_DAPI_ReadI2c@8", "DAPI_ReadI2c@8"));
  EXPECT_THAT(ExportNames("DAPI_WriteIoPorts", 12),
              ElementsAre("DAPI_WriteIoPorts", "_DAPI_WriteIoPorts@12", "DAPI_WriteIoPorts@12"));
}

TEST(AdapterExportsTest, DecoratedExportsAreFoundWithTheirArgumentBytes) {
  Exports exports;
  void* open = exports.Add("_DAPI_OpenDeviceInstance@8");
  void* close = exports.Add("_DAPI_CloseDeviceInstance@4");
  void* serial = exports.Add("_DAPI_GetSerialId@8");
  void* config = exports.Add("_DAPI_ConfigIoPorts@8");
  void* read_ports = exports.Add("_DAPI_ReadIoPorts@8");
  void* write_ports = exports.Add("_DAPI_WriteIoPorts@12");
  void* write = exports.Add("_DAPI_WriteI2c@8");
  void* read = exports.Add("_DAPI_ReadI2c@8");
  const AdapterFunctions functions = ResolveAdapterFunctions(exports.Lookup(), "vendor.dll");
  EXPECT_EQ(Address(functions.OpenDeviceInstance), open);
  EXPECT_EQ(Address(functions.CloseDeviceInstance), close);
  EXPECT_EQ(Address(functions.GetSerialId), serial);
  EXPECT_EQ(Address(functions.ConfigIoPorts), config);
  EXPECT_EQ(Address(functions.ReadIoPorts), read_ports);
  EXPECT_EQ(Address(functions.WriteIoPorts), write_ports);
  EXPECT_EQ(Address(functions.WriteI2c), write);
  EXPECT_EQ(Address(functions.ReadI2c), read);
}

TEST(AdapterExportsTest, APlainNameComesFirstAndAMissingCallIsNamed) {
  Exports exports;
  for (const char* name : {"DAPI_OpenDeviceInstance", "DAPI_CloseDeviceInstance",
                           "DAPI_GetSerialId", "DAPI_ConfigIoPorts", "DAPI_ReadIoPorts",
                           "DAPI_WriteIoPorts", "DAPI_WriteI2c"}) {
    exports.Add(name);
  }
  void* plain = exports.Add("DAPI_ReadI2c");
  exports.Add("_DAPI_ReadI2c@8");
  EXPECT_EQ(Address(ResolveAdapterFunctions(exports.Lookup(), "vendor.dll").ReadI2c), plain);

  exports.table.erase("DAPI_WriteI2c");
  exports.table.erase("DAPI_WriteIoPorts");
  exports.Add("_DAPI_WriteIoPorts@8");  // the wrong argument bytes: not this call
  try {
    ResolveAdapterFunctions(exports.Lookup(), "vendor.dll");
    FAIL() << "no error";
  } catch (const AdapterLibraryError& error) {
    EXPECT_STREQ(error.what(),
                 "Adapter library vendor.dll does not export DAPI_WriteIoPorts, DAPI_WriteI2c");
  }
}

// The first bytes of a PE image: "MZ", the header's offset at 0x3C, "PE\0\0", the machine.
std::string PeHead(uint16_t machine) {
  std::string bytes(0x80, '\0');
  bytes[0] = 'M';
  bytes[1] = 'Z';
  bytes[0x3C] = 0x40;
  bytes.replace(0x40, 4, std::string("PE\0\0", 4));
  bytes[0x44] = static_cast<char>(machine & 0xFF);
  bytes[0x45] = static_cast<char>(machine >> 8);
  return bytes;
}

TEST(AdapterExportsTest, ALibrarysBitnessIsReadFromItsHeader) {
  EXPECT_EQ(PeImageBits(PeHead(0x014C)), 32);
  EXPECT_EQ(PeImageBits(PeHead(0x8664)), 64);
  EXPECT_EQ(PeImageBits(PeHead(0x0200)), std::nullopt);  // Itanium: neither
  EXPECT_EQ(PeImageBits("\x7F" "ELF"), std::nullopt);
  std::string cut = PeHead(0x8664);
  cut[0x3C] = 0x7C;  // the header past the bytes given
  EXPECT_EQ(PeImageBits(cut), std::nullopt);
  EXPECT_EQ(PeImageBits(""), std::nullopt);
}

// Which helper serves a library: its own bitness's only when asked for, the other
// bitness's whenever it is there, and none (the library loads here and its loader says
// what is wrong) when the other bitness's helper is missing.
TEST(AdapterExportsTest, AHelperOfTheLibrarysBitnessIsChosen) {
  const std::string folder = testing_support::MakeTempFolder("tarvos-helpers") + "/";
  const std::string own = folder + ProgramFileName("tarvos-adapters");
  const std::string helper32 = folder + ProgramFileName("tarvos-adapters32");

  EXPECT_EQ(ChooseAdapterHelper(PeHead(0x8664), false, 64, folder), std::nullopt);
  EXPECT_EQ(ChooseAdapterHelper(PeHead(0x8664), true, 64, folder), own);
  EXPECT_EQ(ChooseAdapterHelper("\x7F" "ELF", true, 64, folder), own);
  EXPECT_EQ(ChooseAdapterHelper("\x7F" "ELF", false, 64, folder), std::nullopt);
  // The 32-bit library's helper is not there yet: the loader's own refusal follows.
  EXPECT_EQ(ChooseAdapterHelper(PeHead(0x014C), false, 64, folder), std::nullopt);
  EXPECT_EQ(ChooseAdapterHelper(PeHead(0x014C), true, 64, folder), std::nullopt);

  std::ofstream(helper32) << "helper";
  EXPECT_EQ(ChooseAdapterHelper(PeHead(0x014C), false, 64, folder), helper32);
  EXPECT_EQ(ChooseAdapterHelper(PeHead(0x014C), true, 64, folder), helper32);
  EXPECT_EQ(ChooseAdapterHelper(PeHead(0x014C), false, 32, folder), std::nullopt);
  // A 32-bit program would want a 64-bit helper for a 64-bit library.
  EXPECT_EQ(ChooseAdapterHelper(PeHead(0x8664), false, 32, folder), std::nullopt);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace tarvos::platform
