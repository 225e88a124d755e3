// Shared set-up of the codec component tests: the two components
// registered, preferences in a fresh temporary folder, and the host's side
// of compressing and decompressing frames through the component selectors.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "Codec/MVDKCodecComponent.h"
#include "Support/SampleMovie.h"
#include "Support/ScreenCodecEnvironment.h"
#include "Support/TempDir.h"

namespace mvdtest {

// An image description handle of the screen codec.
class Description {
  public:
    Description(int width, int height, int depth)
        : m_handle(NewImageDescription(kMVDKCodecType, width, height, depth)) {}
    ~Description() { DisposeHandle(reinterpret_cast<Handle>(m_handle)); }
    Description(const Description&) = delete;
    Description& operator=(const Description&) = delete;

    ImageDescriptionHandle handle() const { return m_handle; }
    ImageDescription& operator*() const { return **m_handle; }

  private:
    ImageDescriptionHandle m_handle;
};

class CodecComponentTest : public ::testing::Test {
  protected:
    CodecComponentTest() : m_config(m_home.path()) {}

    void SetUp() override {
        m_encoder = MVDKRegisterEncoderComponent();
        m_decoder = MVDKRegisterDecoderComponent();
        ASSERT_NE(m_encoder, nullptr);
        ASSERT_NE(m_decoder, nullptr);
    }
    void TearDown() override {
        for (ComponentInstance ci : m_open) {
            EXPECT_EQ(CloseComponent(ci), noErr);
        }
        EXPECT_EQ(UnregisterComponent(m_encoder), noErr);
        EXPECT_EQ(UnregisterComponent(m_decoder), noErr);
    }

    ComponentInstance OpenCompressor() { return Open(compressorComponentType); }
    ComponentInstance OpenDecompressor() { return Open(decompressorComponentType); }
    ComponentInstance Open(OSType type) {
        ComponentInstance ci = nullptr;
        EXPECT_EQ(OpenADefaultComponent(type, kMVDKCodecType, &ci), noErr);
        if (ci != nullptr) {
            m_open.push_back(ci);
        }
        return ci;
    }
    void Close(ComponentInstance ci) {
        std::erase(m_open, ci);
        EXPECT_EQ(CloseComponent(ci), noErr);
    }

    static MVDKCodecStorage* Storage(ComponentInstance ci) {
        return reinterpret_cast<MVDKCodecStorage*>(GetComponentInstanceStorage(ci));
    }
    std::string PrefsFile() const { return m_home.file("Morvandel/level"); }

    TempDir m_home;
    ScopedConfigHome m_config;
    Component m_encoder = nullptr;
    Component m_decoder = nullptr;
    std::vector<ComponentInstance> m_open;
};

// A source or destination picture in memory, described as a pixel map.
struct Picture {
    Picture(int width, int height, int pixelSize, int padBytes = 0)
        : width(width),
          height(height),
          pixelSize(pixelSize),
          rowBytes(width * (pixelSize / 8) + padBytes),
          bytes(static_cast<size_t>(rowBytes) * height) {}

    PixMap pixMap() {
        PixMap pm{};
        pm.baseAddr = reinterpret_cast<Ptr>(bytes.data());
        pm.rowBytes = static_cast<SInt16>(rowBytes);
        pm.bounds = Rect{0, 0, static_cast<SInt16>(height), static_cast<SInt16>(width)};
        pm.pixelSize = static_cast<SInt16>(pixelSize);
        return pm;
    }
    UInt8* line(int y) { return bytes.data() + static_cast<size_t>(y) * rowBytes; }

    int width;
    int height;
    int pixelSize;
    int rowBytes;
    std::vector<UInt8> bytes;
};

// What the host fills in to compress one frame into `out`.
struct CompressCall {
    CompressCall(const Description& desc, Picture& source, std::vector<UInt8>& out,
                 long frameNumber) {
        params.imageDescription = desc.handle();
        params.data = reinterpret_cast<Ptr>(out.data());
        params.bufferSize = static_cast<long>(out.size());
        params.frameNumber = frameNumber;
        params.conditionFlags = codecConditionFirstBand | codecConditionLastBand;
        params.capabilities = &capabilities;
        params.srcPixMap = source.pixMap();
        params.temporalQuality = codecNormalQuality;
        params.spatialQuality = codecLosslessQuality;
    }
    CodecCompressParams params{};
    CodecCapabilities capabilities{};
};

// What the host fills in to decompress one frame of `data` into `dest`.
struct DecompressCall {
    DecompressCall(const Description& desc, std::vector<UInt8>& data, Picture& dest) {
        params.imageDescription = desc.handle();
        params.data = reinterpret_cast<Ptr>(data.data());
        params.bufferSize = static_cast<long>(data.size());
        params.conditionFlags = codecConditionFirstBand | codecConditionLastBand;
        params.capabilities = &capabilities;
        params.dstPixMap = dest.pixMap();
        params.dstRect = params.dstPixMap.bounds;
        params.srcRect = Rect{0, 0, (*desc).height, (*desc).width};
    }
    CodecDecompressParams params{};
    CodecCapabilities capabilities{};
};

}  // namespace mvdtest
