// Any bytes as Salvo.INI: line 4 gives the amplifier switch frequency, or the warning
// is shown and the frequency stays as it was.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "calib/settings_file.h"
#include "fuzz_folder.h"
#include "link/adapter_link.h"
#include "link_fuzz_rig.h"
#include "platform/scripted_operator.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvos;
  using fuzz::Check;
  const std::string& folder = fuzz::FuzzFolder();
  fuzz::WriteInput(folder + std::string(calib::kSalvoFileName), data, size);

  link::AdapterLink link;
  link.AmplifierSwitchFrequency = 1234.5F;
  platform::ScriptedOperator op;
  if (calib::LoadSalvoSettings(folder, link, op)) {
    Check(op.History().empty(), "a file that reads shows nothing");
    Check(std::isfinite(link.AmplifierSwitchFrequency), "the switch frequency is a number");
  } else {
    Check(op.Texts() ==
              std::vector<std::string>{"Salvo.INI File not Found or Corrupt. Please Re Load"},
          "a file that does not read shows its warning once");
    Check(link.AmplifierSwitchFrequency == 1234.5F, "a file that does not read keeps the value");
  }
  return 0;
}
