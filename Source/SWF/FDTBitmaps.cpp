#include "SWF/FDTBitmaps.h"

#include <zlib.h>

#include <cstring>
#include <stdexcept>

#include "SWF/FObjCollection.h"
#include "SWF/FSWFStream.h"

namespace {

enum : uint16_t {
    kTagDefineBits = 6,
    kTagJPEGTables = 8,
    kTagDefineBitsLossless = 20,
    kTagDefineBitsJPEG2 = 21,
    kTagDefineBitsJPEG3 = 35,
    kTagDefineBitsLossless2 = 36,
};

// End of image, start of image: the marker pair that players expect before
// the JPEG data of these tags.
constexpr uint8_t kJpegPrefix[] = {0xFF, 0xD9, 0xFF, 0xD8};
constexpr uint8_t kJpegEnd[] = {0xFF, 0xD9};

std::unique_ptr<uint8_t[]> OwnedData(uint8_t* data, uint32_t length) {
    if (data == nullptr && length != 0) {
        throw std::invalid_argument("bitmap data missing");
    }
    return std::unique_ptr<uint8_t[]>(data);
}

void WriteMarkers(FSWFStream& body, std::span<const uint8_t> markers) {
    for (uint8_t b : markers) {
        body.WriteByte(b);
    }
}

// Formats 3, 4 and 5: 8, 16 and 32 bits per pixel.
bool KnownFormat(uint32_t format) {
    return format >= 3 && format <= 5;
}

}  // namespace

FDTJpegData::FDTJpegData(uint16_t tagCode, bool character, bool markers, uint8_t* data,
                         uint32_t length)
    : m_tagCode(tagCode),
      m_characterID(0),
      m_markers(markers),
      m_length(length),
      m_data(OwnedData(data, length)) {
    if (character) {
        m_characterID = FObjCollection::Increment();
    }
}

void FDTJpegData::WriteToSWFStream(FSWFStream* stream) {
    AppendTagBody(stream, m_tagCode, [this](FSWFStream& body) {
        if (m_characterID != 0) {
            body.WriteWord(m_characterID);
        }
        if (m_markers) {
            WriteMarkers(body, kJpegPrefix);
        }
        body.WriteLargeData(m_data.get(), m_length);
        if (m_markers) {
            WriteMarkers(body, kJpegEnd);
        }
    });
}

FDTJPEGTables::FDTJPEGTables(uint32_t length, uint8_t* data)
    : FDTJpegData(kTagJPEGTables, false, false, data, length) {}

FDTDefineBits::FDTDefineBits(uint32_t length, uint8_t* data)
    : FDTJpegData(kTagDefineBits, true, false, data, length) {}

FDTDefineBitsJPEG2::FDTDefineBitsJPEG2(uint8_t* data, uint32_t length)
    : FDTJpegData(kTagDefineBitsJPEG2, true, true, data, length) {}

FDTDefineBitsJPEG3::FDTDefineBitsJPEG3(uint8_t* jpegData, uint32_t jpegLength, uint8_t* alphaData,
                                       uint32_t alphaLength)
    : m_characterID(FObjCollection::Increment()),
      m_jpegLength(jpegLength),
      m_jpegData(OwnedData(jpegData, jpegLength)),
      m_alphaLength(alphaLength),
      m_alphaData(OwnedData(alphaData, alphaLength)) {
    if (jpegLength > UINT32_MAX - 6) {
        throw std::length_error("JPEG data too long");
    }
}

void FDTDefineBitsJPEG3::WriteToSWFStream(FSWFStream* stream) {
    AppendTagBody(stream, kTagDefineBitsJPEG3, [this](FSWFStream& body) {
        body.WriteWord(m_characterID);
        body.WriteDWord(m_jpegLength + sizeof kJpegPrefix + sizeof kJpegEnd);
        WriteMarkers(body, kJpegPrefix);
        body.WriteLargeData(m_jpegData.get(), m_jpegLength);
        WriteMarkers(body, kJpegEnd);
        body.WriteLargeData(m_alphaData.get(), m_alphaLength);
    });
}

const std::vector<uint8_t>& FDTDefineBitsLosslessBase::Compressed() const {
    if (m_pending.valid()) {
        m_compressed = m_pending.get();
        m_pending = {};
    }
    return m_compressed;
}

uint64_t FDTDefineBitsLosslessBase::RowBytes(uint32_t format, uint32_t width) {
    const uint64_t bits = (uint64_t{1} << format) * width;
    return (bits + 31) / 32 * 4;
}

