// Runs a fuzz target once on every file of the folders (or the files) given on
// the command line, without libFuzzer: the corpus replay of the test command.
#include <stdio.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_support.h"

namespace {

std::vector<std::filesystem::path> inputsOf(const std::filesystem::path& where)
{
    std::vector<std::filesystem::path> inputs;
    if (std::filesystem::is_directory(where)) {
        for (const auto& entry : std::filesystem::directory_iterator(where))
            if (entry.is_regular_file())
                inputs.push_back(entry.path());
        // A fixed order, so that a failure is reproduced the same way.
        std::sort(inputs.begin(), inputs.end());
    } else if (std::filesystem::is_regular_file(where)) {
        inputs.push_back(where);
    }
    return inputs;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: %s CORPUS_FOLDER_OR_FILE...\n", argv[0]);
        return 2;
    }
    size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        for (const std::filesystem::path& input : inputsOf(argv[i])) {
            std::ifstream file(input, std::ios::binary);
            std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
            if (!file.eof() && file.fail()) {
                fprintf(stderr, "cannot read %s\n", input.c_str());
                return 2;
            }
            // A block of exactly the input's size, as libFuzzer hands it over.
            std::unique_ptr<uint8_t[]> data(new uint8_t[bytes.size() > 0 ? bytes.size() : 1]);
            std::copy(bytes.begin(), bytes.end(), data.get());
            fprintf(stderr, "replaying %s (%zu bytes)\n", input.c_str(), bytes.size());
            LLVMFuzzerTestOneInput(data.get(), bytes.size());
            ++replayed;
        }
    }
    if (replayed == 0) {
        fprintf(stderr, "no inputs found: a corpus folder is missing or empty\n");
        return 1;
    }
    printf("%zu inputs replayed, every property held\n", replayed);
    return 0;
}
