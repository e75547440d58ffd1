// tarvos-adapters LIBRARY: loads an adapter library in a process of its own and serves
// its eight calls to the program over its standard input and output, one frame each
// way a call. It ends when the program closes its input.
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "adapter_process/adapter_server.h"
#include "app/program_main.h"
#include "platform/adapter_frames.h"
#include "platform/helper_process.h"
#include "platform/shared_library_adapters.h"

namespace tarvos::app {

int ProgramMain(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: tarvos-adapters LIBRARY\n";
    return 2;
  }
  // Taken before the library can print anything.
  platform::HelperChannel channel;
  std::unique_ptr<platform::SharedLibraryAdapters> library;
  try {
    library = platform::SharedLibraryAdapters::Load(argv[1]);
  } catch (const platform::AdapterLibraryError& error) {
    // The program shows the reason; standard error has it for a person at a console.
    std::cerr << "tarvos-adapters: " << error.what() << '\n';
    channel.Write(platform::EncodeRefusal(error.what()));
    return 3;
  }
  if (!channel.Write(adapter_process::Hello())) return 4;
  platform::FrameReader reader;
  while (const auto bytes = channel.Read()) {
    reader.Append(*bytes);
    while (const auto body = reader.Next()) {
      const auto reply = adapter_process::Serve(*library, *body);
      if (!reply) return 5;
      if (!channel.Write(*reply)) return 4;
    }
    if (reader.Broken()) return 5;
  }
  return 0;
}

}  // namespace tarvos::app
