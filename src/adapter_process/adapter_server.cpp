#include "adapter_process/adapter_server.h"

namespace tarvos::adapter_process {

using platform::AdapterCall;
using platform::AdapterReply;

std::string Hello() {
  AdapterReply hello;
  hello.Call = AdapterCall::Hello;
  hello.Version = platform::kAdapterProtocolVersion;
  hello.Bits = static_cast<uint8_t>(sizeof(void*) * 8);
  return platform::EncodeReply(hello);
}

std::optional<std::string> Serve(platform::AdapterLibrary& library, std::string_view body) {
  const auto request = platform::DecodeRequest(body);
  if (!request || request->Call == AdapterCall::Hello) return std::nullopt;
  AdapterReply reply;
  reply.Call = request->Call;
  switch (request->Call) {
    case AdapterCall::OpenDeviceInstance:
      reply.Result = library.OpenDeviceInstance(request->DeviceName, request->Instance);
      break;
    case AdapterCall::CloseDeviceInstance:
      reply.Result = library.CloseDeviceInstance(request->Handle);
      break;
    case AdapterCall::GetSerialId:
      reply.Result = library.GetSerialId(request->Handle, reply.Serial) ? 1 : 0;
      break;
    case AdapterCall::ConfigIoPorts:
      reply.Result = library.ConfigIoPorts(request->Handle, request->Value) ? 1 : 0;
      break;
    case AdapterCall::ReadIoPorts:
      reply.Result = library.ReadIoPorts(request->Handle, reply.Value) ? 1 : 0;
      break;
    case AdapterCall::WriteIoPorts:
      reply.Result =
          library.WriteIoPorts(request->Handle, request->Value, request->Mask) ? 1 : 0;
      break;
    case AdapterCall::WriteI2c:
      reply.Transfer = request->Transfer;
      reply.Result = library.WriteI2c(request->Handle, reply.Transfer);
      break;
    case AdapterCall::ReadI2c:
      reply.Transfer = request->Transfer;
      reply.Result = library.ReadI2c(request->Handle, reply.Transfer);
      // A library that claims more than the record holds is trimmed to the record.
      if (reply.Transfer.Count > sizeof(reply.Transfer.Data)) {
        reply.Transfer.Count = sizeof(reply.Transfer.Data);
      }
      break;
    case AdapterCall::Hello:
      break;
  }
  return platform::EncodeReply(reply);
}

}  // namespace tarvos::adapter_process
