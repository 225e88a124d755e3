// Feeds arbitrary bytes to MVRCReader as a capture file held in memory, read
// twice: as is, and with salvage on.  Both reads must agree: the same frames,
// and where the plain read fails because the input ends early, the salvage
// read ends there without an error and says where the input ends.  Frames
// are capped at 1024 x 1024 here so that one input cannot make the reader
// allocate more than a few megabytes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Capture/MVRCReader.h"

namespace {

constexpr uint32_t kMaxFuzzDimension = 1024;
constexpr uint64_t kMaxFrames = 64;

struct Outcome {
    uint64_t frames = 0;
    bool threw = false;
    std::string error;
    std::optional<MVRCTruncation> truncation;
};

Outcome Read(std::vector<uint8_t>& bytes, bool salvage) {
    Outcome outcome;
    FILE* stream = fmemopen(bytes.data(), bytes.size(), "r");
    if (stream == nullptr) {
        std::abort();
    }
    MVRCReader reader;
    reader.setSalvage(salvage);
    try {
        reader.openStream(stream);
        _MVRCHeader header;
        reader.readHeader(&header);
        tagMVDImageFormat format = header.format();
        MVDImage out(&format);
        _MVRCFrameHeader frame;
        while (outcome.frames < kMaxFrames && reader.readFrame(&frame, &out)) {
            (void)MVRCReader::sampleDuration(frame, 600);
            ++outcome.frames;
        }
    } catch (const MVRCReaderException& e) {
        outcome.threw = true;
        outcome.error = e.what();
    } catch (int) {
        outcome.threw = true;
        outcome.error = "zlib";
    }
    outcome.truncation = reader.truncation();
    return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kMVRCHeaderSize) {
        return 0;
    }
    if (MVRCLoad32(data + 6) > kMaxFuzzDimension || MVRCLoad32(data + 10) > kMaxFuzzDimension) {
        return 0;
    }
    std::vector<uint8_t> copy(data, data + size);
    const Outcome plain = Read(copy, false);
    const Outcome salvaged = Read(copy, true);
    const bool cut = plain.threw && plain.error.find("ends at byte " + std::to_string(size) +
                                                     "\n") != std::string::npos;
    if (plain.truncation || salvaged.frames != plain.frames) {
        std::abort();
    }
    if (cut && plain.frames < kMaxFrames) {
        if (salvaged.threw || !salvaged.truncation || salvaged.truncation->fileSize != size ||
            salvaged.truncation->frames != plain.frames) {
            std::abort();
        }
    } else if (salvaged.threw != plain.threw || salvaged.truncation) {
        std::abort();
    }
    return 0;
}
