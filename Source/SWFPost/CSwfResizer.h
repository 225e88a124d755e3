// Building blocks for changing the stage size of an SWF file: tag headers,
// rectangle records, bit packing, the search for the largest shape, and the
// heights of the player-controller skins.  Resize itself is not offered and
// reports failure.
//
// Multi-byte numbers are little-endian and bit fields most significant bit
// first, as in the SWF format.  Tag codes hold 10 bits.
#pragma once

#include "Portability/CFile.h"
#include "Portability/CString.h"
#include "SWFExport/CSWFConfig.h"

class CSwfResizer {
  public:
    // A rectangle record: the field size n, then four n-bit signed values.
    class CSwfRect {
      public:
        CSwfRect() = default;
        CSwfRect(unsigned char bits, int xMin, int xMax, int yMin, int yMax)
            : m_nBits(bits), m_xMin(xMin), m_xMax(xMax), m_yMin(yMin), m_yMax(yMax) {}
        virtual ~CSwfRect() = default;

        // Bits each field needs for the four values (sign bit included, at
        // least 2), stored into m_nBits when `store` is non-zero.  Values
        // that need 32 bits give 32, which a record cannot hold.
        unsigned char CalcFieldSize(int store);
        // Bytes of the record: (4 n + 5) bits rounded up.
        int GetByteSize() const;

        unsigned char m_nBits = 0;
        int m_xMin = 0;
        int m_xMax = 0;
        int m_yMin = 0;
        int m_yMax = 0;
    };

    virtual ~CSwfResizer() = default;

    // Not offered: does nothing and returns false.
    bool Resize(CString& in, CString& out, int width, int height, unsigned int flags);

    // Reads a tag header at the file position: code = value >> 6, shortLength
    // = value & 63 and, when that is 63, the 32-bit longLength.  Returns the
    // header size, 2 or 6 (longLength untouched for 2), or 0 when the file
    // ends first (the position is then restored).
    static int ReadTagHeader(CFile* file, unsigned short& code, unsigned char& shortLength,
                             unsigned int& longLength);
    // Writes a tag header.  The long form (returns 6) carries longLength when
    // shortLength is 63, or shortLength itself when it is larger than 63, or
    // when the code is one of those that always take the long form
    // (SoundStreamBlock 19, DefineBitsLossless 20, DefineBitsLossless2 36).
    // Otherwise the short form (returns 2).  0 when the code does not fit
    // 10 bits or the file refuses the bytes.
    static int WriteTagHeader(CFile* file, unsigned short code, unsigned char shortLength,
                              unsigned int longLength);
    // Reads a rectangle record at the file position; stores each value
    // divided by 20 (whole pixels, truncated) and leaves the position just
    // after the record.  False (position restored) when the file ends inside
    // the record.
    static bool ReadRect(CFile* file, CSwfRect& rect);
    // Writes the record with the rectangle's m_nBits and values as they are.
    // False (nothing written) when m_nBits exceeds 31, a value does not fit
    // m_nBits signed bits, or the file refuses the bytes.
    static bool WriteRect(CFile* file, CSwfRect& rect);
    // Sets the rectangle to (0, width x 20, 0, height x 20) twips with the
    // field size those need.  False (rectangle untouched) for a negative
    // size or one too large for a record.
    static bool ResizeRect(CSwfRect& rect, int width, int height);
    // Walks the tags from startPos (from the position when 0) to the End tag
    // and returns the header position of the DefineShape, DefineShape2 or
    // DefineShape3 tag with the largest bounds, 0 when there is none or the
    // tags are damaged.  The file position is restored.
    static unsigned int FindShape(CFile* file, unsigned int startPos);

    // count bits from buffer at bytePos/bitPos into value, most significant
    // first; the positions advance.  The caller's buffer must hold them.
    static bool ReadBits(unsigned char* buffer, unsigned int count, unsigned int& value,
                         unsigned int& bytePos, unsigned int& bitPos);
    // ORs the low count bits of value into buffer, most significant first,
    // and zeroes each byte the positions move to.  When the bits end on a
    // byte boundary, the byte after them is zeroed too: the buffer must hold
    // it.
    static bool WriteBits(unsigned char* buffer, unsigned int count, unsigned int value,
                          unsigned int& bytePos, unsigned int& bitPos);
    // Sign-extends a count-bit value (count 0 gives 0).
    static int ToSignedBits(unsigned int value, unsigned char count);
    // Little-endian number of count bytes (0 for count < 1; bytes past the
    // fourth do not fit and are not read).
    static unsigned int ByteToUnsignedNumber(const unsigned char* bytes, int count);
    // Stores the count low bytes of value little-endian (bytes past the
    // fourth are 0); returns bytes.
    static unsigned char* UnsignedNumberToByte(unsigned int value, int count, unsigned char* bytes);

    // Heights of the configuration's skin: playerHeightSum gets the player
    // height added, headerHeight and tocDividerHeight are set; null pointers
    // are skipped.  False, and nothing changed, for a null configuration or
    // an unknown skin.
    static bool GetSWFControllerInfo(const CSWFConfig* config, int* playerHeightSum,
                                     int* headerHeight, int* tocDividerHeight);
    // Each 0 for a null configuration or an unknown skin.
    static int GetSWFControllerHeaderHeight(const CSWFConfig* config);
    static int GetSWFControllerPlayerHeight(const CSWFConfig* config);
    static int GetSWFControllerTOCDividerHeight(const CSWFConfig* config);
    // Header plus player height.
    static int GetSWFControllerTotalHeight(const CSWFConfig* config);
};
