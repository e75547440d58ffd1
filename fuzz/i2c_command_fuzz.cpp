// Any text as an I2cCommand typed in the Test Form or built by the command set: the
// conversion takes a pair at every third character, refuses anything that is not hex or
// does not fit one packet, and what it accepts goes out byte for byte.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "link/i2c_command.h"
#include "link_fuzz_rig.h"

namespace {

using tarvos::fuzz::Check;

std::optional<uint8_t> Digit(char c) {
  if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<uint8_t>(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return static_cast<uint8_t>(c - 'a' + 10);
  return std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvos;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const link::ParsedI2cCommand parsed = link::ParseI2cCommand(text);

  // Pairs start at 0, 3, 6, ... before the last character.
  const std::size_t pairs = size < 2 ? 0 : (size - 2) / 3 + 1;
  bool all_hex = true;
  for (std::size_t i = 0; i < pairs && all_hex; ++i) {
    all_hex = Digit(text[3 * i]) && Digit(text[3 * i + 1]);
  }
  const bool fits = pairs <= link::kMaxPacketBytes;
  Check(parsed.Packet.has_value() == (all_hex && fits), "accepted exactly the hex texts that fit");
  Check(parsed.Packet.has_value() == parsed.Error.empty(), "a refusal, and only one, has a reason");
  if (!parsed.Packet) {
    fuzz::FuzzLink bench;
    Check(!bench.access.SendSynth(text) && bench.adapters.Writes.empty(),
          "a refused text sends nothing");
    Check(bench.access.LastError() == parsed.Error, "the refusal's reason is kept");
    Check(bench.screen.diagnostics.messages.empty(), "a refused text is not logged");
    return 0;
  }

  const link::I2cPacket& packet = *parsed.Packet;
  Check(packet.Count == pairs, "one byte a pair");
  for (std::size_t i = 0; i < link::kMaxPacketBytes; ++i) {
    const uint8_t expected =
        i < pairs ? static_cast<uint8_t>(*Digit(text[3 * i]) << 4 | *Digit(text[3 * i + 1]))
                  : link::kFillByte;
    Check(packet.Data[i] == expected, "the packet bytes are the pairs, then the fill byte");
  }

  // The canonical text of the bytes converts back to them.
  const std::string canonical = link::FormatI2cCommand(packet.Bytes());
  const auto again = link::ParseI2cCommand(canonical);
  Check(again.Packet && again.Packet->Count == packet.Count && again.Packet->Data == packet.Data,
        "the formatted text converts to the same packet");

  // What SendSynth writes: the text in the diagnostics list, the bytes in the transfer.
  fuzz::FuzzLink bench;
  Check(bench.access.SendSynth(text), "an accepted text is written whole");
  Check(bench.access.LastError().empty(), "an accepted text leaves no error");
  Check(bench.adapters.Writes.size() == 1, "one write a text");
  const auto& write = bench.adapters.Writes.front();
  Check(write.Handle == fuzz::kSynthHandle &&
            std::equal(write.Bytes.begin(), write.Bytes.end(), packet.Data.begin()) &&
            write.Bytes.size() == packet.Count,
        "the transfer carries the packet");
  Check(bench.screen.diagnostics.tx_string == text &&
            bench.screen.diagnostics.messages.size() == 1 &&
            bench.screen.diagnostics.messages.front() == text,
        "the diagnostics window shows the text sent");
  return 0;
}
