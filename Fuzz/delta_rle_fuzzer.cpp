// Decodes arbitrary bytes as Delta RLE streams (32-bit, every mask, and the
// 8-bit plane code), and round trips the input as an image: the coder's
// output must fit its stated bound and decode back to the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "Capture/DeltaRLE.h"

namespace {

const uint32_t kMasks[3] = {0xFFFFFFFFu, 0xFFFFFF00u, 0x00FFFFFFu};

void Decode(const uint8_t* data, size_t size) {
    const int width = 1 + data[0] % 64;
    const int height = 1 + data[1] % 64;
    const int x = data[2] % width;
    const int y = data[3] % height;
    const int w = data[4] % (width - x + 1);
    const int h = data[5] % (height - y + 1);
    const uint32_t mask = kMasks[data[6] % 3];
    std::vector<uint32_t> image(size_t(width) * height);
    const uint8_t* stream = data + 7;
    const int length = static_cast<int>(size - 7);
    (void)DeltaRLE::decompress32(image.data(), stream, length, width, height, x, y, w, h, mask);
    std::vector<uint8_t> plane(size_t(w) * h);
    (void)DeltaRLE::decodeFragment8(stream, length, plane.data(), int(plane.size()));
}

// Splits the input into two images (previous, current) and codes them.
void RoundTrip(const uint8_t* data, size_t size) {
    const int width = 1 + data[0] % 40;
    const size_t pixels = (size - 7) / 8;
    const int height = static_cast<int>(pixels / width);
    if (height == 0) {
        return;
    }
    const uint32_t mask = kMasks[data[6] % 3];
    const size_t count = size_t(width) * height;
    std::vector<uint32_t> prev(count), cur(count);
    std::memcpy(prev.data(), data + 7, count * 4);
    std::memcpy(cur.data(), data + 7 + count * 4, count * 4);
    for (size_t i = 0; i < count; ++i) {
        // Sparse changes, as on a screen; the bits outside the mask are set
        // because decoding sets them.
        if (data[7 + i % (size - 7)] % 4 != 0) {
            cur[i] = prev[i];
        }
        prev[i] |= ~mask;
        cur[i] |= ~mask;
    }
    const bool key = data[1] % 2 == 0;
    std::vector<uint8_t> coded(DeltaRLE::maxCompressedSize32(width, height));
    const int n = DeltaRLE::compress32(key ? nullptr : prev.data(), cur.data(), width, height, 0, 0,
                                       width, height, coded.data(), mask);
    if (n < 0 || size_t(n) > coded.size()) {
        std::abort();
    }
    std::vector<uint32_t> out = prev;
    if (!DeltaRLE::decompress32(out.data(), coded.data(), n, width, height, 0, 0, width, height,
                                mask) ||
        out != cur) {
        std::abort();
    }
    std::vector<uint8_t> bytes(reinterpret_cast<const uint8_t*>(cur.data()),
                               reinterpret_cast<const uint8_t*>(cur.data()) + count * 4);
    std::vector<uint8_t> plane(DeltaRLE::maxCompressedSize8(int(bytes.size())));
    int consumed = 0;
    int written = 0;
    DeltaRLE::encodeFragment8(bytes.data(), int(bytes.size()), plane.data(), &consumed, &written);
    std::vector<uint8_t> back(bytes.size());
    if (size_t(written) > plane.size() ||
        DeltaRLE::decodeFragment8(plane.data(), written, back.data(), int(back.size())) !=
            int(bytes.size()) ||
        back != bytes) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 8 || size > 65536) {
        return 0;
    }
    Decode(data, size);
    RoundTrip(data, size);
    return 0;
}
