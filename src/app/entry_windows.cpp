// The programs' entry on Windows: the command line read as wide text and handed on as
// UTF-8, the form every path of the program takes.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/program_main.h"

namespace {

std::string Utf8(const wchar_t* wide) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string text(static_cast<std::size_t>(size - 1), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), size, nullptr, nullptr);
  return text;
}

}  // namespace

// The console's code page as the program found it, put back as the program ends: the
// console outlives the program, and its next program expects its own.
static UINT found_code_page = 0;

static void RestoreCodePage() {
  if (found_code_page != 0) ::SetConsoleOutputCP(found_code_page);
}

int wmain(int argc, wchar_t** argv) {
  // DLLs are found in the program's folder and the system's, never in the working folder
  // or along PATH, where a planted one would be loaded.
  ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
  // The console shows what the program writes in UTF-8 as such.
  found_code_page = ::GetConsoleOutputCP();
  std::atexit(RestoreCodePage);
  ::SetConsoleOutputCP(CP_UTF8);
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) args.push_back(Utf8(argv[i]));
  std::vector<char*> pointers;
  for (std::string& arg : args) pointers.push_back(arg.data());
  pointers.push_back(nullptr);
  const int status = tarvos::app::ProgramMain(argc, pointers.data());
  RestoreCodePage();
  return status;
}