FDTDefineBitsLosslessBase::FDTDefineBitsLosslessBase(uint16_t tagCode, uint32_t format,
                                                     uint32_t width, uint32_t height,
                                                     int32_t colorTableSize, const uint8_t* table,
                                                     size_t entryBytes, const void* pixels,
                                                     FBitmapDeflater* deflater)
    : m_characterID(0),
      m_tagCode(tagCode),
      m_format(static_cast<uint8_t>(format)),
      m_width(static_cast<uint16_t>(width)),
      m_height(static_cast<uint16_t>(height)),
      m_colorTableSize(colorTableSize) {
    if (!KnownFormat(format)) {
        throw std::invalid_argument("lossless bitmap format must be 3, 4 or 5");
    }
    if (width > 0xFFFF || height > 0xFFFF) {
        throw std::invalid_argument("lossless bitmap larger than 65535 pixels");
    }
    const bool mapped = format == 3;
    if (mapped && (colorTableSize < 1 || colorTableSize > 256 || table == nullptr)) {
        throw std::invalid_argument("colour-mapped bitmap needs a table of 1 to 256 colours");
    }
    const uint64_t pixelBytes = RowBytes(format, width) * height;
    if (pixels == nullptr && pixelBytes != 0) {
        throw std::invalid_argument("lossless bitmap without pixels");
    }
    const size_t tableBytes = mapped ? static_cast<size_t>(colorTableSize) * entryBytes : 0;
    const auto* bytes = static_cast<const uint8_t*>(pixels);
    // Small bitmaps cost less to compress than to hand to another thread.
    if (tableBytes + pixelBytes < FBitmapDeflater::kMinQueuedBytes) {
        deflater = nullptr;
    }
    if (tableBytes == 0 && deflater == nullptr) {
        m_compressed = FBitmapDeflater::Compress(bytes, pixelBytes);
    } else {
        // The colour table and the pixels form one zlib stream.
        std::vector<uint8_t> raw(tableBytes + pixelBytes);
        if (tableBytes != 0) {
            std::memcpy(raw.data(), table, tableBytes);
        }
        if (pixelBytes != 0) {
            std::memcpy(raw.data() + tableBytes, bytes, pixelBytes);
        }
        if (deflater != nullptr) {
            m_pending = deflater->submit(std::move(raw));
        } else {
            m_compressed = FBitmapDeflater::Compress(raw.data(), raw.size());
        }
    }
    // Taken last, so a refused bitmap uses no ID.
    m_characterID = FObjCollection::Increment();
}

void FDTDefineBitsLosslessBase::WriteToSWFStream(FSWFStream* stream) {
    AppendTagBody(stream, m_tagCode, [this](FSWFStream& body) {
        body.WriteWord(m_characterID);
        body.WriteByte(m_format);
        body.WriteWord(m_width);
        body.WriteWord(m_height);
        if (m_format == 3) {
            body.WriteByte(static_cast<uint32_t>(m_colorTableSize - 1));
        }
        body.WriteLargeData(Compressed().data(), CompressedLength());
    });
}

namespace {

// Colour tables as the file stores them: red, green, blue[, alpha] bytes.
template <typename Entry>
std::vector<uint8_t> TableBytes(const Entry* table, int32_t size, bool alpha) {
    std::vector<uint8_t> bytes;
    if (table == nullptr || size <= 0 || size > 256) {
        return bytes;
    }
    for (int32_t i = 0; i < size; ++i) {
        const uint32_t v = table[i].value;
        for (int shift = 0; shift < (alpha ? 32 : 24); shift += 8) {
            bytes.push_back(static_cast<uint8_t>(v >> shift));
        }
    }
    return bytes;
}

}  // namespace

FDTDefineBitsLossless::FDTDefineBitsLossless(uint32_t format, uint32_t width, uint32_t height,
                                             int32_t colorTableSize, const FRGB* colorTable,
                                             const void* pixels, FBitmapDeflater* deflater)
    : FDTDefineBitsLosslessBase(kTagDefineBitsLossless, format, width, height, colorTableSize,
                                TableBytes(colorTable, colorTableSize, false).data(), 3, pixels,
                                deflater) {}

FDTDefineBitsLossless2::FDTDefineBitsLossless2(uint32_t format, uint32_t width, uint32_t height,
                                               int32_t colorTableSize, const FRGBA* colorTable,
                                               const void* pixels, FBitmapDeflater* deflater)
    : FDTDefineBitsLosslessBase(kTagDefineBitsLossless2, format, width, height, colorTableSize,
                                TableBytes(colorTable, colorTableSize, true).data(), 4, pixels,
                                deflater) {}
