#include "platform/adapter_frames.h"

#include <cstring>

namespace tarvos::platform {
namespace {

constexpr std::size_t kTransferBytes = sizeof(I2cTransfer);
constexpr std::size_t kLengthBytes = 4;

void PutUnsigned(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void PutTransfer(std::string& out, const I2cTransfer& transfer) {
  char bytes[kTransferBytes];
  std::memcpy(bytes, &transfer, kTransferBytes);
  out.append(bytes, kTransferBytes);
}

// Reads the fields of a body in order; any read past its end marks it bad.
class BodyReader {
 public:
  explicit BodyReader(std::string_view body) : body_(body) {}
  uint32_t Unsigned(int bytes) {
    if (body_.size() - at_ < static_cast<std::size_t>(bytes) || at_ > body_.size()) {
      bad_ = true;
      return 0;
    }
    uint32_t value = 0;
    for (int i = bytes; i-- > 0;) value = (value << 8) | static_cast<unsigned char>(body_[at_ + i]);
    at_ += static_cast<std::size_t>(bytes);
    return value;
  }
  int32_t Signed() { return static_cast<int32_t>(Unsigned(4)); }
  std::string_view Bytes(std::size_t count) {
    if (body_.size() - at_ < count) {
      bad_ = true;
      return {};
    }
    const std::string_view taken = body_.substr(at_, count);
    at_ += count;
    return taken;
  }
  I2cTransfer Transfer() {
    I2cTransfer transfer{};
    const std::string_view bytes = Bytes(kTransferBytes);
    if (!bad_) std::memcpy(&transfer, bytes.data(), kTransferBytes);
    // A count past the record's data could send a reader past its end.
    if (transfer.Count > sizeof(transfer.Data)) bad_ = true;
    return transfer;
  }
  // Well formed: every field there and nothing after the last.
  bool Whole() const { return !bad_ && at_ == body_.size(); }

 private:
  std::string_view body_;
  std::size_t at_ = 0;
  bool bad_ = false;
};

std::string Framed(const std::string& body) {
  std::string frame;
  PutUnsigned(frame, static_cast<uint32_t>(body.size()), kLengthBytes);
  return frame + body;
}

bool KnownCall(uint8_t call) { return call <= static_cast<uint8_t>(AdapterCall::ReadI2c); }

}  // namespace

std::string EncodeRequest(const AdapterRequest& request) {
  std::string body(1, static_cast<char>(request.Call));
  switch (request.Call) {
    case AdapterCall::Hello:
      break;
    case AdapterCall::OpenDeviceInstance: {
      const std::string_view name =
          std::string_view(request.DeviceName).substr(0, kMostDeviceNameBytes);
      PutUnsigned(body, request.Instance, 1);
      PutUnsigned(body, static_cast<uint32_t>(name.size()), 2);
      body.append(name);
      break;
    }
    case AdapterCall::CloseDeviceInstance:
    case AdapterCall::GetSerialId:
    case AdapterCall::ReadIoPorts:
      PutUnsigned(body, static_cast<uint32_t>(request.Handle), 4);
      break;
    case AdapterCall::ConfigIoPorts:
      PutUnsigned(body, static_cast<uint32_t>(request.Handle), 4);
      PutUnsigned(body, request.Value, 4);
      break;
    case AdapterCall::WriteIoPorts:
      PutUnsigned(body, static_cast<uint32_t>(request.Handle), 4);
      PutUnsigned(body, request.Value, 4);
      PutUnsigned(body, request.Mask, 4);
      break;
    case AdapterCall::WriteI2c:
    case AdapterCall::ReadI2c:
      PutUnsigned(body, static_cast<uint32_t>(request.Handle), 4);
      PutTransfer(body, request.Transfer);
      break;
  }
  return Framed(body);
}

std::string EncodeRefusal(std::string_view why) {
  std::string body(1, static_cast<char>(kRefusalMark));
  body.append(why.substr(0, kMostFrameBytes - 1));
  return Framed(body);
}

std::optional<std::string> DecodeRefusal(std::string_view body) {
  if (body.empty() || static_cast<uint8_t>(body[0]) != kRefusalMark) return std::nullopt;
  return std::string(body.substr(1));
}

std::string EncodeReply(const AdapterReply& reply) {
  std::string body(1, static_cast<char>(reply.Call));
  if (reply.Call == AdapterCall::Hello) {
    PutUnsigned(body, reply.Version, 2);
    PutUnsigned(body, reply.Bits, 1);
    return Framed(body);
  }
  PutUnsigned(body, static_cast<uint32_t>(reply.Result), 4);
  switch (reply.Call) {
    case AdapterCall::GetSerialId:
      body.append(reply.Serial.data(), reply.Serial.size());
      break;
    case AdapterCall::ReadIoPorts:
      PutUnsigned(body, reply.Value, 4);
      break;
    case AdapterCall::WriteI2c:
    case AdapterCall::ReadI2c:
      PutTransfer(body, reply.Transfer);
      break;
    default:
      break;
  }
  return Framed(body);
}

std::optional<AdapterRequest> DecodeRequest(std::string_view body) {
  if (body.empty() || !KnownCall(static_cast<uint8_t>(body[0]))) return std::nullopt;
  AdapterRequest request;
  request.Call = static_cast<AdapterCall>(body[0]);
  BodyReader reader(body.substr(1));
  switch (request.Call) {
    case AdapterCall::Hello:
      break;
    case AdapterCall::OpenDeviceInstance: {
      request.Instance = static_cast<uint8_t>(reader.Unsigned(1));
      const uint32_t length = reader.Unsigned(2);
      if (length > kMostDeviceNameBytes) return std::nullopt;
      request.DeviceName = std::string(reader.Bytes(length));
      break;
    }
    case AdapterCall::CloseDeviceInstance:
    case AdapterCall::GetSerialId:
    case AdapterCall::ReadIoPorts:
      request.Handle = reader.Signed();
      break;
    case AdapterCall::ConfigIoPorts:
      request.Handle = reader.Signed();
      request.Value = reader.Unsigned(4);
      break;
    case AdapterCall::WriteIoPorts:
      request.Handle = reader.Signed();
      request.Value = reader.Unsigned(4);
      request.Mask = reader.Unsigned(4);
      break;
    case AdapterCall::WriteI2c:
    case AdapterCall::ReadI2c:
      request.Handle = reader.Signed();
      request.Transfer = reader.Transfer();
      break;
  }
  if (!reader.Whole()) return std::nullopt;
  return request;
}

std::optional<AdapterReply> DecodeReply(std::string_view body, AdapterCall expected) {
  if (body.empty() || static_cast<uint8_t>(body[0]) != static_cast<uint8_t>(expected)) {
    return std::nullopt;
  }
  AdapterReply reply;
  reply.Call = expected;
  BodyReader reader(body.substr(1));
  if (expected == AdapterCall::Hello) {
    reply.Version = static_cast<uint16_t>(reader.Unsigned(2));
    reply.Bits = static_cast<uint8_t>(reader.Unsigned(1));
  } else {
    reply.Result = reader.Signed();
    switch (expected) {
      case AdapterCall::GetSerialId: {
        const std::string_view serial = reader.Bytes(reply.Serial.size());
        if (serial.size() == reply.Serial.size()) {
          std::memcpy(reply.Serial.data(), serial.data(), serial.size());
        }
        break;
      }
      case AdapterCall::ReadIoPorts:
        reply.Value = reader.Unsigned(4);
        break;
      case AdapterCall::WriteI2c:
      case AdapterCall::ReadI2c:
        reply.Transfer = reader.Transfer();
        break;
      default:
        break;
    }
  }
  if (!reader.Whole()) return std::nullopt;
  return reply;
}

void FrameReader::Append(std::string_view bytes) {
  if (!broken_) pending_.append(bytes);
}

std::optional<std::string> FrameReader::Next() {
  if (broken_ || pending_.size() < kLengthBytes) return std::nullopt;
  uint32_t length = 0;
  for (std::size_t i = kLengthBytes; i-- > 0;) {
    length = (length << 8) | static_cast<unsigned char>(pending_[i]);
  }
  if (length > kMostFrameBytes) {
    broken_ = true;
    pending_.clear();
    return std::nullopt;
  }
  if (pending_.size() - kLengthBytes < length) return std::nullopt;
  std::string body = pending_.substr(kLengthBytes, length);
  pending_.erase(0, kLengthBytes + length);
  return body;
}

}  // namespace tarvos::platform
