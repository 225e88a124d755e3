// Treats untrusted bytes as a recovery index and the broken movie beside
// it, and rebuilds a movie from them.  A recovery may refuse or throw, but a
// movie it reports as written must open in our movie reader, and its samples
// must read back.
//
// Input: the index's length (4 bytes, little-endian), the index, then the
// data file (the movie the recording left).
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "MovieToolbox/MovieFileReader.h"
#include "QuickTime/QTRecovery.h"

namespace {

constexpr size_t kMaxInput = 256 * 1024;

struct Paths {
    std::string folder, index, data, movie;
};

const Paths& TempPaths() {
    static const Paths paths = [] {
        char folder[] = "/tmp/recovery_reader_fuzzer.XXXXXX";
        if (mkdtemp(folder) == nullptr) {
            std::abort();
        }
        const std::string base(folder);
        return Paths{base, base + "/index.rcv", base + "/data.mov", base + "/out.mov"};
    }();
    return paths;
}

void RemoveFiles() {
    const Paths& paths = TempPaths();
    unlink(paths.index.c_str());
    unlink(paths.data.c_str());
    unlink(paths.movie.c_str());
    rmdir(paths.folder.c_str());
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || (size > 0 && std::fwrite(data, 1, size, file) != size) ||
        std::fclose(file) != 0) {
        std::abort();
    }
}

// Every sample of every track of the rebuilt movie reads back.
void CheckMovie() {
    qtfile::MovieFileReader reader;
    if (!reader.open(TempPaths().movie).ok()) {
        std::abort();
    }
    std::vector<uint8_t> bytes;
    for (size_t t = 0; t < reader.trackCount(); ++t) {
        const uint32_t count = reader.samples(t).sampleCount();
        for (uint32_t i = 0; i < count && i < 1024; ++i) {
            if (!reader.readSample(t, i, bytes).ok()) {
                std::abort();
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const int cleanup = std::atexit(RemoveFiles);
    (void)cleanup;
    if (size < 4 || size > kMaxInput) {
        return 0;
    }
    const uint32_t indexSize = uint32_t(data[0]) | uint32_t(data[1]) << 8 |
                               uint32_t(data[2]) << 16 | uint32_t(data[3]) << 24;
    if (indexSize > size - 4) {
        return 0;
    }
    const Paths& paths = TempPaths();
    WriteFile(paths.index, data + 4, indexSize);
    WriteFile(paths.data, data + 4 + indexSize, size - 4 - indexSize);
    unlink(paths.movie.c_str());

    QTRecovery* recovery = nullptr;
    bool written = false;
    try {
        recovery = new QTRecovery(paths.index, paths.data, paths.movie);
        recovery->retain();
        written = recovery->recoverQTMovie();
    } catch (const std::exception&) {
        // Damage is reported by throwing (the movie of the records before
        // it may still be written; it is not checked here).
    }
    if (recovery != nullptr) {
        recovery->release();
    }
    if (written) {
        CheckMovie();
    }
    return 0;
}
