#pragma once

#include <cstdint>
#include <functional>

#include "platform/text_file.h"
#include "setup/test_setup.h"

namespace tarvos::setup {

inline constexpr int kSetupBlockLines = 81;

// What the block needs besides the TestSetup: the amplifier configuration (line 16, held
// by the link) and the version request sent between lines 21 and 22.
struct SetupBlockContext {
  uint8_t& AmplifierConfig;
  std::function<void()> RequestVersion;
  // Called after each block line (1 to 81) has been read; the settings file replaces
  // two values there.
  std::function<void(int line)> AfterLine;
};

// The 81 lines of the setup block.
void WriteSetupBlock(platform::TextWriter& writer, const TestSetup& setup,
                     const SetupBlockContext& context);
// Reads the 81 lines into the setup; values read before a failure stay. Throws
// FileError ("Invalid numeric input") for a number that does not convert.
void ReadSetupBlock(platform::TextReader& reader, TestSetup& setup,
                    const SetupBlockContext& context);

}  // namespace tarvos::setup
