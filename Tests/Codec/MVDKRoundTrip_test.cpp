// Frames encoded and decoded back, pixel for pixel, at every depth: random
// frames with every encoder option, and the costliest shapes.  Screen
// sequences go through the frame compressor's tests.
#include <gtest/gtest.h>

#include <random>

#include "CodecTestUtil.h"

namespace {

using namespace codectest;
using mvdtest::ScreenImage;

const Layout kLayouts[] = {Layout::Indexed8, Layout::RGB555, Layout::BGR24, Layout::Wide24,
                           Layout::Wide32};

uint16_t MaskFor(uint32_t flags) {
    if (flags & kMVDKDrop2Bits)
        return 0x739C;
    if (flags & kMVDKDrop1Bit)
        return 0x7BDE;
    return 0xFFFF;
}

// Encodes src (against prev when given) and decodes it onto picture.  With a
// limit that the frame exceeds, encodes again literals-only, as the codec
// does.
void EncodeOnto(Picture& picture, const Source* prev, const Source& src, uint32_t flags,
                int32_t maxSize, int swap) {
    int32_t result = 0;
    Bytes stream = Encode(src.info, prev ? prev->data() : nullptr, src.data(), flags, maxSize,
                          src.rowBytes, swap, &result);
    if (result == -1) {
        stream = Encode(src.info, prev ? prev->data() : nullptr, src.data(),
                        flags | kMVDKLiteralsOnly, 0, src.rowBytes, swap, &result);
    }
    ASSERT_GT(result, 0);
    Decode(picture, stream);
}

// Random pictures made of runs from a small palette, with noise, and random
// edits between frames: single pixels, short stretches, whole lines, and
// changes of the low bits only.
class RandomFrames {
  public:
    explicit RandomFrames(uint32_t seed) : m_rng(seed) {}

    int32_t below(int32_t n) { return static_cast<int32_t>(m_rng() % static_cast<uint32_t>(n)); }

    ScreenImage picture(int32_t width, int32_t height) {
        ScreenImage image(width, height);
        std::vector<uint32_t> palette(1 + below(6));
        for (uint32_t& c : palette)
            c = m_rng() | 0xFF000000u;
        const bool noisy = below(4) == 0;
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width;) {
                const uint32_t c = noisy ? m_rng() : palette[below(palette.size())];
                for (int32_t run = 1 + below(below(2) ? 3 : 40); run > 0 && x < width; --run, ++x) {
                    image.setPixel(x, y, c);
                }
            }
        }
        return image;
    }

    void edit(ScreenImage& image) {
        const int32_t w = image.width(), h = image.height();
        for (int edits = below(12); edits >= 0; --edits) {
            const int32_t y = below(h), x = below(w);
            const int32_t length = std::min(w - x, 1 + below(below(3) ? 6 : w));
            const uint32_t value = m_rng();
            const int kind = below(3);
            for (int32_t i = x; i < x + length; ++i) {
                const uint32_t old = image.pixel(i, y);
                image.setPixel(i, y, kind == 0 ? value : kind == 1 ? old ^ 0x00080808 : ~old);
            }
        }
    }

  private:
    std::mt19937 m_rng;
};

TEST(MVDKRoundTrip, RandomFramesWithEveryOption) {
    RandomFrames random(2024);
    for (int iteration = 0; iteration < 400; ++iteration) {
        const int32_t width = 1 + random.below(random.below(4) ? 24 : 300);
        const int32_t height = 1 + random.below(random.below(4) ? 6 : 40);
        const Layout layout = kLayouts[random.below(5)];
        const int swap = random.below(2);
        uint32_t flags = random.below(4) == 0 ? uint32_t{kMVDKLiteralsOnly} : 0u;
        if (layout == Layout::RGB555)
            flags |= std::array{0u, 4u, 8u, 12u}[random.below(4)];
        const int32_t maxSize = random.below(3) == 0 ? 1 + random.below(width * height * 2) : 0;
        SCOPED_TRACE(testing::Message()
                     << "iteration " << iteration << " " << width << "x" << height << " layout "
                     << static_cast<int>(layout) << " flags " << flags << " limit " << maxSize);

        ScreenImage image = random.picture(width, height);
        const size_t pad = static_cast<size_t>(random.below(2) * 4);
        Source prev = MakeSource(image, layout, pad);
        Picture picture = Blank(prev.info, 0x77);
        EncodeOnto(picture, nullptr, prev, flags, maxSize, swap);
        ASSERT_EQ(picture.bytes, Expected(prev, swap, MaskFor(flags)).bytes);
        for (int frame = 0; frame < 3; ++frame) {
            random.edit(image);
            const Source next = MakeSource(image, layout, pad);
            EncodeOnto(picture, &prev, next, flags, maxSize, swap);
            ASSERT_EQ(picture.bytes, Expected(next, swap, MaskFor(flags)).bytes) << frame;
            prev = next;
        }
    }
}

TEST(MVDKRoundTrip, WorstCaseStreamsStayWithinTheBound) {
    // Alternating pixels in lines of every small width, and difference frames
    // whose changes are one pixel apart from 4 unchanged ones: the shapes
    // that cost the most bytes per pixel.
    for (Layout layout : kLayouts) {
        for (int32_t width = 1; width <= 12; ++width) {
            ScreenImage a(width, 9), b(width, 9);
            for (int32_t y = 0; y < 9; ++y) {
                for (int32_t x = 0; x < width; ++x) {
                    a.setPixel(x, y, (x + y) % 2 ? 0xFF102030 : 0xFF405060);
                    b.setPixel(x, y, (x + 2 * y) % 5 ? a.pixel(x, y) : 0xFF000000 | (x * 7 + y));
                }
            }
            for (uint32_t flags : {0u, 1u}) {
                const Source sa = MakeSource(a, layout), sb = MakeSource(b, layout);
                Picture picture = Blank(sa.info);
                EncodeOnto(picture, nullptr, sa, flags, 0, 0);
                EncodeOnto(picture, &sa, sb, flags, 0, 0);
                EXPECT_EQ(picture.bytes, Expected(sb, false).bytes) << width;
            }
        }
    }
}

}  // namespace
