// Reading existing uncompressed SWF files tag by tag, and copying them to a
// new file with extra content in front of chosen ShowFrame tags.
//
// Files are untrusted: every tag must lie inside the file and every action
// record inside its DoAction tag.  A read past the end, a tag or action that
// runs past its container, or a failed write throws CFileException inside
// the walk; the file operations catch it and report false (or a zero size).
// All multi-byte numbers are little-endian and bit fields most significant
// bit first, as in the SWF format.
#pragma once

#include <cstdint>

#include "Portability/CFile.h"
#include "Portability/CString.h"
#include "Portability/Geometry.h"

namespace SWFParse {

// A byte and bit cursor over a seekable store.
//
// Bit fields keep a buffer byte and a bit position (0 = byte aligned).
// Every byte-level operation realigns first: a pending partial byte is
// dropped when reading, and written as the next byte when the cursor is
// writable.
class ISWFIterator {
  public:
    explicit ISWFIterator(bool writable = false);
    virtual ~ISWFIterator();
    ISWFIterator(const ISWFIterator&) = delete;
    ISWFIterator& operator=(const ISWFIterator&) = delete;

    // The base versions only handle the bit state: ReadByte realigns and
    // gives 0, WriteByte writes out a pending partial byte.
    virtual unsigned char ReadByte();
    virtual void WriteByte(unsigned char value);
    // Realigns, then moves n bytes (may be negative).
    virtual void Advance(int n);
    virtual unsigned long long GetPos() = 0;
    // Throws CFileException for a position past the end of the store.
    virtual void SetPos(unsigned long long pos) = 0;
    // Reads or writes count bytes at pos and leaves the position as it was.
    // A short read or a failed write throws CFileException.
    virtual void ReadBytes(unsigned long long pos, unsigned char* buffer, int count) = 0;
    virtual void WriteBytes(unsigned long long pos, const unsigned char* data, int count) = 0;
    // Writes at the position and moves past the bytes.
    virtual void AppendBytes(const unsigned char* data, int count);
    // Size of the store in bytes.
    virtual unsigned long long GetLength() = 0;

    // Bytes from the position to the end of the store (0 past the end).
    unsigned long long Remaining();

    // n-bit fields, n from 0 to 32; n = 0 reads nothing and gives 0.
    unsigned int ReadBits(int n);
    // Sign-extended from bit n - 1.
    int ReadSignedBits(int n);
    // The low n bits of value; a byte is written when its eighth bit is set.
    void WriteBits(unsigned int value, int n);
    unsigned int ReadUI16();
    unsigned int ReadUI32();
    void WriteUI16(unsigned int value);
    void WriteUI32(unsigned int value);

    void Realign();
    bool IsWritable() const { return m_writable; }

  protected:
    void ClearBits();
    void SetWritable(bool writable) { m_writable = writable; }

  private:
    unsigned char m_bitBuffer = 0;
    int m_bitPos = 0;  // 0..7; 0 = byte aligned
    bool m_writable;
};

// The iterator over a file.
class CFileSource : public ISWFIterator {
  public:
    CFileSource();
    // Realigns and closes the file.
    ~CFileSource() override;

    // Opens an existing regular file (a missing one is not created), for
    // reading or, with readWrite, for reading and writing.  The cursor is not
    // writable: it never writes partial bytes of bit fields.
    bool OpenExisting(const CString& path, bool readWrite);
    // Creates the file or empties an existing one, for reading and writing,
    // with a writable cursor.
    bool Create(const CString& path);
    void Close();

    unsigned char ReadByte() override;
    void WriteByte(unsigned char value) override;
    unsigned long long GetPos() override;
    void SetPos(unsigned long long pos) override;
    void ReadBytes(unsigned long long pos, unsigned char* buffer, int count) override;
    void WriteBytes(unsigned long long pos, const unsigned char* data, int count) override;
    unsigned long long GetLength() override;

  private:
    void Seek(unsigned long long pos);
    void Write(const unsigned char* data, int count);

