#include "MovieToolbox/SampleDescriptions.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <initializer_list>

#include "Base/MacMemory.h"

namespace mtb {

namespace {

// Field widths of a fixed record: a positive width is a number to swap, a
// negative one a run of bytes kept as they are.
using Layout = std::initializer_list<int>;

constexpr int kHeadSize = 16;
const Layout kHead = {4, 4, 4, 2, 2};
const Layout kImage = {2, 2, 4, 4, 4, 2, 2, 4, 4, 4, 2, -32, 2, 2};
const Layout kSoundV0 = {2, 2, 4, 2, 2, 2, 2, 4};
const Layout kSoundV1Extra = {4, 4, 4, 4};
const Layout kSoundV2 = {2, 2, 4, 2, 2, 2, 2, 4, 4, 8, 4, 4, 4, 4, 4, 4};
const Layout kText = {4, 4, 2, 2, 2, 2, 2, 2, 2, 4, 2, 2, 2, -1, -1, 2, 2, 2, 2};

size_t LayoutSize(const Layout& layout) {
    size_t total = 0;
    for (int width : layout) {
        total += static_cast<size_t>(width < 0 ? -width : width);
    }
    return total;
}

// Swaps the numbers of a layout in place, starting at offset; byte order
// conversion is its own inverse, so one routine serves both directions.
size_t SwapFields(std::span<uint8_t> bytes, size_t offset, const Layout& layout) {
    for (int width : layout) {
        if (width > 0 && std::endian::native == std::endian::little) {
            std::reverse(bytes.begin() + offset, bytes.begin() + offset + width);
        }
        offset += static_cast<size_t>(width < 0 ? -width : width);
    }
    return offset;
}

int SoundVersion(std::span<const uint8_t> bytes, bool fileForm) {
    uint16_t version = 0;
    if (fileForm) {
        version = static_cast<uint16_t>((bytes[16] << 8) | bytes[17]);
    } else {
        std::memcpy(&version, bytes.data() + 16, 2);
    }
    return static_cast<int16_t>(version);
}

// Swaps the fixed record of a description whose size has been checked.
OSErr SwapRecord(OSType mediaType, std::span<uint8_t> bytes, bool fileForm) {
    if (mediaType == SoundMediaType && bytes.size() < 18) {
        return invalidSampleDescription;
    }
    int soundVersion = mediaType == SoundMediaType ? SoundVersion(bytes, fileForm) : 0;
    int fixed = FixedRecordSize(mediaType, soundVersion);
    if (fixed < 0 || bytes.size() < static_cast<size_t>(fixed)) {
        return invalidSampleDescription;
    }
    size_t offset = SwapFields(bytes, 0, kHead);
    switch (mediaType) {
        case VideoMediaType:
            SwapFields(bytes, offset, kImage);
            break;
        case SoundMediaType:
            if (soundVersion == 2) {
                SwapFields(bytes, offset, kSoundV2);
            } else {
                offset = SwapFields(bytes, offset, kSoundV0);
                if (soundVersion == 1) {
                    SwapFields(bytes, offset, kSoundV1Extra);
                }
            }
            break;
        case TextMediaType:
            SwapFields(bytes, offset, kText);
            break;
        default:
            break;
    }
    return noErr;
}

void SetDataRefIndex(std::span<uint8_t> fileForm) {
    fileForm[14] = 0;
    fileForm[15] = 1;
}

}  // namespace

int FixedRecordSize(OSType mediaType, int soundVersion) {
    switch (mediaType) {
        case VideoMediaType:
            return static_cast<int>(kHeadSize + LayoutSize(kImage));
        case SoundMediaType:
            if (soundVersion == 0) {
                return static_cast<int>(kHeadSize + LayoutSize(kSoundV0));
            }
            if (soundVersion == 1) {
                return static_cast<int>(kHeadSize + LayoutSize(kSoundV0) +
                                        LayoutSize(kSoundV1Extra));
            }
            if (soundVersion == 2) {
                return static_cast<int>(kHeadSize + LayoutSize(kSoundV2));
            }
            return -1;
        case TextMediaType:
            return static_cast<int>(kHeadSize + LayoutSize(kText));
        default:
            return kHeadSize;
    }
}

OSErr DescriptionToFile(OSType mediaType, SampleDescriptionHandle description,
                        std::vector<uint8_t>& file) {
    if (description == nullptr || *description == nullptr) {
        return paramErr;
    }
    Size handleSize = GetHandleSize(reinterpret_cast<Handle>(description));
    SInt32 descSize = (*description)->descSize;
    if (handleSize < kHeadSize || descSize < kHeadSize || descSize > handleSize) {
        return invalidSampleDescription;
    }
    auto bytes = reinterpret_cast<const uint8_t*>(*description);
    std::vector<uint8_t> converted(bytes, bytes + descSize);
    OSErr err = SwapRecord(mediaType, converted, false);
    if (err != noErr) {
        return err;
    }
    SetDataRefIndex(converted);
    file = std::move(converted);
    return noErr;
}

OSErr DescriptionFromFile(OSType mediaType, std::span<const uint8_t> file,
                          std::vector<uint8_t>& memory) {
    if (file.size() < static_cast<size_t>(kHeadSize)) {
        return invalidSampleDescription;
    }
    std::vector<uint8_t> converted(file.begin(), file.end());
    OSErr err = SwapRecord(mediaType, converted, true);
    if (err != noErr) {
        return err;
    }
    memory = std::move(converted);
    return noErr;
}

OSErr CopyToHandle(std::span<const uint8_t> memory, Handle handle) {
    if (handle == nullptr) {
        return nilHandleErr;
    }
    SetHandleSize(handle, static_cast<Size>(memory.size()));
    if (MemError() != noErr) {
        return MemError();
    }
    std::memcpy(*handle, memory.data(), memory.size());
    return noErr;
}

}  // namespace mtb
