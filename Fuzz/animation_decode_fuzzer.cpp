// Feeds untrusted Animation ('rle ') samples to the decoder.
//
// Input: width - 1 (1 byte), (height - 1) mod 64 (1 byte), pixel order of
// the picture (bit 0 of 1 byte: BGRA when set), then the sample.  The
// picture sits inside a block with guard bytes around and between its rows.
// Besides surviving, the decoder must give noErr or codecBadDataErr and leave
// the guards alone; whatever it drew must survive a key frame and a
// difference frame of our encoder unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "Base/MacErrors.h"
#include "ImageCompression/AnimationCodec.h"

namespace {

constexpr uint8_t kGuard = 0xA5;
constexpr long kRowPad = 8;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// The picture drawn from `image` by one sample, onto `start`.
std::vector<uint8_t> Redraw(const AnimationConstImage& image, const std::vector<uint8_t>& start,
                            const std::vector<uint8_t>& sample) {
    std::vector<uint8_t> out = start;
    const AnimationImage target{out.data(), 4L * image.width, image.width, image.height,
                                image.order};
    Check(AnimationDecodeFrame(sample.data(), sample.size(), target) == noErr);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) {
        return 0;
    }
    const int width = 1 + data[0];
    const int height = 1 + data[1] % 64;
    const auto order = (data[2] & 1) ? AnimationPixelOrder::kBGRA : AnimationPixelOrder::kARGB;
    const long rowBytes = 4L * width + kRowPad;

    std::vector<uint8_t> block(static_cast<size_t>(rowBytes) * (height + 2), kGuard);
    uint8_t* first = block.data() + rowBytes + kRowPad / 2;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < 4 * width; ++x) {
            first[y * rowBytes + x] = static_cast<uint8_t>(x * 7 + y * 13);
        }
    }
    std::vector<uint8_t> before(static_cast<size_t>(4) * width * height);
    for (int y = 0; y < height; ++y) {
        std::memcpy(&before[static_cast<size_t>(y) * 4 * width], first + y * rowBytes, 4 * width);
    }

    const AnimationImage picture{first, rowBytes, width, height, order};
    const OSErr err = AnimationDecodeFrame(data + 3, size - 3, picture);
    Check(err == noErr || err == codecBadDataErr);
    for (size_t i = 0; i < block.size(); ++i) {
        const long row = static_cast<long>(i) / rowBytes - 1;
        const long column = static_cast<long>(i) % rowBytes - kRowPad / 2;
        const bool inside = row >= 0 && row < height && column >= 0 && column < 4L * width;
        Check(inside || block[i] == kGuard);
    }

    std::vector<uint8_t> after(before.size());
    for (int y = 0; y < height; ++y) {
        std::memcpy(&after[static_cast<size_t>(y) * 4 * width], first + y * rowBytes, 4 * width);
    }
    const AnimationConstImage drawn{after.data(), 4L * width, width, height, order};
    const AnimationConstImage previous{before.data(), 4L * width, width, height, order};
    std::vector<uint8_t> sample(AnimationMaxSampleSize(width, height));
    sample.resize(AnimationEncodeKeyFrame(drawn, sample.data()));
    Check(Redraw(drawn, std::vector<uint8_t>(before.size()), sample) == after);
    sample.resize(AnimationMaxSampleSize(width, height));
    sample.resize(AnimationEncodeDifferenceFrame(drawn, previous, sample.data()));
    Check(Redraw(drawn, before, sample) == after);
    return 0;
}
