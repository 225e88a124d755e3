// Channel layouts from tags and bitmaps, and their expansion into lists of
// channel descriptions.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "AudioToolbox/AudioFormat.h"
#include "QuickTime/ChannelLayoutExpansion.h"

namespace {

AudioChannelLayout* NewLayout(UInt32 size, AudioChannelLayoutTag tag,
                              AudioChannelBitmap bitmap = 0) {
    auto layout = static_cast<AudioChannelLayout*>(std::calloc(1, size));
    const UInt32 head[2] = {tag, bitmap};
    std::memcpy(layout, head, sizeof head);  // the block may be only the 12-byte head
    return layout;
}

std::vector<AudioChannelLabel> Labels(const AudioChannelLayout* layout) {
    std::vector<AudioChannelLabel> labels;
    for (UInt32 i = 0; i < layout->mNumberChannelDescriptions; ++i) {
        labels.push_back(layout->mChannelDescriptions[i].mChannelLabel);
    }
    return labels;
}

TEST(ChannelLayoutTest, AudioFormatAnswersForTagsAndBitmaps) {
    UInt32 size = 0;
    AudioChannelLayoutTag tag = kAudioChannelLayoutTag_AAC_6_1;
    ASSERT_EQ(AudioFormatGetPropertyInfo('cmpl', 4, &tag, &size), noErr);
    EXPECT_EQ(size, 12u + 7 * 20);
    std::vector<UInt8> room(size);
    UInt32 small = size - 1;
    EXPECT_EQ(AudioFormatGetProperty('cmpl', 4, &tag, &small, room.data()),
              kAudioFormatBadPropertySizeError);
    ASSERT_EQ(AudioFormatGetProperty('cmpl', 4, &tag, &size, room.data()), noErr);
    auto layout = reinterpret_cast<AudioChannelLayout*>(room.data());
    EXPECT_EQ(layout->mChannelLayoutTag, kAudioChannelLayoutTag_UseChannelDescriptions);
    EXPECT_EQ(Labels(layout), (std::vector<AudioChannelLabel>{3, 1, 2, 5, 6, 9, 4}));

    tag = kAudioChannelLayoutTag_DiscreteInOrder | 3;
    size = static_cast<UInt32>(room.size());
    ASSERT_EQ(AudioFormatGetProperty('cmpl', 4, &tag, &size, room.data()), noErr);
    EXPECT_EQ(Labels(layout), (std::vector<AudioChannelLabel>{0x10000, 0x10001, 0x10002}));

    AudioChannelBitmap bitmap = kAudioChannelBit_Left | kAudioChannelBit_Right |
                                kAudioChannelBit_LFEScreen | kAudioChannelBit_TopBackRight;
    size = static_cast<UInt32>(room.size());
    ASSERT_EQ(AudioFormatGetProperty('cmpb', 4, &bitmap, &size, room.data()), noErr);
    EXPECT_EQ(size, 12u + 4 * 20);
    EXPECT_EQ(Labels(layout), (std::vector<AudioChannelLabel>{1, 2, 4, 18}));

    tag = (250u << 16) | 2;
    bitmap = 1u << 20;
    EXPECT_EQ(AudioFormatGetPropertyInfo('cmpl', 4, &tag, &size),
              kAudioFormatUnsupportedDataFormatError);
    EXPECT_EQ(AudioFormatGetPropertyInfo('cmpb', 4, &bitmap, &size),
              kAudioFormatUnsupportedDataFormatError);
    EXPECT_EQ(AudioFormatGetPropertyInfo('cmpl', 2, &tag, &size),
              kAudioFormatBadSpecifierSizeError);
    EXPECT_EQ(AudioFormatGetPropertyInfo('abcd', 4, &tag, &size),
              kAudioFormatUnsupportedPropertyError);
}

TEST(ChannelLayoutTest, ExpansionInPlaceOrIntoANewBlock) {
    // Mono always moves to a new block, a bitmap too large for its block
    // too; a tag whose layout fits is expanded where it stands.
    struct Case {
        UInt32 size;
        AudioChannelLayoutTag tag;
        AudioChannelBitmap bitmap;
        UInt32 expandedSize;
        std::vector<AudioChannelLabel> labels;
    };
    const Case cases[] = {
        {12, kAudioChannelLayoutTag_Mono, 0, 32, {42}},
        {12,
         kAudioChannelLayoutTag_UseChannelBitmap,
         kAudioChannelBit_Left | kAudioChannelBit_Right | kAudioChannelBit_Center,
         72,
         {1, 2, 3}},
        {200, kAudioChannelLayoutTag_MPEG_5_1_A, 0, 200, {1, 2, 3, 4, 5, 6}},
    };
    for (const Case& c : cases) {
        UInt32 size = c.size;
        AudioChannelLayout* layout = NewLayout(size, c.tag, c.bitmap);
        AudioChannelLayout* before = layout;
        ASSERT_EQ(expandChannelLayout(&layout, &size), noErr);
        EXPECT_EQ(size, c.expandedSize);
        EXPECT_EQ(layout == before, c.size == c.expandedSize) << c.tag;
        EXPECT_EQ(layout->mChannelLayoutTag, 0u);
        EXPECT_EQ(Labels(layout), c.labels);
        before = layout;  // already a list: untouched
        ASSERT_EQ(expandChannelLayout(&layout, &size), noErr);
        EXPECT_EQ(layout, before);
        std::free(layout);
    }

    // Unknown tags fail and leave the layout as it was.
    UInt32 size = 12;
    AudioChannelLayout* layout = NewLayout(size, (250u << 16) | 2);
    AudioChannelLayout* before = layout;
    EXPECT_EQ(expandChannelLayout(&layout, &size), kAudioFormatUnsupportedDataFormatError);
    EXPECT_EQ(layout, before);
    EXPECT_EQ(size, 12u);
    UInt32 tagLeft = 0;
    std::memcpy(&tagLeft, layout, sizeof tagLeft);
    EXPECT_EQ(tagLeft, (250u << 16) | 2);

    EXPECT_EQ(expandChannelLayout(nullptr, &size), paramErr);
    EXPECT_EQ(expandChannelLayout(&layout, nullptr), paramErr);
    size = 8;
    EXPECT_EQ(expandChannelLayout(&layout, &size), paramErr);
    std::free(layout);
    AudioChannelLayout* none = nullptr;
    EXPECT_EQ(expandChannelLayout(&none, &size), paramErr);
}

}  // namespace
