#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>
#include <optional>

#include "platform/adapter_library.h"
#include "tarvos/usbi2cio.h"

namespace tarvos::platform {

// An adapter library that cannot be used: the file does not load, or it lacks one of
// the adapter calls. The text names the file and says what is wrong.
class AdapterLibraryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The eight calls of a loaded library. The declarations of the C header give the types,
// so a change there cannot leave a call with the wrong signature.
struct AdapterFunctions {
  decltype(&::DAPI_OpenDeviceInstance) OpenDeviceInstance = nullptr;
  decltype(&::DAPI_CloseDeviceInstance) CloseDeviceInstance = nullptr;
  decltype(&::DAPI_GetSerialId) GetSerialId = nullptr;
  decltype(&::DAPI_ConfigIoPorts) ConfigIoPorts = nullptr;
  decltype(&::DAPI_ReadIoPorts) ReadIoPorts = nullptr;
  decltype(&::DAPI_WriteIoPorts) WriteIoPorts = nullptr;
  decltype(&::DAPI_WriteI2c) WriteI2c = nullptr;
  decltype(&::DAPI_ReadI2c) ReadI2c = nullptr;
};

// The names a library may export a call under: the plain name, then the name a 32-bit
// Windows compiler gives a __stdcall function with that many bytes of arguments
// ("_DAPI_ReadI2c@8").
std::vector<std::string> ExportNames(std::string_view name, int argument_bytes);

// A library's export by name; nullptr when it has none of that name.
using ExportLookup = std::function<void*(const std::string& name)>;

// Every call looked up under its plain name, then its decorated one. Throws
// AdapterLibraryError naming the library (path) and every call it lacks.
AdapterFunctions ResolveAdapterFunctions(const ExportLookup& lookup, const std::string& path);

// Of a Windows library's first bytes (its PE header): 32 or 64 for the bitness of its
// code, nullopt when they are not a PE image.
std::optional<int> PeImageBits(std::string_view bytes);

// The adapter library named on the command line, as it is loaded and shown: on Windows a
// name without a folder is the file beside the program (never one of the working folder
// or PATH) and any other is made absolute; on Linux the name as given (a name without a
// folder is searched for as the system searches for shared libraries).
std::string AdapterLibraryPath(const std::string& given);

// A vendor's adapter library with the C interface of tarvos/usbi2cio.h, loaded at run
// time. Every call goes straight through to the library; the library stays loaded for
// the life of this object.
class SharedLibraryAdapters final : public AdapterLibrary {
  // Only Load makes one, so that a loader never exists without its eight functions.
  struct LoadKey {
    explicit LoadKey() = default;
  };

 public:
  // The path as AdapterLibraryPath gives it. Throws AdapterLibraryError.
  [[nodiscard]] static std::unique_ptr<SharedLibraryAdapters> Load(const std::string& path);

  SharedLibraryAdapters(LoadKey key, std::string path);
  SharedLibraryAdapters(const SharedLibraryAdapters&) = delete;
  SharedLibraryAdapters& operator=(const SharedLibraryAdapters&) = delete;
  ~SharedLibraryAdapters() override;

  const std::string& Path() const { return path_; }

  int32_t OpenDeviceInstance(std::string_view device_name, uint8_t instance) override;
  int32_t CloseDeviceInstance(int32_t handle) override;
  bool GetSerialId(int32_t handle, SerialBuffer& buffer) override;
  bool ConfigIoPorts(int32_t handle, uint32_t config) override;
  bool ReadIoPorts(int32_t handle, uint32_t& value) override;
  bool WriteIoPorts(int32_t handle, uint32_t value, uint32_t mask) override;
  int32_t WriteI2c(int32_t handle, I2cTransfer& transfer) override;
  int32_t ReadI2c(int32_t handle, I2cTransfer& transfer) override;

 private:
  struct LibraryCloser {
    void operator()(void* library) const;
  };

  void Open();
  void* Find(const std::string& name) const;

  std::string path_;
  std::unique_ptr<void, LibraryCloser> library_;
  AdapterFunctions functions_;
};

}  // namespace tarvos::platform
