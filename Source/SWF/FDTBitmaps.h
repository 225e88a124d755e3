// Bitmap definitions: JPEG bitmaps (DefineBits with JPEGTables,
// DefineBitsJPEG2, DefineBitsJPEG3 with an alpha plane) and zlib-compressed
// lossless bitmaps (DefineBitsLossless, DefineBitsLossless2).  A bitmap is
// seen only through a bitmap fill of a shape.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "SWF/FBitmapDeflater.h"
#include "SWF/FColor.h"
#include "SWF/FObj.h"

// JPEG data in a tag of its own, optionally a character with an ID and
// wrapped in the marker pair players expect before it.  Owns the data
// (allocated with new[]).
class FDTJpegData : public FDT {
  public:
    uint16_t ID() override { return m_characterID; }
    void WriteToSWFStream(FSWFStream* stream) override;

  protected:
    FDTJpegData(uint16_t tagCode, bool character, bool markers, uint8_t* data, uint32_t length);

  private:
    uint16_t m_tagCode;
    uint16_t m_characterID;
    bool m_markers;
    uint32_t m_length;
    std::unique_ptr<uint8_t[]> m_data;
};

// JPEGTables (8): the encoding tables shared by DefineBits tags.  Not a
// character.
class FDTJPEGTables : public FDTJpegData {
  public:
    FDTJPEGTables(uint32_t length, uint8_t* data);
};

// DefineBits (6): JPEG image data using the JPEGTables.
class FDTDefineBits : public FDTJpegData {
  public:
    FDTDefineBits(uint32_t length, uint8_t* data);
};

// DefineBitsJPEG2 (21): a JPEG stream with its own tables.
class FDTDefineBitsJPEG2 : public FDTJpegData {
  public:
    FDTDefineBitsJPEG2(uint8_t* data, uint32_t length);
};

// DefineBitsJPEG3 (35): a JPEG stream and its zlib-compressed alpha plane
// (one byte per pixel).  Owns both.
class FDTDefineBitsJPEG3 : public FDT {
  public:
    FDTDefineBitsJPEG3(uint8_t* jpegData, uint32_t jpegLength, uint8_t* alphaData,
                       uint32_t alphaLength);
    uint16_t ID() override { return m_characterID; }
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    uint16_t m_characterID;
    uint32_t m_jpegLength;
    std::unique_ptr<uint8_t[]> m_jpegData;
    uint32_t m_alphaLength;
    std::unique_ptr<uint8_t[]> m_alphaData;
};

// The shared part of the lossless bitmaps.  Formats: 3 one colour-table
// index per pixel, 4 big-endian x-5-5-5, 5 four bytes (alpha or 0xFF, red,
// green, blue).  Rows are read padded to 32 bits, as the format stores
// them.  Colour table and pixels are compressed at once (zlib level 9),
// here or on the workers of an FBitmapDeflater, and not kept.
class FDTDefineBitsLosslessBase : public FDT {
  public:
    uint16_t ID() override { return m_characterID; }
    void WriteToSWFStream(FSWFStream* stream) override;

    // Waits for the stream when a deflater compresses it.
    uint32_t CompressedLength() const { return static_cast<uint32_t>(Compressed().size()); }
    // Bytes of one padded row of a `format` bitmap `width` pixels wide.
    static uint64_t RowBytes(uint32_t format, uint32_t width);

  protected:
    // `table` holds colorTableSize entries of `entryBytes` bytes (red, green,
    // blue[, alpha]); it is used only by format 3.  Throws
    // std::invalid_argument for an unknown format, a table size outside
    // 1..256 with format 3, or missing pixels; std::runtime_error when zlib
    // fails.  With a deflater the stream is compressed on its workers (the
    // bytes are copied first) and zlib's failure is thrown when the stream
    // is first needed.
    FDTDefineBitsLosslessBase(uint16_t tagCode, uint32_t format, uint32_t width, uint32_t height,
                              int32_t colorTableSize, const uint8_t* table, size_t entryBytes,
                              const void* pixels, FBitmapDeflater* deflater);

  private:
    // The stream, collected from the deflater the first time it is needed.
    const std::vector<uint8_t>& Compressed() const;

    uint16_t m_characterID;
    uint16_t m_tagCode;
    uint8_t m_format;
    uint16_t m_width;
    uint16_t m_height;
    int32_t m_colorTableSize;
    mutable std::vector<uint8_t> m_compressed;
    mutable FBitmapDeflater::Result m_pending;  // valid while a worker has it
};

// DefineBitsLossless (20): opaque; colour table entries are RGB.
class FDTDefineBitsLossless : public FDTDefineBitsLosslessBase {
  public:
    FDTDefineBitsLossless(uint32_t format, uint32_t width, uint32_t height, int32_t colorTableSize,
                          const FRGB* colorTable, const void* pixels,
                          FBitmapDeflater* deflater = nullptr);
};

// DefineBitsLossless2 (36): with alpha; colour table entries are RGBA and
// format-5 pixels carry premultiplied alpha first.
class FDTDefineBitsLossless2 : public FDTDefineBitsLosslessBase {
  public:
    FDTDefineBitsLossless2(uint32_t format, uint32_t width, uint32_t height, int32_t colorTableSize,
                           const FRGBA* colorTable, const void* pixels,
                           FBitmapDeflater* deflater = nullptr);
};
