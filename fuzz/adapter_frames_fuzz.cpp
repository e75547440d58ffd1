// Any bytes from the adapter helper's pipe: the reader hands out only bodies within the
// frame limit, a reply is taken only as the call it answers with a record whose count
// stays inside its data, and what is taken writes back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "link_fuzz_rig.h"
#include "platform/adapter_frames.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvos::platform;
  using tarvos::fuzz::Check;
  if (size == 0) return 0;
  // The first byte cuts the rest into pieces of that size, as reads from a pipe come.
  const std::size_t piece = static_cast<std::size_t>(data[0] % 17) + 1;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  FrameReader reader;
  for (std::size_t at = 0; at < bytes.size(); at += piece) {
    reader.Append(bytes.substr(at, piece));
    while (const auto body = reader.Next()) {
      Check(body->size() <= kMostFrameBytes, "a body within the frame limit");
      for (uint8_t call = 0; call <= static_cast<uint8_t>(AdapterCall::ReadI2c); ++call) {
        const auto reply = DecodeReply(*body, static_cast<AdapterCall>(call));
        if (!reply) continue;
        Check(reply->Transfer.Count <= sizeof(reply->Transfer.Data), "a count inside the record");
        const std::string again = EncodeReply(*reply);
        Check(again.substr(4) == *body, "a reply taken writes back to its bytes");
      }
      if (const auto request = DecodeRequest(*body)) {
        Check(request->DeviceName.size() <= kMostDeviceNameBytes, "a name within its limit");
        Check(EncodeRequest(*request).substr(4) == *body, "a request taken writes back to its bytes");
      }
    }
  }
  return 0;
}
