#include "platform/shared_library_adapters.h"

#include <cstring>
#include <utility>

#include "platform/operator_texts.h"

namespace tarvos::platform {

namespace {

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const auto& name : names) {
    if (!text.empty()) text += ", ";
    text += name;
  }
  return text;
}

// A call looked up under its names; the plain name goes into the error when it is missing.
template <typename Function>
void Find(const ExportLookup& lookup, const char* name, int argument_bytes, Function& target,
          std::vector<std::string>& missing) {
  for (const std::string& candidate : ExportNames(name, argument_bytes)) {
    if (void* symbol = lookup(candidate)) {
      target = reinterpret_cast<Function>(symbol);
      return;
    }
  }
  missing.emplace_back(name);
}

uint32_t LittleEndian(std::string_view bytes, std::size_t at, std::size_t count) {
  uint32_t value = 0;
  for (std::size_t i = count; i-- > 0;) {
    value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  }
  return value;
}

}  // namespace

std::vector<std::string> ExportNames(std::string_view name, int argument_bytes) {
  // Plain, as a __stdcall export decorated by Microsoft's tools, and as MinGW's linker
  // exports it (without the leading underscore).
  const std::string decorated = std::string(name) + "@" + std::to_string(argument_bytes);
  return {std::string(name), "_" + decorated, decorated};
}

AdapterFunctions ResolveAdapterFunctions(const ExportLookup& lookup, const std::string& path) {
  AdapterFunctions functions;
  std::vector<std::string> missing;
  // The argument bytes of each call on a 32-bit stack: four for every argument.
  Find(lookup, "DAPI_OpenDeviceInstance", 8, functions.OpenDeviceInstance, missing);
  Find(lookup, "DAPI_CloseDeviceInstance", 4, functions.CloseDeviceInstance, missing);
  Find(lookup, "DAPI_GetSerialId", 8, functions.GetSerialId, missing);
  Find(lookup, "DAPI_ConfigIoPorts", 8, functions.ConfigIoPorts, missing);
  Find(lookup, "DAPI_ReadIoPorts", 8, functions.ReadIoPorts, missing);
  Find(lookup, "DAPI_WriteIoPorts", 12, functions.WriteIoPorts, missing);
  Find(lookup, "DAPI_WriteI2c", 8, functions.WriteI2c, missing);
  Find(lookup, "DAPI_ReadI2c", 8, functions.ReadI2c, missing);
  if (!missing.empty()) {
    throw AdapterLibraryError(FillText(kAdapterLibraryExportsText, {path, Joined(missing)}));
  }
  return functions;
}

std::optional<int> PeImageBits(std::string_view bytes) {
  constexpr std::size_t kHeaderOffsetAt = 0x3C;
  if (bytes.size() < kHeaderOffsetAt + 4 || bytes.substr(0, 2) != "MZ") return std::nullopt;
  const std::size_t header = LittleEndian(bytes, kHeaderOffsetAt, 4);
  if (header > bytes.size() || bytes.size() - header < 6) return std::nullopt;
  if (bytes.substr(header, 4) != std::string_view("PE\0\0", 4)) return std::nullopt;
  switch (LittleEndian(bytes, header + 4, 2)) {
    case 0x014C:  // i386
      return 32;
    case 0x8664:  // x86-64
    case 0xAA64:  // ARM64
      return 64;
    default:
      return std::nullopt;
  }
}

std::unique_ptr<SharedLibraryAdapters> SharedLibraryAdapters::Load(const std::string& path) {
  return std::make_unique<SharedLibraryAdapters>(LoadKey{}, path);
}

SharedLibraryAdapters::SharedLibraryAdapters(LoadKey /*key*/, std::string path)
    : path_(std::move(path)) {
  // A loader's own search would find the program itself for an empty name.
  if (path_.empty()) {
    throw AdapterLibraryError(
        FillText(kAdapterLibraryNotLoadedText, {"\"\"", "the file name is empty"}));
  }
  Open();
  functions_ =
      ResolveAdapterFunctions([this](const std::string& name) { return Find(name); }, path_);
}

SharedLibraryAdapters::~SharedLibraryAdapters() = default;

int32_t SharedLibraryAdapters::OpenDeviceInstance(std::string_view device_name, uint8_t instance) {
  const std::string name(device_name);  // the library wants a terminated string
  return functions_.OpenDeviceInstance(name.c_str(), instance);
}

int32_t SharedLibraryAdapters::CloseDeviceInstance(int32_t handle) {
  return functions_.CloseDeviceInstance(handle);
}

bool SharedLibraryAdapters::GetSerialId(int32_t handle, SerialBuffer& buffer) {
  // A library may leave the rest of the buffer unwritten and the serial number
  // unterminated; only a zeroed buffer makes what it wrote readable.
  buffer.fill('\0');
  return functions_.GetSerialId(handle, buffer.data()) != 0;
}

bool SharedLibraryAdapters::ConfigIoPorts(int32_t handle, uint32_t config) {
  return functions_.ConfigIoPorts(handle, config) != 0;
}

bool SharedLibraryAdapters::ReadIoPorts(int32_t handle, uint32_t& value) {
  return functions_.ReadIoPorts(handle, &value) != 0;
}

bool SharedLibraryAdapters::WriteIoPorts(int32_t handle, uint32_t value, uint32_t mask) {
  return functions_.WriteIoPorts(handle, value, mask) != 0;
}

int32_t SharedLibraryAdapters::WriteI2c(int32_t handle, I2cTransfer& transfer) {
  return functions_.WriteI2c(handle, &transfer);
}

int32_t SharedLibraryAdapters::ReadI2c(int32_t handle, I2cTransfer& transfer) {
  return functions_.ReadI2c(handle, &transfer);
}

}  // namespace tarvos::platform
