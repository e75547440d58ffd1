#pragma once

#include <optional>
#include <string>

#include "platform/adapter_frames.h"
#include "platform/adapter_library.h"

namespace tarvos::adapter_process {

// One request carried out on the library, and its reply (nullopt for a request that is
// not well formed: the helper then ends, as nothing after it can be trusted).
std::optional<std::string> Serve(platform::AdapterLibrary& library, std::string_view body);

// The helper's hello: the protocol version and its own bitness.
std::string Hello();

}  // namespace tarvos::adapter_process
