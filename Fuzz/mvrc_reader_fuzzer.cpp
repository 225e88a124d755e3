// Feeds arbitrary bytes to MVRCReader as a capture file held in memory.
// Frames are capped at 1024 x 1024 here so that one input cannot make the
// reader allocate more than a few megabytes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "Capture/MVRCReader.h"

namespace {
constexpr uint32_t kMaxFuzzDimension = 1024;
constexpr int kMaxFrames = 64;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kMVRCHeaderSize) {
        return 0;
    }
    if (MVRCLoad32(data + 6) > kMaxFuzzDimension || MVRCLoad32(data + 10) > kMaxFuzzDimension) {
        return 0;
    }
    std::vector<uint8_t> copy(data, data + size);
    FILE* stream = fmemopen(copy.data(), copy.size(), "r");
    if (stream == nullptr) {
        return 0;
    }
    try {
        MVRCReader reader;
        reader.openStream(stream);
        _MVRCHeader header;
        reader.readHeader(&header);
        tagMVDImageFormat format = header.format();
        MVDImage out(&format);
        _MVRCFrameHeader frame;
        for (int i = 0; i < kMaxFrames && reader.readFrame(&frame, &out); ++i) {
            (void)MVRCReader::sampleDuration(frame, 600);
        }
    } catch (const MVRCReaderException&) {
    } catch (int) {
    }
    return 0;
}
