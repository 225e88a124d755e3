#include <gtest/gtest.h>

#include <stdexcept>

#include "SWF/FDTDefineSound.h"
#include "SWF/FDTSoundStream.h"
#include "SWF/FObjCollection.h"
#include "SWF/FSoundComp.h"
#include "SWF/FSoundInfo.h"
#include "SWF/SwfBytes.h"
#include "SWFSound/SoundTestSignals.h"
#include "SWFSound/WavBuilder.h"

namespace {

using swftest::Bytes;
using swftest::Encode;
using swftest::Hex;
using swftest::ToHex;

// A tag with the long header form: code, then the length of the parts.
Bytes LongTag(uint16_t code, std::initializer_list<Bytes> parts) {
    Bytes body;
    for (const Bytes& part : parts) {
        body.insert(body.end(), part.begin(), part.end());
    }
    Bytes out;
    soundtest::PutLe(out, uint32_t(code) << 6 | 0x3F, 2);
    soundtest::PutLe(out, static_cast<uint32_t>(body.size()), 4);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes Adpcm(const Bytes& samples, uint32_t frames, int bits, bool stereo, bool eightBit) {
    Bytes out;
    FSoundComp comp(out, bits, stereo, eightBit);
    comp.Compress(samples.data(), frames);
    comp.Flush();
    return out;
}

TEST(SoundStreamHead, DeclaresTheStreamFormatAndSamplesPerFrame) {
    // 22050 Hz 16-bit mono (mix byte 0x0A), 2205 samples per frame at 10 fps.
    FDTSoundStreamHead head(0x0A, false, 2205);
    EXPECT_EQ(ToHex(Encode(head)), "84 04 0A 1A 9D 08");
    FDTSoundStreamHead stereo(0xFF, true, 4410);  // reserved bits dropped
    EXPECT_EQ(ToHex(Encode(stereo)), "84 04 0F 1F 3A 11");

    FDTSoundStreamHead2 head2(0x0D, 0, 0, 1, 1102);  // 44100 Hz 8-bit stereo PCM
    EXPECT_EQ(ToHex(Encode(head2)), "44 0B 0D 0D 4E 04");
    MyFDTSoundStreamHead2 my(0x0A, 1, 1, 0, 2, 2205);
    EXPECT_EQ(ToHex(Encode(my)), "44 0B 0A 1A 9D 08");
    // An MP3 stream carries its latency seek after the sample count.
    MyFDTSoundStreamHead2 mp3(0x0E, 2, 1, 0, 3, 1152);
    EXPECT_EQ(ToHex(Encode(mp3)), "46 0B 0E 2E 80 04 00 00");

    EXPECT_THROW(MyFDTSoundStreamHead2(0x0A, 16, 1, 0, 2, 1), std::invalid_argument);
    EXPECT_THROW(MyFDTSoundStreamHead2(0x0A, 1, 1, 0, 4, 1), std::invalid_argument);
}

TEST(SoundStreamBlock, AlwaysHasALongHeaderAndTakesNoCharacterID) {
    FObjCollection::ResetCharacterID();
    const Bytes data = {1, 2, 3};
    FDTSoundStreamBlock block(3, data.data());
    EXPECT_EQ(ToHex(Encode(block)), "FF 04 03 00 00 00 01 02 03");
    FDTSoundStreamBlock empty(0, nullptr);
    EXPECT_EQ(ToHex(Encode(empty)), "FF 04 00 00 00 00");
    EXPECT_THROW(FDTSoundStreamBlock(4, nullptr), std::invalid_argument);

    MyFDTSoundStreamBlock_PCM pcm(2, new uint8_t[2]{0x80, 0x7F});
    EXPECT_EQ(ToHex(Encode(pcm)), "FF 04 02 00 00 00 80 7F");

    MyFDTSoundStreamBlock_MP3 mp3(2, data.data(), 1152, -1);
    EXPECT_EQ(ToHex(Encode(mp3)), "FF 04 06 00 00 00 80 04 FF FF 01 02");
    MyFDTSoundStreamBlock_MP3 mp3Empty(0, nullptr, 0, 0);
    EXPECT_EQ(ToHex(Encode(mp3Empty)), "FF 04 04 00 00 00 00 00 00 00");

    // An ADPCM block is a whole ADPCM stream of its own, nothing else.
    const Bytes samples = soundtest::LeBytes(soundtest::Tones(2205, 1));
    MyFDTSoundStreamBlock_ADPCM adpcm(2, 1, 0, 2205, samples.data(), 4410, 4);
    EXPECT_EQ(Encode(adpcm), LongTag(19, {Adpcm(samples, 2205, 4, false, false)}));
    EXPECT_EQ(FObjCollection::CurrentCharacterID(), 0);  // blocks are not characters
}

TEST(DefineSound, HeaderFieldsThenTheData) {
    FObjCollection::ResetCharacterID();
    const Bytes pcm = {0, 1, 2, 3, 4, 5, 6, 7};
    FDTDefineSound sound(0, 3, 1, 1, 2, pcm.data(), 8);  // 44100 Hz 16-bit stereo
    EXPECT_EQ(ToHex(Encode(sound)), "8F 03 01 00 0F 02 00 00 00 00 01 02 03 04 05 06 07");
    EXPECT_THROW(FDTDefineSound(0, 3, 2, 1, 2, pcm.data(), 8), std::invalid_argument);
    EXPECT_THROW(FDTDefineSound(0, 3, 1, 1, 2, nullptr, 8), std::invalid_argument);
    EXPECT_THROW(FDTDefineSoundADPCM(0, 1, 0, 2, pcm.data(), 8, 7), std::invalid_argument);
    EXPECT_EQ(FObjCollection::CurrentCharacterID(), 1);  // failed tags took no ID

    // ADPCM from 16-bit stereo samples: 11025 Hz (rate 1), compression 1.
    const Bytes samples = soundtest::LeBytes(soundtest::Tones(5000, 2));
    FDTDefineSoundADPCM adpcm(1, 1, 1, 5000, samples.data(), 20000, 3);
    EXPECT_EQ(Encode(adpcm),
              LongTag(14, {Hex("02 00 17 88 13 00 00"), Adpcm(samples, 5000, 3, true, false)}));

    // Announcing more samples than the data holds compresses what is there:
    // 8-bit mono, 300 announced, 120 present.
    const Bytes eight(120, 0x90);
    FDTDefineSoundADPCM shortData(0, 0, 0, 300, eight.data(), 120, 2);
    EXPECT_EQ(Bytes(shortData.Data(), shortData.Data() + shortData.DataLength()),
              Adpcm(eight, 120, 2, false, true));
    const Bytes tag = Encode(shortData);
    EXPECT_EQ(ToHex(Bytes(tag.begin() + 2, tag.begin() + 9)), "03 00 10 78 00 00 00");
}

TEST(DefineSound, FromWavFileCompressesItsSamples) {
    FObjCollection::ResetCharacterID();
    const Bytes samples = soundtest::LeBytes(soundtest::Tones(700, 2));
    FILE* f = soundtest::TempFileWith(soundtest::Wav({1, 2, 22050, 16}, samples));
    ASSERT_NE(f, nullptr);
    FDTDefineSoundWAV sound(f, 5, nullptr);
    fclose(f);
    ASSERT_TRUE(sound.IsLoaded()) << sound.LoadError();
    EXPECT_EQ(Encode(sound),
              LongTag(14, {Hex("01 00 1B BC 02 00 00"), Adpcm(samples, 700, 5, true, false)}));

    // A rejected file and no file at all both give an empty sound.
    f = soundtest::TempFileWith(soundtest::Wav({1, 1, 16000, 16}, samples));
    ASSERT_NE(f, nullptr);
    FDTDefineSoundWAV rejected(f, 2, nullptr);
    fclose(f);
    EXPECT_FALSE(rejected.IsLoaded());
    EXPECT_EQ(rejected.LoadError(), "Sample rate 16000 unsupported\n");
    EXPECT_EQ(ToHex(Encode(rejected)), "87 03 02 00 10 00 00 00 00");
    FDTDefineSoundWAV none(nullptr, 2, nullptr);
    EXPECT_FALSE(none.IsLoaded());
    EXPECT_EQ(ToHex(Encode(none)), "87 03 03 00 10 00 00 00 00");
    EXPECT_THROW(FDTDefineSoundWAV(nullptr, 6, nullptr), std::invalid_argument);
}

TEST(FSoundInfo, FlagsThenTheFieldsTheyAnnounce) {
    FSoundInfo plain(FSoundInfo::kSyncNoMultiple, false, false, false, false, 0, 0, 0, 0, nullptr);
    EXPECT_EQ(ToHex(Encode(plain)), "10");

    const FSndEnv envelope[2] = {{0, 0, 32768}, {44100, 32768, 0}};
    FSoundInfo all(FSoundInfo::kSyncStop, true, true, true, true, 0x11223344, 0x55667788, 3, 2,
                   envelope);
    EXPECT_EQ(ToHex(Encode(all)),
              "2F 44 33 22 11 88 77 66 55 03 00 02 "
              "00 00 00 00 00 00 00 80 "
              "44 AC 00 00 00 80 00 00");
    // Only the fields whose flags are set; loops alone.
    FSoundInfo loops(0, false, true, false, false, 7, 8, 5, 2, envelope);
    EXPECT_EQ(ToHex(Encode(loops)), "04 05 00");
    // An envelope flag with no points writes a count of 0.
    FSoundInfo noPoints(0, true, false, false, false, 0, 0, 0, 0, nullptr);
    EXPECT_EQ(ToHex(Encode(noPoints)), "08 00");

    EXPECT_THROW(FSoundInfo(0, true, false, false, false, 0, 0, 0, 2, nullptr),
                 std::invalid_argument);
    EXPECT_THROW(FSoundInfo(0, true, false, false, false, 0, 0, 0, 256, envelope),
                 std::invalid_argument);
}

}  // namespace
