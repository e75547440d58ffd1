#include "platform/starting_console.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace tarvos::platform {
namespace {

// Whether a standard stream was handed over redirected, to a file or a pipe. A console's
// handle is of use only to a program attached to that console.
bool Redirected(DWORD which) {
  const HANDLE handle = ::GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
  const DWORD type = ::GetFileType(handle);
  return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE;
}

// The attached console's code page as it was, put back as the program ends.
UINT found_code_page = 0;

void RestoreCodePage() {
  if (found_code_page != 0) ::SetConsoleOutputCP(found_code_page);
}

}  // namespace

void UseStartingConsole() {
  const bool output = Redirected(STD_OUTPUT_HANDLE);
  const bool error = Redirected(STD_ERROR_HANDLE);
  if (output && error) return;
  // Started from Explorer or a shortcut there is no console to attach to: the window's
  // boxes say what matters. Access denied: attached to one already.
  if (!::AttachConsole(ATTACH_PARENT_PROCESS) && ::GetLastError() != ERROR_ACCESS_DENIED) return;
  if (!output && std::freopen("CONOUT$", "w", stdout) != nullptr) std::cout.clear();
  if (!error && std::freopen("CONOUT$", "w", stderr) != nullptr) std::cerr.clear();
  // As the console programs do: the program's UTF-8 shown as such, and the prompt's
  // own code page back at the end.
  found_code_page = ::GetConsoleOutputCP();
  if (found_code_page != 0) std::atexit(RestoreCodePage);
  ::SetConsoleOutputCP(CP_UTF8);
  // The prompt does not wait for a program with a window: it has been written again
  // already, and the program's first line goes below it.
  std::FILE* first = output ? stderr : stdout;
  std::fputs("\n", first);
  std::fflush(first);
}

}  // namespace tarvos::platform
