#include "SWF/FObjCollection.h"

#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <stdexcept>

#include "SWF/FOwnership.h"
#include "SWF/FRect.h"
#include "SWF/FSWFStream.h"

uint32_t FObjCollection::characterID = 0;

FObjCollection::FObjCollection() = default;
FObjCollection::~FObjCollection() = default;

void FObjCollection::CheckFrameRoom() const {
    if (m_frameCount >= kMaxFrames) {
        throw std::length_error("an SWF movie holds at most 65535 frames");
    }
}

void FObjCollection::AddFObj(FObj* object) {
    auto owned = Adopt(object, "null SWF object");
    const bool showFrame = owned->IsShowFrame();
    if (showFrame) {
        CheckFrameRoom();
    }
    m_objects.push_back(std::move(owned));
    if (showFrame) {
        ++m_frameCount;
    }
}

void FObjCollection::IncrementFrameCount(int) {
    CheckFrameRoom();
    ++m_frameCount;
}

uint16_t FObjCollection::Increment() {
    if (characterID >= 0xFFFF) {
        throw std::overflow_error("more than 65535 SWF characters in one movie");
    }
    return static_cast<uint16_t>(++characterID);
}

uint16_t FObjCollection::CurrentCharacterID() {
    return static_cast<uint16_t>(characterID);
}

void FObjCollection::ResetCharacterID() {
    characterID = 0;
}

void FObjCollection::WriteToSWFStream(FSWFStream* stream) {
    for (const std::unique_ptr<FObj>& object : m_objects) {
        object->WriteToSWFStream(stream);
    }
}

void FObjCollection::WriteEndTag(FSWFStream* stream) {
    stream->AppendTag(0, 0, nullptr);
}

uint32_t FObjCollection::FileHeaderSize(int32_t width, int32_t height) {
    const uint32_t bits = FSWFStream::MinBits(FSWFStream::MaxNum(width, height, 0, 0), 1);
    return (4 * bits + 5) / 8 + 13;
}

void FObjCollection::WriteFileHeader(uint8_t* destination, uint32_t fileLength, int32_t width,
                                     int32_t height, uint32_t frameRate, uint8_t version) {
    if (frameRate > 255) {
        throw std::out_of_range("SWF frame rate above 255 frames per second");
    }
    FSWFStream header;
    for (uint8_t c : {'F', 'W', 'S'}) {
        header.WriteByte(c);
    }
    header.WriteByte(version);
    header.WriteDWord(fileLength);
    FRect(0, 0, width, height).WriteToSWFStream(&header);
    header.WriteByte(0);  // 8.8 fixed point: no fraction
    header.WriteByte(frameRate);
    header.WriteWord(m_frameCount);
    if (header.Size() != FileHeaderSize(width, height)) {
        throw std::logic_error("SWF file header size mismatch");
    }
    header.WriteToMemory(destination);
}

void FObjCollection::CreateMovie(FSWFStream* stream, int32_t width, int32_t height,
                                 uint32_t frameRate, uint8_t version) {
    const uint32_t start = stream->Size();
    if (start != 0 || !stream->IsByteAligned()) {
        throw std::invalid_argument("an SWF movie starts an empty stream");
    }
    const uint32_t headerSize = FileHeaderSize(width, height);
    for (uint32_t i = 0; i < headerSize; ++i) {
        stream->WriteByte(0);
    }
    WriteToSWFStream(stream);
    WriteEndTag(stream);
    std::vector<uint8_t> header(headerSize);
    WriteFileHeader(header.data(), stream->Size(), width, height, frameRate, version);
    stream->OverwriteBytes(0, header);
    ResetCharacterID();
}

namespace {

// Removes a partly written movie.  Only a regular file is removed: a path
// naming a device or a pipe (such as /dev/full) is left alone.
void RemovePartialMovie(const char* path) {
    struct stat info;
    if (stat(path, &info) == 0 && S_ISREG(info.st_mode)) {
        std::remove(path);
    }
}

}  // namespace

bool FObjCollection::CreateMovie(const char* path, int32_t width, int32_t height,
                                 uint32_t frameRate, uint8_t version) {
    FILE* file = path != nullptr ? std::fopen(path, "wb") : nullptr;
    if (file == nullptr) {
        return false;
    }
    FSWFStream stream;
    bool written = false;
    try {
        CreateMovie(&stream, width, height, frameRate, version);
        written = stream.WriteToFile(file);
    } catch (...) {
        std::fclose(file);
        RemovePartialMovie(path);
        throw;
    }
    written = std::fclose(file) == 0 && written;
    if (!written) {
        RemovePartialMovie(path);
    }
    return written;
}

void FObjCollection::CreateSprite(FSWFStream* stream, int32_t, int32_t, uint32_t) {
    WriteToSWFStream(stream);
    WriteEndTag(stream);
    ResetCharacterID();
}
