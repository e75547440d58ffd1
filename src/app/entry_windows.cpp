// The programs' entry on Windows: the command line read as wide text and handed on as
// UTF-8, the form every path of the program takes.
#include <windows.h>

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

int wmain(int argc, wchar_t** argv) {
  // The console shows what the program writes in UTF-8 as such.
  ::SetConsoleOutputCP(CP_UTF8);
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) args.push_back(Utf8(argv[i]));
  std::vector<char*> pointers;
  for (std::string& arg : args) pointers.push_back(arg.data());
  pointers.push_back(nullptr);
  return tarvos::app::ProgramMain(argc, pointers.data());
}
