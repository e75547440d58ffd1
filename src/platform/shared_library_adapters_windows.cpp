#include <windows.h>

#include "platform/shared_library_adapters.h"
#include "platform/operator_texts.h"
#include "platform/system_paths.h"
#include "platform/text_file.h"
#include "platform/utf16_windows.h"

namespace tarvos::platform {
namespace {

// This program's own bitness, to name the mismatch of a library of the other one.
constexpr int kProgramBits = sizeof(void*) * 8;

}  // namespace

std::string AdapterLibraryPath(const std::string& given) {
  if (given.empty()) return given;
  if (given.find_first_of("\\/:") == std::string::npos) return ExecutableFolder() + given;
  return AbsolutePath(given);
}

void SharedLibraryAdapters::LibraryCloser::operator()(void* library) const {
  ::FreeLibrary(static_cast<HMODULE>(library));
}

void SharedLibraryAdapters::Open() {
  // No error box of the system's own for a library that does not load: the program
  // says why itself.
  const UINT previous_mode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  // By its full path (never found by a search of the working folder or PATH), and the
  // DLLs it needs found beside it first, then in the system's folders.
  HMODULE library = ::LoadLibraryExW(
      Widen(AdapterLibraryPath(path_)).c_str(), nullptr,
      LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
  const DWORD error = library == nullptr ? ::GetLastError() : 0;
  ::SetErrorMode(previous_mode);
  if (library == nullptr) {
    if (error == ERROR_BAD_EXE_FORMAT) {
      std::optional<int> bits;
      try {
        bits = PeImageBits(ReadFileBytes(path_).substr(0, 4096));
      } catch (const FileError&) {
      }
      if (bits && *bits != kProgramBits) {
        throw AdapterLibraryError(FillText(
            kAdapterLibraryNotLoadedText,
            {path_, path_ + " is a " + std::to_string(*bits) + "-bit library; this program is " +
                        std::to_string(kProgramBits) + "-bit"}));
      }
    }
    throw AdapterLibraryError(
        FillText(kAdapterLibraryNotLoadedText, {path_, SystemMessage(error)}));
  }
  library_.reset(library);
}

void* SharedLibraryAdapters::Find(const std::string& name) const {
  return reinterpret_cast<void*>(
      ::GetProcAddress(static_cast<HMODULE>(library_.get()), name.c_str()));
}

}  // namespace tarvos::platform
