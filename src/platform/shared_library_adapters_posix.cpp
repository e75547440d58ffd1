#include <dlfcn.h>

#include "platform/operator_texts.h"
#include "platform/shared_library_adapters.h"

namespace tarvos::platform {

std::string AdapterLibraryPath(const std::string& given) { return given; }

void SharedLibraryAdapters::LibraryCloser::operator()(void* library) const {
  // A library that fails to unload has nothing more to say to us.
  dlclose(library);
}

void SharedLibraryAdapters::Open() {
  // Binding every symbol now makes a library with unmet dependencies fail here, with
  // the loader's text, rather than abort the program at its first call.
  dlerror();
  void* library = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* reason = dlerror();
    throw AdapterLibraryError(FillText(kAdapterLibraryNotLoadedText,
                                       {path_, reason != nullptr ? reason : "unknown error"}));
  }
  library_.reset(library);
}

void* SharedLibraryAdapters::Find(const std::string& name) const {
  return dlsym(library_.get(), name.c_str());
}

}  // namespace tarvos::platform
