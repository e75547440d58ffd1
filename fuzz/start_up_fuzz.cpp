// Any bytes as the adapters start-up (or the engineer's search) finds: which instances
// open, what their input ports and serial numbers say, and the reply frames they send.
// The search keeps the last synthesiser and Salvo unit it identified, reads serial
// numbers no further than 21 characters (128 for the engineer) or the buffer, and sends
// each unit its initial commands, and only to the handles it identified.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "link/i2c_command.h"
#include "link/start_up.h"
#include "link_fuzz_rig.h"

namespace {

using tarvos::fuzz::Check;
constexpr std::size_t kInstances = tarvos::link::kLastDeviceInstance + 1;
constexpr std::size_t kSerialBytes = 32;
constexpr uint8_t kNoAdapter = 0xFF;
constexpr uint8_t kHandleZero = 0xFE;
constexpr uint8_t kConfigFails = 0x01;
constexpr uint8_t kSerialFails = 0x02;

int32_t HandleOf(std::size_t instance) { return static_cast<int32_t>(100 + instance); }

// An instance byte: 0xFF no adapter, 0xFE a handle of 0; otherwise bits 2 to 7 are the
// hardware id, bit 0 fails the port configuration and bit 1 the serial number.
class StartUpAdapters final : public tarvos::fuzz::FuzzAdapters {
 public:
  std::array<uint8_t, kInstances> Instances{};
  std::array<uint8_t, kSerialBytes> Serial{};
  std::vector<int32_t> Opened;
  uint8_t LastInstance = tarvos::link::kLastDeviceInstance;

  int32_t OpenDeviceInstance(std::string_view name, uint8_t instance) override {
    Check(name == "UsbI2cIo", "adapters are opened by their device name");
    Check(instance <= LastInstance, "the search stays within its instances");
    if (instance >= kInstances || Instances[instance] == kNoAdapter) return -1;
    if (Instances[instance] == kHandleZero) return 0;
    Opened.push_back(HandleOf(instance));
    return HandleOf(instance);
  }
  bool ConfigIoPorts(int32_t handle, uint32_t config) override {
    Check(config == 0x000F00FC, "the port configuration");
    return (ByHandle(handle) & kConfigFails) == 0;
  }
  bool ReadIoPorts(int32_t handle, uint32_t& value) override {
    const uint8_t c = ByHandle(handle);
    // The bits around the hardware id carry live inputs that must not count.
    value = uint32_t{c} | uint32_t{c} << 8 | 0x3U;
    return true;
  }
  bool GetSerialId(int32_t handle, tarvos::platform::SerialBuffer& buffer) override {
    Check(std::all_of(buffer.begin(), buffer.end(), [](char c) { return c == 0; }),
          "the serial buffer arrives zeroed");
    if ((ByHandle(handle) & kSerialFails) != 0) return false;
    // The whole buffer, with no terminator when the serial bytes hold no zero.
    for (std::size_t i = 0; i < buffer.size(); ++i) {
      buffer[i] = static_cast<char>(Serial[i % Serial.size()]);
    }
    return true;
  }

