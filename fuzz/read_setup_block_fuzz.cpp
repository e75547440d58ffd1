// Any bytes as a setup block: the reader either fills the setup or reports a bad number.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/text_file.h"
#include "setup/setup_block.h"
#include "setup/test_setup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tarvos::platform::TextReader reader(std::string(reinterpret_cast<const char*>(data), size));
  tarvos::setup::TestSetup setup;
  uint8_t amplifier_config = 0;
  int versions = 0;
  const tarvos::setup::SetupBlockContext context{amplifier_config, [&versions] { ++versions; }, {}};
  try {
    tarvos::setup::ReadSetupBlock(reader, setup, context);
  } catch (const tarvos::platform::FileError&) {
  }
  return 0;
}
