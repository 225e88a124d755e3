// Reads an MVRC capture file frame by frame.  The reader keeps the frame as
// rebuilt so far (the canvas); each record changes the pixels inside its
// rectangles, and readFrame hands the caller a copy with the record's cursor
// sprite drawn over it (the canvas never receives the sprite).
//
// The same decoding serves frame records held in memory (the samples of
// 'MVRC' movies): beginFrames takes the format a file header would give, and
// decodeFrameRecord decodes one whole record against the canvas.
//
// Every size read from the file is checked against what is left of the file,
// the frame and the buffers before anything is allocated or written.  A
// damaged file raises MVRCReaderException with a message saying what was
// wrong; a damaged zlib stream (a data error, an allocation failure or a
// dictionary request) raises the integer 1.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "Capture/MVRCFormat.h"
#include "Capture/MVRCReaderException.h"
#include "CoreGraphics/CGGeometry.h"
#include "MVDCommon/MVDImage.h"

class ZlibInflater;

// Where a capture file read with salvage on turned out cut short.
struct MVRCTruncation {
    uint64_t fileSize = 0;   // where the file ends
    uint64_t framesEnd = 0;  // where the last whole frame ends
    uint64_t frames = 0;     // the whole frames read
    std::string detail;      // what could not be read, as the reader's error says it
    // One line for people, ending with a newline.
    std::string message() const;
};

class MVRCReader {
  public:
    MVRCReader();
    MVRCReader(const MVRCReader&) = delete;
    MVRCReader& operator=(const MVRCReader&) = delete;
    ~MVRCReader();

    // Opens the capture file for reading; MVRCReaderException when it
    // cannot be opened.
    void openFile(const char* path);
    // Reads from an open stream instead (for example one of fmemopen); the
    // reader closes it.  The stream must be seekable.
    void openStream(FILE* stream);
    void closeFile();

    // Reads and checks the file header and allocates the canvas.  Frames
    // must be 32-bit ARGB or 'BGRA' and at most 16384 pixels a side (2^27 in
    // all).
    void readHeader(_MVRCHeader* header);
    // Prepares to decode frame records of this format without a file: the
    // checks and allocations of readHeader, from a header already known (its
    // signature is not looked at).  The canvas starts all zero.
    void beginFrames(const _MVRCHeader& header);
    // Decodes one frame record held in memory, from its "SMPL" tag up to and
    // including its optional sprite chunk, as readFrame does: into the
    // canvas, and into out (when not null) with the sprite drawn.  The
    // record must end exactly where its last chunk does
    // (MVRCReaderException otherwise, as for any damage).  An open file's
    // place is not disturbed.
    void decodeFrameRecord(std::span<const unsigned char> record, _MVRCFrameHeader* header,
                           MVDImage* out);

    // Reads the next frame record into the canvas and, when out is not
    // null, copies the canvas into out (same size and format) with the
    // sprite drawn over it.  Returns false at the end marker (and after
    // it).  A file that
    // ends before its end marker raises MVRCReaderException saying where it
    // ends, unless salvage is on: then readFrame returns false there too and
    // truncation() tells where the file was cut (the canvas may then hold
    // part of the cut frame; out is left as the last whole frame gave it).
    // Other damage is thrown with salvage on as well.
    bool readFrame(_MVRCFrameHeader* header, MVDImage* out);

    // Salvage of a recording that died: the frames of a file cut short are
    // read up to the last whole one, and convertToMOV then finishes its
    // movie without throwing.  Off by default; kept across files.
    void setSalvage(bool salvage) { m_salvage = salvage; }
    bool salvage() const { return m_salvage; }
    // Set when readFrame, with salvage on, found the file cut short; reset
    // when a file is opened.
    const std::optional<MVRCTruncation>& truncation() const { return m_truncation; }

    // Decode one frame's rectangle data into the canvas, one routine per
    // compression type (0, 1, 2, 3, 4).  Each returns true or throws.
    bool processUncompressedRects(unsigned int rectCount, CGRect* rects);
    bool processZlibRects(unsigned int rectCount, CGRect* rects);
    bool processDeltaRLERects(unsigned int rectCount, CGRect* rects);
    bool processDeltaRLEZlibRects(unsigned int rectCount, CGRect* rects);
    bool processYUVDeltaRLERects(unsigned int rectCount, CGRect* rects);

