// Runs a fuzz target's inputs once each, without libFuzzer: the reproducers and corpora in the
// native and sanitizer builds, whose compilers link no fuzzer. Each argument is an input file or a
// folder of them, read in name order. The name of each input goes to stderr before it runs, so
// that a failed check or a sanitizer report follows the name of the input that caused it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const fs::path given = argv[i];
    if (!fs::is_directory(given)) {
      inputs.push_back(given);
      continue;
    }
    std::vector<fs::path> inFolder;
    for (const fs::directory_entry& entry : fs::directory_iterator(given))
      if (entry.is_regular_file()) inFolder.push_back(entry.path());
    std::sort(inFolder.begin(), inFolder.end());
    inputs.insert(inputs.end(), inFolder.begin(), inFolder.end());
  }
  for (const fs::path& input : inputs) {
    std::ifstream in(input, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "replay: cannot read %s\n", input.c_str());
      return 2;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // A copy of exactly the input's size, as the fuzzer gives it: a read past the end is a
    // sanitizer report, not a read of the spare room a growing vector keeps.
    const std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), exact.get());
    std::fprintf(stderr, "replay: %s\n", input.c_str());
    LLVMFuzzerTestOneInput(exact.get(), bytes.size());
  }
  std::printf("replay: %zu inputs, no findings\n", inputs.size());
  return 0;
}
