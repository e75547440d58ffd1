// Runs a fuzz target's entry point over files, without libFuzzer: the kept corpora and
// the sample files then run with every test build (plain and sanitised). Arguments are
// files or folders; a folder gives each regular file in it, in name order. A broken
// invariant or a sanitizer report ends the process, after the file's name was printed.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<std::filesystem::path> InputsOf(const std::filesystem::path& path) {
  std::vector<std::filesystem::path> inputs;
  if (std::filesystem::is_directory(path)) {
    for (const auto& entry : std::filesystem::directory_iterator(path)) {
      if (entry.is_regular_file()) inputs.push_back(entry.path());
    }
    std::sort(inputs.begin(), inputs.end());
  } else if (std::filesystem::is_regular_file(path)) {
    inputs.push_back(path);
  }
  return inputs;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    for (const auto& input : InputsOf(argv[i])) {
      std::ifstream in(input, std::ios::binary);
      const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                    std::istreambuf_iterator<char>()};
      if (!in.good() && !in.eof()) {
        std::fprintf(stderr, "replay: cannot read %s\n", input.c_str());
        return 1;
      }
      std::printf("replay: %s\n", input.c_str());
      std::fflush(stdout);
      LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
      ++replayed;
    }
  }
  if (replayed == 0) {
    std::fprintf(stderr, "replay: no inputs\n");
    return 1;
  }
  std::printf("replay: %zu inputs\n", replayed);
  return 0;
}