    // Diagnostic: writes the bytes of the last rectangle data read, one
    // rectangle after another, as PPM files "<dir>/<frame> dirtyrect <i>.ppm"
    // (the folder is "/PPM" unless set), printing what it does.
    void writeDirtyRectsAsPPM(unsigned int rectCount, CGRect* rects);
    void setPPMDirectory(std::string directory) { m_ppmDirectory = std::move(directory); }

    const _MVRCHeader& header() const { return m_header; }
    // The frame as rebuilt so far, without sprite; null before readHeader.
    const MVDImage* canvas() const { return m_canvas.get(); }
    // The last cursor image read, or null.
    const MVDImage* sprite() const { return m_sprite.get(); }
    // Whether the last frame read had a sprite chunk, and where its sprite
    // is drawn (the sprite image's own size at the chunk's origin).
    bool frameHasSprite() const { return m_frameHasSprite; }
    tagMVDRect frameSpriteRect() const { return m_spriteRect; }
    // The rectangles of the last frame read.
    const std::vector<tagMVDRect>& frameRects() const { return m_rects; }

    // Converts a whole capture file into a QuickTime movie at moviePath
    // (replacing a file there): one lossless Animation ('rle ') video track
    // whose frames are the capture frames with their sprites drawn, lines
    // in reverse order (capture frames keep the screen's bottom line
    // first), each lasting sampleDuration units of the track's time scale
    // (600), at least 1; a capture without frames gives a movie without
    // tracks.  A frame with a frame rate of 0 has no display
    // time and is refused.  When the capture file turns out damaged or cut
    // short, the frames read before the damage are still finished into a
    // playable movie, then the reader's exception is thrown (with salvage
    // on, a file cut short is not thrown: see truncation()); failures of
    // the movie itself (SetupException, MVDException) leave it unfinished.
    void convertToMOV(char const* capturePath, char const* moviePath);

    // How long a frame lasts in units of timeScale: (timeScale / frame rate)
    // x duration, the division first and truncated, saturated at 2^32 - 1;
    // none when the frame rate is 0.
    static std::optional<uint32_t> sampleDuration(const _MVRCFrameHeader& frame,
                                                  uint32_t timeScale);

  private:
    void requireHeader() const;
    uint64_t remaining() const { return m_fileSize - m_offset; }
    void readBytes(void* into, uint64_t n, const char* what);
    // Throws for input that ends before what it announces, adding where it
    // ends.
    [[noreturn]] void failAtEnd(std::ostringstream& message);
    // readFrame without salvage.
    bool readFrameRecord(_MVRCFrameHeader* header, MVDImage* out);
    void seekTo(uint64_t offset);
    // Reads a frame header and the rest of its record.
    void readFrameAfterTag(_MVRCFrameHeader* header, MVDImage* out);
    bool readTag(const unsigned char (&tag)[kMVRCTagSize]);
    uint32_t readChunkHeader(unsigned int index);
    void readRectList(uint32_t count);
    tagMVDRect rectInFrame(const CGRect& rect, unsigned int index) const;
    void readChunkInto(std::vector<unsigned char>* buffer, uint32_t size, size_t limit,
                       unsigned int index);
    void decodeDeltaRLE(const tagMVDRect& r, const unsigned char* data, size_t size,
                        unsigned int index);
    void readSprite(MVDImage* out);
    ZlibInflater& inflater();

    FILE* m_stream = nullptr;
    // While a record in memory is decoded, the bytes read instead of the
    // stream; m_fileSize and m_offset then measure the record.
    const unsigned char* m_memory = nullptr;
    uint64_t m_fileSize = 0;
    uint64_t m_offset = 0;
    _MVRCHeader m_header{};
    std::unique_ptr<MVDImage> m_canvas;
    std::vector<unsigned char> m_compressed;  // zlib bytes of a chunk
    std::vector<unsigned char> m_scratch;     // a chunk's bytes, or inflated Delta RLE data
    std::vector<unsigned char> m_planes;      // Y, U and V of one rectangle
    std::unique_ptr<MVDImage> m_sprite;
    uint32_t m_pixelMask = 0xFFFFFFFFu;
    std::unique_ptr<ZlibInflater> m_inflater;
    std::vector<tagMVDRect> m_rects;
    std::vector<CGRect> m_cgRects;
    bool m_frameHasSprite = false;
    tagMVDRect m_spriteRect{};
    bool m_salvage = false;
    bool m_endReached = false;  // the last failure was input that ended early
    bool m_endMarkerRead = false;
    uint64_t m_framesRead = 0;
    std::optional<MVRCTruncation> m_truncation;
    std::string m_ppmDirectory = "/PPM";
    int m_ppmFrame = 0;
};
