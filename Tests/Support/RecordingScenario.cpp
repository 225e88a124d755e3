#include "Support/RecordingScenario.h"

#include <cstring>
#include <exception>
#include <map>
#include <stdexcept>
#include <thread>

#include "AudioCodecs/IMA4Codec.h"
#include "CoreFoundation/CFData.h"
#include "CoreFoundation/CFString.h"
#include "MVDCommon/MVDImage.h"
#include "MovieToolbox/SampleDescriptions.h"
#include "QuickTime/QTWriter.h"
#include "Support/LittleEndianBytes.h"
#include "Support/ScreenContent.h"
#include "Support/SoundFormats.h"

namespace mvdtest {

namespace {

using Scenario = RecordedScenario;

const char* const kCaptions[Scenario::kSegments] = {"Intro",
                                                    "Gr\xC3\xBC\xC3\x9F"
                                                    "e \xE2\x80\x94 \xC3\xA7"
                                                    "a va?",
                                                    "\xE7\xB5\x82\xE3\x82\x8F\xE3\x82\x8A"};

void PutBE16(std::vector<uint8_t>& out, int16_t value) {
    out.push_back(static_cast<uint8_t>(static_cast<uint16_t>(value) >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

// A triangle wave between -amplitude/2 and +amplitude/2.
int16_t Tone(int index, int period, int amplitude) {
    int phase = index % period;
    int ramp = phase < period / 2 ? phase : period - phase;
    return static_cast<int16_t>(ramp * 2 * amplitude / period - amplitude / 2);
}

std::vector<uint8_t> DescriptionBytes(SoundDescriptionHandle sound) {
    auto bytes = reinterpret_cast<const uint8_t*>(*sound);
    return std::vector<uint8_t>(bytes, bytes + (*sound)->descSize);
}

// The tracks of the scenario and what was fed to them.
class Recorder {
  public:
    Recorder(const std::string& moviePath, const std::string& recoveryPath)
        : m_writer(new QTWriter(moviePath, Scenario::kWidth, Scenario::kHeight,
                                !recoveryPath.empty(), recoveryPath.c_str())),
          m_ima(1) {
        m_writer->retain();
        const float matrix[3][3] = {{1, 0, 0}, {0, 1, 0}, {8, 4, 1}};
        m_screen = dynamic_cast<QTICMVideoTrack*>(m_writer->createVideoTrack(
            tagMVDRect{0, 0, Scenario::kWidth, Scenario::kHeight}, kCVPixelFormatType_32BGRA,
            Scenario::kWidth * 4, matrix, 'mvdk', codecLosslessQuality, 80));
        m_cursor = m_writer->createCursorVideoTrack(
            tagMVDRect{10, 10, Scenario::kCursorSize, Scenario::kCursorSize}, 30);
        m_cursor->setTrackLayer(-1);
        m_pcm =
            dynamic_cast<QTAudioTrack*>(m_writer->createAudioTrack(2, Scenario::kPCMRate, 16, 0));
        m_imaTrack =
            dynamic_cast<QTAudioTrack*>(m_writer->createAudioTrack(1, Scenario::kIMARate, 16, 0));
        AudioStreamBasicDescription raw = PCMStream(1, Scenario::kRawRate);
        m_raw = m_writer->createRawAudioTrack(1, Scenario::kRawRate, 16, raw.mFormatID,
                                              raw.mFormatFlags);
        m_text = m_writer->createTextTrack();

        m_pcmSound = NewSoundDescription(PCMStream(2, Scenario::kPCMRate));
        m_imaSound = NewSoundDescription(IMA4Stream(1, Scenario::kIMARate));
        m_scenario.pcmDescription = DescriptionBytes(m_pcmSound);
        m_scenario.imaDescription = DescriptionBytes(m_imaSound);
    }
    ~Recorder() {
        m_writer->release();
        DisposeHandle(reinterpret_cast<Handle>(m_pcmSound));
        DisposeHandle(reinterpret_cast<Handle>(m_imaSound));
    }
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // Segments follow each other as the recorder makes them: pause to the
    // shortest track, unpause, and at the end a flush and the shortest
    // track again.  Frames may still be in the sessions at each pause.
    Scenario record(bool concurrentAudio) {
        m_writer->start();
        for (int segment = 0; segment < Scenario::kSegments; ++segment) {
            if (segment > 0) {
                m_writer->unpauseTracks();
            }
            feedSegment(segment, concurrentAudio);
            m_scenario.shortestSegments.push_back(
                WideToSInt64(m_writer->getShortestTrackTimeRecord().value));
            if (segment + 1 < Scenario::kSegments) {
                m_writer->pauseTracksWithShortestTrackMediaDuration();
            }
        }
        m_writer->flushTrackDataToDisk();
        m_writer->finalizeTracksWithShortestTrackMediaDuration();
        m_writer->finalizeMovie();
        return m_scenario;
    }

  private:
    void feedSegment(int segment, bool concurrentAudio) {
        if (!concurrentAudio) {
            feedVideo(segment);
            feedAudioAndText(segment);
            return;
        }
        std::exception_ptr failure;
        std::thread audio([&] {
            try {
                feedAudioAndText(segment);
            } catch (...) {
                failure = std::current_exception();
            }
        });
        try {
            feedVideo(segment);
        } catch (...) {
            audio.join();
            throw;
        }
        audio.join();
        if (failure) {
            std::rethrow_exception(failure);
        }
    }

    void feedVideo(int segment) {
        for (int i = 0; i < Scenario::kFramesPerSegment; ++i) {
            int index = segment * Scenario::kFramesPerSegment + i;
            // The images go out of scope (and their memory is reused) while
            // the session may still be encoding them.
            std::vector<uint8_t> screen =
                ScreenFrame(Scenario::kWidth, Scenario::kHeight, true, index);
            MVDImage screenImage(Scenario::kWidth, Scenario::kHeight, kCVPixelFormatType_32BGRA, 4,
                                 screen.data());
            m_screen->compressAndWriteMVDImage(&screenImage, Scenario::kFrameDuration);
            m_scenario.screenFrames.push_back({screen, 1, Scenario::kFrameDuration});

            std::vector<uint8_t> cursor = CursorFrame(index);
            MVDImage cursorImage(Scenario::kCursorSize, Scenario::kCursorSize,
                                 kCVPixelFormatType_32ARGB, 4, cursor.data());
            m_cursor->compressAndWriteMVDImage(&cursorImage, Scenario::kFrameDuration);
            m_scenario.cursorFrames.push_back({cursor, 1, Scenario::kFrameDuration});
        }
    }

    void feedAudioAndText(int segment) {
        feedPCM();
        feedIMA(segment);
        feedRaw(segment);
        const char* caption = kCaptions[segment];
        CFStringRef text = CFStringCreateWithCString(nullptr, caption, kCFStringEncodingUTF8);
        m_text->writeTextSample(text, Scenario::kCaptionDuration);
        CFRelease(text);
        m_scenario.captions.push_back(
            {std::vector<uint8_t>(caption, caption + std::strlen(caption)), 1,
             Scenario::kCaptionDuration});
    }

    void feedPCM() {
        std::vector<int16_t>& fed = m_scenario.pcmSamples;
        for (int buffer = 0; buffer < 2; ++buffer) {
            std::vector<uint8_t> bytes;
            for (int frame = 0; frame < Scenario::kPCMFramesPerBuffer; ++frame) {
                int index = m_pcmFrames++;
                for (int channel = 0; channel < 2; ++channel) {
                    int16_t value = Tone(index, channel == 0 ? 100 : 37, 20000);
                    fed.push_back(value);
                    PutBE16(bytes, value);
                }
            }
            m_pcm->writeBuffer(reinterpret_cast<short*>(bytes.data()),
                               static_cast<int>(bytes.size()), m_pcmSound);
            m_scenario.pcmBuffers.push_back(
                {bytes, static_cast<uint32_t>(Scenario::kPCMFramesPerBuffer), 1});
        }
    }

    void feedIMA(int segment) {
        std::vector<SInt16> mono(Scenario::kIMAPacketsPerSegment * kIMA4FramesPerPacket);
        for (size_t i = 0; i < mono.size(); ++i) {
            mono[i] = Tone(static_cast<int>(i) + segment * 7, 50, 16000);
        }
        std::vector<UInt8> packets(m_ima.maxEncodedSize(mono.size()));
        size_t written = 0;
        if (m_ima.encode(mono, packets, &written) != noErr) {
            throw std::runtime_error("IMA4 encode failed");
        }
        std::vector<AudioStreamPacketDescription> list;
        for (size_t offset = 0; offset < written; offset += kIMA4BytesPerChannelPacket) {
            list.push_back(
                {static_cast<SInt64>(offset), 0, static_cast<UInt32>(kIMA4BytesPerChannelPacket)});
            auto begin = packets.begin() + static_cast<long>(offset);
            m_scenario.imaPackets.push_back(
                {std::vector<uint8_t>(begin, begin + kIMA4BytesPerChannelPacket), 1,
                 static_cast<uint32_t>(kIMA4FramesPerPacket)});
        }
        CFDataRef descriptions = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(list.data()),
                                              static_cast<CFIndex>(list.size() * sizeof list[0]));
        try {
            m_imaTrack->writeCompressedBuffer(packets.data(), 0, nullptr, descriptions, 0,
                                              m_imaSound);
        } catch (...) {
            CFRelease(descriptions);
            throw;
        }
        CFRelease(descriptions);
    }

    void feedRaw(int segment) {
        std::vector<uint8_t> raw;
        for (int i = 0; i < Scenario::kRawFramesPerSegment; ++i) {
            PutBE16(raw, Tone(i + segment * Scenario::kRawFramesPerSegment, 80, 12000));
        }
        m_raw->writeSample(raw.data(), static_cast<int>(raw.size()), 1,
                           Scenario::kRawFramesPerSegment, nullptr);
        m_scenario.rawBuffers.push_back({raw, Scenario::kRawFramesPerSegment, 1});
    }

    QTWriter* m_writer;
    QTICMVideoTrack* m_screen = nullptr;
    QTICMVideoTrack* m_cursor = nullptr;
    QTAudioTrack* m_pcm = nullptr;
    QTAudioTrack* m_imaTrack = nullptr;
    QTRawAudioTrack* m_raw = nullptr;
    QTTextTrack* m_text = nullptr;
    SoundDescriptionHandle m_pcmSound = nullptr;
    SoundDescriptionHandle m_imaSound = nullptr;
    IMA4Encoder m_ima;
    int m_pcmFrames = 0;
    Scenario m_scenario;
};

}  // namespace

std::vector<uint8_t> ScreenFrame(int width, int height, bool bgra, int index) {
    ScreenImage image(width, height, bgra ? PixelOrder::BGRA : PixelOrder::ARGB);
    ScreenContent screen(width, height, 11);
    screen.render(image);
    for (int i = 0; i < index; ++i) {
        screen.nextFrame(image);
    }
    for (int x = 0; x < width && x < 16; ++x) {
        image.setPixel(x, 0, static_cast<uint32_t>((x * 16 + index) & 0xFF) << 24 | 0x00336699u);
    }
    std::vector<uint8_t> packed;
    for (int y = 0; y < height; ++y) {
        packed.insert(packed.end(), image.line(y), image.line(y) + width * 4);
    }
    return packed;
}

std::vector<uint8_t> CursorFrame(int index) {
    std::vector<uint8_t> sprite(Scenario::kCursorSize * Scenario::kCursorSize * 4);
    for (int y = 0; y < Scenario::kCursorSize; ++y) {
        for (int x = 0; x < Scenario::kCursorSize; ++x) {
            uint8_t* p = &sprite[(y * Scenario::kCursorSize + x) * 4];
            bool arrow = x <= y && x < 10;
            p[0] = arrow ? 0xFF : (x == y + 1 ? 0x80 : 0x00);  // alpha
            p[1] = static_cast<uint8_t>(arrow ? 16 * index : 0);
            p[2] = static_cast<uint8_t>(arrow ? 255 - x * 8 : 0);
            p[3] = static_cast<uint8_t>(arrow ? y * 8 : 0);
        }
    }
    return sprite;
}

namespace {

qtfile::SampleInfo SampleAt(const qtfile::MovieFileReader& movie, ScenarioTrack track,
                            uint32_t number) {
    qtfile::SampleInfo info;
    auto status = movie.sampleInfo(track, number, info);
    if (!status.ok()) {
        throw std::runtime_error(status.message);
    }
    return info;
}

// The image description as the media reports it: the movie's, in memory form.
std::vector<uint8_t> ScreenDescription(const qtfile::MovieFileReader& movie) {
    const auto& entries =
        movie.track(kScenarioScreen).media.information.sampleTable.descriptions.entries;
    std::vector<uint8_t> memory;
    if (entries.size() != 1 ||
        mtb::DescriptionFromFile(VideoMediaType, entries[0], memory) != noErr) {
        throw std::runtime_error("no screen description");
    }
    return memory;
}

// One record per addition of `fed`, keyed by where its data went.
void AddSampleRecords(const qtfile::MovieFileReader& movie, ScenarioTrack track,
                      uint32_t trackNumber, const std::vector<ScenarioSample>& fed,
                      const std::vector<uint8_t>& description,
                      std::map<uint64_t, std::vector<unsigned char>>& records) {
    bool video = track == kScenarioScreen;
    uint32_t number = 0;
    for (size_t i = 0; i < fed.size(); ++i) {
        qtfile::SampleInfo info = SampleAt(movie, track, number);
        Bytes record;
        record.label(video ? "QTVS" : "QTAS").u32(trackNumber);
        if (i == 0) {
            record.u32(static_cast<uint32_t>(description.size())).append(description);
        }
        record.s64(static_cast<int64_t>(info.offset))
            .u32(video ? info.size : static_cast<uint32_t>(fed[i].bytes.size()))
            .u32(static_cast<uint32_t>(info.decodeTime))
            .u32(fed[i].duration)
            .u32(1);
        if (video) {
            record.u32(info.sync ? 0u : static_cast<uint32_t>(mediaSampleNotSync));
        }
        records[info.offset] = record.data();
        number += fed[i].count;
    }
}

}  // namespace

std::vector<unsigned char> ExpectedRecoveryFile(const RecordedScenario& scenario,
                                                const qtfile::MovieFileReader& movie) {
    Bytes expected;
    expected.label("RCVR").u32(Scenario::kWidth).u32(Scenario::kHeight);
    expected.label("QTVH").u32(0).u32(0).u32(0).u32(Scenario::kWidth).u32(Scenario::kHeight);
    for (int32_t value : {0x10000, 0, 0, 0, 0x10000, 0, 8 << 16, 4 << 16, 0x40000000}) {
        expected.u32(static_cast<uint32_t>(value));
    }
    expected.s16(0);  // layer
    expected.label("QTAH").u32(0).u32(2).u32(Scenario::kPCMRate).u32(16);
    expected.label("QTAH").u32(1).u32(1).u32(Scenario::kIMARate).u32(16);
    expected.label("QTTH").u32(3).u32(0);

    std::map<uint64_t, std::vector<unsigned char>> records;
    AddSampleRecords(movie, kScenarioScreen, 0, scenario.screenFrames, ScreenDescription(movie),
                     records);
    AddSampleRecords(movie, kScenarioPCM, 0, scenario.pcmBuffers, scenario.pcmDescription, records);
    AddSampleRecords(movie, kScenarioIMA, 1, scenario.imaPackets, scenario.imaDescription, records);
    for (uint32_t i = 0; i < scenario.captions.size(); ++i) {
        const ScenarioSample& caption = scenario.captions[i];
        records[SampleAt(movie, kScenarioText, i).offset] =
            Bytes()
                .label("QTTS")
                .u32(3)
                .u32(static_cast<uint32_t>(caption.bytes.size()))
                .u32(kCFStringEncodingUTF8)
                .append(caption.bytes)
                .s64(caption.duration)
                .data();
    }
    for (const auto& [offset, record] : records) {
        expected.append(record);
    }
    return expected.data();
}

RecordedScenario RecordScenario(const std::string& moviePath, const std::string& recoveryPath,
                                bool concurrentAudio) {
    Recorder recorder(moviePath, recoveryPath);
    return recorder.record(concurrentAudio);
}

std::unique_ptr<RecordedMovie> RecordScenarioMovie() {
    auto movie = std::make_unique<RecordedMovie>();
    movie->scenario = RecordScenario(movie->moviePath(), movie->recoveryPath());
    return movie;
}

}  // namespace mvdtest
