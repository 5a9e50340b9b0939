// Runs a libFuzzer target without libFuzzer: calls LLVMFuzzerInitialize once
// and LLVMFuzzerTestOneInput for every file named on the command line and
// every regular file in the directories named there (not recursive, sorted).
// Used by CTest (fuzz_replay_rtf over fuzz/corpus/rtf) in the ordinary and
// the sanitizer builds, and by hand to replay a crash:
//     fuzz_replay_rtf fuzz/corpus/rtf/some-file.rtf
// Exits 0 when every input ran, 1 when a file could not be read, 2 on bad
// usage; a failing input aborts (or is reported by a sanitizer).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

namespace {

bool runFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "fuzz_replay: cannot open %s\n", path.c_str());
        return false;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::fprintf(stderr, "fuzz_replay: %s (%zu bytes)\n", path.c_str(), bytes.size());
    // An exact-size heap copy, as libFuzzer passes it, so that a sanitizer
    // catches a read one past the end.
    std::vector<uint8_t> exact(bytes.begin(), bytes.end());
    exact.shrink_to_fit();
    LLVMFuzzerTestOneInput(exact.empty() ? nullptr : exact.data(), exact.size());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE-OR-DIRECTORY...\n", argv[0]);
        return 2;
    }
    LLVMFuzzerInitialize(&argc, &argv);

    std::vector<fs::path> files;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        const fs::path arg(argv[i]);
        std::error_code ec;
        if (fs::is_directory(arg, ec)) {
            std::vector<fs::path> inDir;
            for (const auto& entry : fs::directory_iterator(arg, ec))
                if (entry.is_regular_file())
                    inDir.push_back(entry.path());
            if (ec) {
                std::fprintf(stderr, "fuzz_replay: cannot list %s: %s\n", arg.c_str(), ec.message().c_str());
                ok = false;
            }
            std::sort(inDir.begin(), inDir.end());
            files.insert(files.end(), inDir.begin(), inDir.end());
        } else {
            files.push_back(arg);
        }
    }

    std::size_t ran = 0;
    for (const auto& file : files)
        if (runFile(file))
            ++ran;
        else
            ok = false;

    std::printf("fuzz_replay: %zu of %zu inputs ran without a crash\n", ran, files.size());
    if (files.empty()) {
        std::fprintf(stderr, "fuzz_replay: no input files\n");
        return 1;
    }
    return ok ? 0 : 1;
}