 private:
  uint8_t ByHandle(int32_t handle) const {
    Check(std::find(Opened.begin(), Opened.end(), handle) != Opened.end(),
          "a call on a handle that was never opened");
    return Instances[static_cast<std::size_t>(handle - 100)];
  }
};

std::vector<std::string> TextsTo(const StartUpAdapters& adapters, int32_t handle) {
  std::vector<std::string> texts;
  for (const auto& write : adapters.Writes) {
    if (write.Handle == handle) texts.push_back(tarvos::link::FormatI2cCommand(write.Bytes));
  }
  return texts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvos;
  if (size == 0) return 0;
  // The first byte: bit 0 chooses the engineer's search over start-up.
  const bool enumeration = (data[0] & 0x01) != 0;
  const std::span<const uint8_t> input(data + 1, size - 1);
  StartUpAdapters adapters;
  if (enumeration) adapters.LastInstance = link::kLastEnumeratedInstance;
  adapters.Instances.fill(kNoAdapter);
  std::copy_n(input.begin(), std::min(input.size(), kInstances), adapters.Instances.begin());
  const auto rest = input.subspan(std::min(input.size(), kInstances));
  std::copy_n(rest.begin(), std::min(rest.size(), kSerialBytes), adapters.Serial.begin());
  adapters.Script(fuzz::FramesOf(rest.subspan(std::min(rest.size(), kSerialBytes))));

  link::AdapterLink link;
  platform::VirtualEventLoop loop;
  platform::ScriptedOperator op;
  screen::Screen screen;
  fuzz::RecordingEvents events;
  link::AdapterAccess access(link, adapters, loop, op, screen, events);
  link::CommandSet commands(access);
  int salvo_settings = 0;
  const link::IdentifyHooks hooks{[&salvo_settings] { ++salvo_settings; }, {}};
  if (enumeration) {
    link::EnumerateAdapters(access, commands, hooks, 0, {});
  } else {
    link::IdentifyAdapters(access, commands, hooks);
  }

  // What the search should have found: the last of each kind.
  std::optional<std::size_t> synth, salvo;
  int salvos = 0;
  bool configured = false;
  for (std::size_t i = 0; i < kInstances; ++i) {
    const uint8_t c = adapters.Instances[i];
    if (c == kNoAdapter || c == kHandleZero || (c & kConfigFails) != 0) continue;
    configured = true;
    const uint8_t id = c & 0xFC;
    if (id == 0x00 || id == 0x04) synth = i;
    if (id == 0x08) {
      salvo = i;
      ++salvos;
    }
  }
  Check(link.SynthHandle == (synth ? HandleOf(*synth) : 0), "the last synthesiser is used");
  Check(link.SalvoHandle == (salvo ? HandleOf(*salvo) : 0), "the last Salvo unit is used");
  Check(link.SynthPresent == synth.has_value() && link.SalvoPresent == salvo.has_value(),
        "what was found is present");
  Check(salvo_settings == salvos, "Salvo.INI is read for every Salvo unit identified");
  if (synth) {
    const uint8_t c = adapters.Instances[*synth];
    Check(link.SynthInstance == *synth, "the synthesiser's instance");
    Check(link.ModelName == ((c & 0xFC) == 0 ? "Corvid" : "Fennix"), "the model by hardware id");
    std::string serial;
    if ((c & kSerialFails) == 0) {
      const std::size_t limit =
          enumeration ? link::kEnumerationSerialChars : link::kStartUpSerialChars;
      for (std::size_t i = 0; i < limit && adapters.Serial[i % kSerialBytes]; ++i) {
        serial += static_cast<char>(adapters.Serial[i % kSerialBytes]);
      }
    }
    Check(screen.devices.Get(*synth, 3) == serial, "the serial number, as far as it is read");
  }
  // Start-up writes the caption at every adapter that answers; the engineer's search
  // only at its end, for a synthesiser.
  const bool captioned = enumeration ? synth.has_value() : configured;
  Check(screen.caption == (captioned ? std::string(link::kCaptionPrefix) + link.ModelName : ""),
        "the caption names the model");

  // Initial commands, to the identified handles only.
  for (const auto& write : adapters.Writes) {
    Check(
        write.Handle != 0 && (write.Handle == link.SynthHandle || write.Handle == link.SalvoHandle),
        "a command to a handle that was not identified");
  }
  std::vector<std::string> synth_texts;
  if (salvo && synth) synth_texts.push_back("0B,41,82,FF,00,00,00,00,00,00,00,04");
  if (synth) {
    for (const char* text : {"03,31,00,04", "03,20,00,04", "03,3E,A5,04"}) {
      synth_texts.emplace_back(text);
    }
  }
  if (synth)
    Check(TextsTo(adapters, link.SynthHandle) == synth_texts, "the synthesiser's commands");
  if (salvo) {
    // Start-up disconnects the amplifiers; the engineer's search connects amplifier 1.
    const std::vector<std::string> salvo_texts =
        enumeration ? std::vector<std::string>{"03,20,00,04", "03,40,02,04", "03,21,00,04"}
                    : std::vector<std::string>{"03,30,00,04", "03,20,00,04", "03,40,01,04",
                                               "03,21,00,04", "03,21,00,04"};
    Check(TextsTo(adapters, link.SalvoHandle) == salvo_texts, "the Salvo unit's commands");
  }
  Check(adapters.FramesRead() <= (salvo ? (enumeration ? 2U : 4U) : 0U) + (synth ? 1U : 0U),
        "the search reads the Salvo frames and one synthesiser frame at most");
  return 0;
}