    CFile m_file;
    bool m_open = false;
};

// True when both paths name the same existing file.
bool IsSameFile(const CString& a, const CString& b);

// The uncompressed signature F, W, S, first byte most significant.
constexpr uint32_t kSWFSignature = 0x465753;

struct SWFHeader {
    uint32_t signature = 0;
    uint8_t version = 0;
    uint32_t fileLength = 0;
    int32_t xMin = 0;  // stage rectangle, twips
    int32_t xMax = 0;
    int32_t yMin = 0;
    int32_t yMax = 0;
    uint16_t frameRate = 0;  // 8.8 fixed point
    uint16_t frameCount = 0;
};

// Reads the header at the position.  Fields past the signature mean nothing
// unless the signature is kSWFSignature.
SWFHeader ReadSWFHeader(ISWFIterator& it);
// Writes the header with a 31-bit stage rectangle.  Throws CFileException
// when a stage value does not fit 31 signed bits.
void WriteSWFHeader(ISWFIterator& out, const SWFHeader& header);

// A tag (or action) callback: the cursor stands at the body; it may move
// freely, the walk goes on after the body whatever it does.
typedef void (*SWFTagProc)(ISWFIterator& it, int code, int length, unsigned long long user);
// Called in front of each ShowFrame tag, frames counted from 1; what it
// appends to `out` lands inside that frame.
typedef void (*SWFInjectProc)(ISWFIterator& out, int frameNumber, void* user);
// May change any field of the header before it is written.
typedef void (*SWFHeaderProc)(SWFHeader& header, void* user);

// One tag walk in progress.
struct SWFTagCallback {
    SWFTagCallback(SWFTagProc tagCallback, SWFTagProc actionCallback, unsigned long long user)
        : m_pfnTag(tagCallback), m_pfnAction(actionCallback), m_user(user) {}

    // Reads one tag header, hands the body to the tag callback, walks the
    // actions of a DoAction tag when there is an action callback, and leaves
    // the cursor after the body.
    void Read(ISWFIterator& it);
    // Walks the action records of the m_nLength body bytes at the position
    // until ActionEnd (handled too) or the end of the body.
    void ParseAction(ISWFIterator& it);

    int m_nCode = 0;
    int m_nLength = 0;
    SWFTagProc m_pfnTag;
    SWFTagProc m_pfnAction;
    unsigned long long m_user;
};

// Walks tags from the position up to and including the End tag.
void LoopThroughTags(ISWFIterator& it, SWFTagProc tagCallback, SWFTagProc actionCallback,
                     unsigned long long user);

// Walks every tag of the file (opened read-write when `writable` is
// non-zero, so callbacks may change bytes in place).  False when the file
// cannot be opened, is not an uncompressed SWF file, or is damaged.
bool ParseSWF(const CString& path, int writable, SWFTagProc tagCallback, SWFTagProc actionCallback,
              unsigned long long user);

// The stage size in whole pixels, (0, 0) for a missing or non-SWF file.
CSize GetSWFDimensions(const CString& path, int unused);

// Copies inPath to outPath (created, or emptied when it exists), calling
// `injector` in front of each ShowFrame tag and `headerCallback` with the
// header before it is written.  Every tag is written with the long-form
// header, the stage rectangle with 31-bit fields, and the header's file
// length is set to the output's length.  False when the input cannot be
// read, is not an uncompressed SWF file or is damaged, when both paths name
// the same file, or when the output cannot be written; after a failure
// midway the partial output stays.
bool InjectSWFCode(const CString& inPath, const CString& outPath, SWFInjectProc injector,
                   void* user, SWFHeaderProc headerCallback);

// What AddCodeToFrames works with: the output, the number of the frame
// whose ShowFrame comes next (from 1), and the injector with its value.
struct SWFInjectContext {
    ISWFIterator* out;
    int frameNumber;
    SWFInjectProc injector;
    void* user;
};

// Copies the tag whose body stands at the input's position to `out`, with
// the long-form header.
void CopyTagLongForm(ISWFIterator& in, ISWFIterator& out, int code, int length);

}  // namespace SWFParse

// The tag callback of InjectSWFCode; `context` is the address of an
// SWFInjectContext.  Calls the injector in front of a ShowFrame tag, then
// copies the tag with the long-form header.
void AddCodeToFrames(SWFParse::ISWFIterator& it, int code, int length, unsigned long long context);
