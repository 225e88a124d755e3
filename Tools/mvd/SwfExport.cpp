#include "SwfExport.h"

#include <cstdio>
#include <cstring>

#include "Portability/CString.h"
#include "SWFExport/CSWFWriter.h"
#include "SWFExport/SWFControllerSkins.h"
#include "ToolError.h"

namespace mvd {

std::string SwfSkinNames() {
    std::string names;
    for (int i = 0; i < g_aSWFControllerSkinInfo.GetCount(); ++i) {
        CStringA id(g_aSWFControllerSkinInfo[i].m_strIdentifier);
        names += (i == 0 ? "" : ", ") + std::string(id.GetBuffer());
        id.ReleaseBuffer();
    }
    return names;
}

SwfExport::SwfExport(const std::string& path, uint32_t width, uint32_t height,
                     uint32_t framesPerSecond, const SwfSettings& settings,
                     std::optional<SwfSound> sound)
    : m_writer(std::make_unique<CSWFWriter>()), m_path(path), m_width(width), m_height(height) {
    if (settings.version < 6 || settings.version > 32) {
        throw UsageError("the SWF version must be from 6 to 32");
    }
    if (settings.adpcmBits < 2 || settings.adpcmBits > 5) {
        throw UsageError("ADPCM codes have 2 to 5 bits");
    }
    if (width == 0 || height == 0 || width > CSWFWriter::kMaxFrameSide ||
        height > CSWFWriter::kMaxFrameSide) {
        throw ToolError("SWF movies take frames of 1 to " +
                        std::to_string(CSWFWriter::kMaxFrameSide) + " pixels a side");
    }
    CSWFConfig& config = m_writer->m_SWFConfig;
    if (!settings.skin.empty()) {
        if (g_aSWFControllerSkinInfo.Find(CString(settings.skin.c_str())) == nullptr) {
            throw UsageError("unknown skin \"" + settings.skin + "\" (skins: " + SwfSkinNames() +
                             ")");
        }
        config.m_strControllerSkin = CString(settings.skin.c_str());
    }
    config.m_nSWFVersion = settings.version;
    config.m_nAudioCompression = settings.adpcm ? 1 : 0;
    config.m_nAudioFormat = settings.adpcmBits - 2;
    if (m_writer->SetFrameRate(static_cast<int>(framesPerSecond)) != 0) {
        throw ToolError("SWF movies run at 1 to 255 frames per second");
    }
    if (sound) {
        const uint32_t rate = sound->sampleRate;
        if (rate != 5512 && rate != 11025 && rate != 22050 && rate != 44100) {
            throw UsageError("SWF sound runs at 5512, 11025, 22050 or 44100 Hz, not " +
                             std::to_string(rate));
        }
        if (sound->channels != 1 && sound->channels != 2) {
            throw UsageError("SWF sound has one or two channels");
        }
        const uint16_t block = static_cast<uint16_t>(2 * sound->channels);
        tagWAVEFORMATEX format{1, sound->channels, rate, rate * block, block, 16, 0};
        m_writer->SetWaveFormat(&format);
        m_hasSound = true;
        m_channels = sound->channels;
        m_samplesPerFrame = rate / framesPerSecond;
    }
    m_writer->SetOutputFilename(CString(path.c_str()));
    tagBITMAPINFO info{};
    info.bmiHeader = tagBITMAPINFOHEADER{
        40, static_cast<int32_t>(width), static_cast<int32_t>(height), 1, 32, 0, 0, 0, 0, 0, 0};
    m_writer->SetSourceBitmapInfo(&info);
    if (m_writer->OpenFile() != 0) {
        throw ToolError("cannot create the SWF movie");
    }
    m_bottomUp.resize(size_t{width} * height * 4);
}

SwfExport::~SwfExport() {
    // An export given up on leaves no file behind.
    if (!m_closed) {
        m_writer->CloseFile(true);
        std::remove(m_path.c_str());
        std::remove((m_path + "VidOnly.swf").c_str());
    }
}

void SwfExport::addSound(std::span<const int16_t> sound) {
    if (!m_hasSound) {
        return;
    }
    // Every SWF frame carries its share; a short one is padded with silence.
    std::vector<int16_t> chunk(m_samplesPerFrame * m_channels, 0);
    std::memcpy(chunk.data(), sound.data(), std::min(sound.size(), chunk.size()) * 2);
    m_writer->AddAudioChunk(chunk.data(), static_cast<int>(chunk.size() * 2));
}

void SwfExport::frame(const MVDImage& frame, std::span<const int16_t> sound, const MVDImage* cursor,
                      const tagMVDRect& cursorRect) {
    if (frame.m_width != m_width || frame.m_height != m_height || frame.m_bytesPerPixel != 4) {
        throw ToolError("a frame of another size or depth than the movie's");
    }
    const MVDImage* shown = &frame;
    if (cursor != nullptr) {
        if (m_work == nullptr) {
            tagMVDImageFormat format = frame.format();
            m_work = std::make_unique<MVDImage>(&format);
        }
        frame.blitOnto(m_work.get());
        tagMVDRect rect = cursorRect;
        m_work->alphaBlit(const_cast<MVDImage*>(cursor), &rect);
        shown = m_work.get();
    }
    // Bottom-up rows of blue, green, red and an unused byte.
    const bool bgra = shown->m_pixelFormat == kMVDPixelFormat32BGRA;
    const size_t row = size_t{m_width} * 4;
    for (uint32_t y = 0; y < m_height; ++y) {
        const uint8_t* from = shown->m_pData + size_t{y} * row;
        uint8_t* to = m_bottomUp.data() + size_t{m_height - 1 - y} * row;
        if (bgra) {
            std::memcpy(to, from, row);
            continue;
        }
        for (uint32_t x = 0; x < m_width; ++x, from += 4, to += 4) {
            to[0] = from[3];
            to[1] = from[2];
            to[2] = from[1];
            to[3] = from[0];
        }
    }
    addSound(sound);
    m_writer->ReceiveVideoFrame(m_bottomUp.data());
}

void SwfExport::repeat(std::span<const int16_t> sound) {
    addSound(sound);
    m_writer->AddDroppedFrames(1);
}

void SwfExport::close() {
    m_closed = true;
    if (m_writer->CloseFile(false) != 0) {
        throw ToolError(
            "the SWF movie could not be merged with the player controller (is "
            "velmoran_player.swf in the resources folder?)");
    }
}

}  // namespace mvd
