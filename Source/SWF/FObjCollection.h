// The ordered tags of one SWF movie or sprite body, and the character-ID
// counter that every definition tag draws from.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "SWF/FObj.h"

class FSWFStream;

class FObjCollection {
  public:
    // The format stores frame counts in 16 bits.
    static constexpr uint32_t kMaxFrames = 0xFFFF;

    FObjCollection();
    ~FObjCollection();
    FObjCollection(const FObjCollection&) = delete;
    FObjCollection& operator=(const FObjCollection&) = delete;

    // Takes ownership and appends; a show-frame object counts a frame.
    // Throws std::length_error when it would make more than kMaxFrames
    // frames.
    void AddFObj(FObj* object);
    // Counts one more frame (the argument is not used); same limit.
    void IncrementFrameCount(int unused = 0);
    uint32_t FrameCount() const { return m_frameCount; }
    size_t ObjectCount() const { return m_objects.size(); }

    // The next character ID: the first after a reset is 1.  Throws
    // std::overflow_error past 65535, the last ID the format can hold.
    static uint16_t Increment();
    // The last ID handed out (0 after a reset).
    static uint16_t CurrentCharacterID();
    static void ResetCharacterID();

    void WriteToSWFStream(FSWFStream* stream);
    void WriteEndTag(FSWFStream* stream);

    // Size in bytes of the file header for a stage of width x height twips.
    static uint32_t FileHeaderSize(int32_t width, int32_t height);
    // Writes the file header (FileHeaderSize bytes) to `destination`.
    // Throws std::out_of_range for a frame rate above 255.
    void WriteFileHeader(uint8_t* destination, uint32_t fileLength, int32_t width, int32_t height,
                         uint32_t frameRate, uint8_t version);

    // A whole movie: header placeholder, every tag, the End tag, then the
    // real header over the placeholder.  Resets the character IDs.
    void CreateMovie(FSWFStream* stream, int32_t width, int32_t height, uint32_t frameRate,
                     uint8_t version);
    // The same into a file; false when the file cannot be created or
    // written completely (a partial regular file is removed).
    bool CreateMovie(const char* path, int32_t width, int32_t height, uint32_t frameRate,
                     uint8_t version);
    // A sprite body: every tag and the End tag.  Resets the character IDs.
    void CreateSprite(FSWFStream* stream, int32_t width, int32_t height, uint32_t frameRate);

  private:
    void CheckFrameRoom() const;

    uint32_t m_frameCount = 0;
    std::vector<std::unique_ptr<FObj>> m_objects;
    static uint32_t characterID;
};
