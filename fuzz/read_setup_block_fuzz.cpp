// Any bytes as a setup block: the reader either fills the setup or reports a bad number,
// tells of its 81 lines in order, and a block it read writes out as a block that reads
// back to the same text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "link_fuzz_rig.h"
#include "platform/text_file.h"
#include "setup/setup_block.h"
#include "setup/test_setup.h"

namespace {

std::string BlockText(const tarvos::setup::TestSetup& setup, uint8_t& amplifier_config) {
  tarvos::platform::TextWriter writer;
  tarvos::setup::WriteSetupBlock(writer, setup, {amplifier_config, {}, {}});
  return writer.Content();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvos;
  using fuzz::Check;
  platform::TextReader reader(std::string(reinterpret_cast<const char*>(data), size));
  setup::TestSetup setup;
  uint8_t amplifier_config = 0;
  int versions = 0;
  int lines = 0;
  const setup::SetupBlockContext context{amplifier_config, [&versions] { ++versions; },
                                         [&lines](int line) {
                                           Check(line == lines + 1, "block lines in order");
                                           lines = line;
                                         }};
  try {
    setup::ReadSetupBlock(reader, setup, context);
  } catch (const platform::FileError& error) {
    Check(std::string(error.what()) == "Invalid numeric input", "only a bad number fails");
    Check(lines < setup::kSetupBlockLines, "a failure comes before the last line");
    Check(versions == (lines >= 21 ? 1 : 0), "the version is requested after line 21");
    return 0;
  }
  Check(lines == setup::kSetupBlockLines && versions == 1, "81 lines and one version request");

  const std::string written = BlockText(setup, amplifier_config);
  platform::TextReader again(written);
  setup::TestSetup reread;
  uint8_t reread_config = 0;
  setup::ReadSetupBlock(again, reread, {reread_config, {}, {}});
  Check(reread_config == amplifier_config, "the amplifier configuration survives");
  Check(BlockText(reread, reread_config) == written, "a block written and read back is the same");
  return 0;
}
