#include "platform/shared_library_adapters.h"

#include <dlfcn.h>

#include <utility>
#include <vector>

namespace tarvos::platform {

namespace {

// A function looked up by name; the name goes into the error when it is missing.
template <typename Function>
void Find(void* library, const char* name, Function& target, std::vector<std::string>& missing) {
  void* symbol = dlsym(library, name);
  if (symbol == nullptr) {
    missing.emplace_back(name);
    return;
  }
  target = reinterpret_cast<Function>(symbol);
}

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const auto& name : names) {
    if (!text.empty()) text += ", ";
    text += name;
  }
  return text;
}

}  // namespace

void SharedLibraryAdapters::LibraryCloser::operator()(void* library) const {
  // A library that fails to unload has nothing more to say to us.
  dlclose(library);
}

std::unique_ptr<SharedLibraryAdapters> SharedLibraryAdapters::Load(const std::string& path) {
  return std::make_unique<SharedLibraryAdapters>(LoadKey{}, path);
}

SharedLibraryAdapters::SharedLibraryAdapters(LoadKey /*key*/, std::string path)
    : path_(std::move(path)) {
  Open();
  Resolve();
}

SharedLibraryAdapters::~SharedLibraryAdapters() = default;

void SharedLibraryAdapters::Open() {
  // dlopen would hand back the program itself for an empty name.
  if (path_.empty())
    throw AdapterLibraryError("Cannot load adapter library: the file name is empty");
  // Binding every symbol now makes a library with unmet dependencies fail here, with
  // the loader's text, rather than abort the program at its first call.
  dlerror();
  void* library = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* reason = dlerror();
    throw AdapterLibraryError("Cannot load adapter library " + path_ + ": " +
                              (reason != nullptr ? reason : "unknown error"));
  }
  library_.reset(library);
}

void SharedLibraryAdapters::Resolve() {
  std::vector<std::string> missing;
  void* library = library_.get();
  Find(library, "DAPI_OpenDeviceInstance", functions_.OpenDeviceInstance, missing);
  Find(library, "DAPI_CloseDeviceInstance", functions_.CloseDeviceInstance, missing);
  Find(library, "DAPI_GetSerialId", functions_.GetSerialId, missing);
  Find(library, "DAPI_ConfigIoPorts", functions_.ConfigIoPorts, missing);
  Find(library, "DAPI_ReadIoPorts", functions_.ReadIoPorts, missing);
  Find(library, "DAPI_WriteIoPorts", functions_.WriteIoPorts, missing);
  Find(library, "DAPI_WriteI2c", functions_.WriteI2c, missing);
  Find(library, "DAPI_ReadI2c", functions_.ReadI2c, missing);
  if (!missing.empty()) {
    throw AdapterLibraryError("Adapter library " + path_ + " does not export " + Joined(missing));
  }
}

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
