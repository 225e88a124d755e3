#include "SWFPost/SWFParse.h"

#include <algorithm>
#include <climits>
#include <iterator>
#include <vector>

namespace SWFParse {

namespace {

constexpr int kTagEnd = 0;
constexpr int kTagShowFrame = 1;
constexpr int kTagDoAction = 12;
constexpr unsigned int kLongLengthMark = 0x3F;
constexpr int kFirstActionWithLength = 0x80;
constexpr int kStageRectBits = 31;
constexpr unsigned long long kFileLengthOffset = 4;
// Bodies are copied in pieces of this size, so memory stays bounded
// whatever a tag claims.
constexpr unsigned long long kCopyChunk = 64 * 1024;

bool FitsStageField(int32_t value) {
    return value >= -(1 << (kStageRectBits - 1)) && value < (1 << (kStageRectBits - 1));
}

}  // namespace

SWFHeader ReadSWFHeader(ISWFIterator& it) {
    SWFHeader header;
    for (int i = 0; i < 3; ++i) {
        header.signature = (header.signature << 8) | it.ReadByte();
    }
    header.version = it.ReadByte();
    header.fileLength = it.ReadUI32();
    const int bits = static_cast<int>(it.ReadBits(5));
    header.xMin = it.ReadSignedBits(bits);
    header.xMax = it.ReadSignedBits(bits);
    header.yMin = it.ReadSignedBits(bits);
    header.yMax = it.ReadSignedBits(bits);
    it.Realign();
    header.frameRate = static_cast<uint16_t>(it.ReadUI16());
    header.frameCount = static_cast<uint16_t>(it.ReadUI16());
    return header;
}

void WriteSWFHeader(ISWFIterator& out, const SWFHeader& header) {
    const int32_t stage[] = {header.xMin, header.xMax, header.yMin, header.yMax};
    if (!std::all_of(std::begin(stage), std::end(stage), FitsStageField)) {
        throw CFileException();
    }
    for (int shift = 16; shift >= 0; shift -= 8) {
        out.WriteByte(static_cast<unsigned char>(header.signature >> shift));
    }
    out.WriteByte(header.version);
    out.WriteUI32(header.fileLength);
    out.WriteBits(kStageRectBits, 5);
    for (int32_t value : stage) {
        out.WriteBits(static_cast<unsigned int>(value), kStageRectBits);
    }
    out.WriteUI16(header.frameRate);  // completes the rectangle's last byte first
    out.WriteUI16(header.frameCount);
}

void SWFTagCallback::Read(ISWFIterator& it) {
    const unsigned int codeAndLength = it.ReadUI16();
    unsigned long long length = codeAndLength & kLongLengthMark;
    if (length == kLongLengthMark) {
        length = it.ReadUI32();
    }
    if (length > it.Remaining() || length > static_cast<unsigned long long>(INT_MAX)) {
        throw CFileException();  // the tag runs past the end of the file
    }
    m_nCode = static_cast<int>(codeAndLength >> 6);
    m_nLength = static_cast<int>(length);
    const unsigned long long body = it.GetPos();
    if (m_pfnTag != nullptr) {
        m_pfnTag(it, m_nCode, m_nLength, m_user);
    }
    if (m_nCode == kTagDoAction && m_pfnAction != nullptr) {
        if (m_pfnTag != nullptr) {
            it.SetPos(body);
        }
        ParseAction(it);
    }
    it.SetPos(body + length);
}

void SWFTagCallback::ParseAction(ISWFIterator& it) {
    if (m_nLength < 0 || static_cast<unsigned long long>(m_nLength) > it.Remaining()) {
        throw CFileException();
    }
    const unsigned long long end = it.GetPos() + static_cast<unsigned long long>(m_nLength);
    // A body that ends without ActionEnd ends the walk, as in players.
    while (it.GetPos() < end) {
        const int code = it.ReadByte();
        unsigned long long length = 0;
        if (code >= kFirstActionWithLength) {
            if (end - it.GetPos() < 2) {
                throw CFileException();
            }
            length = it.ReadUI16();
        }
        const unsigned long long data = it.GetPos();
        if (length > end - data) {
            throw CFileException();  // the action runs past its tag
        }
        if (m_pfnAction != nullptr) {
            m_pfnAction(it, code, static_cast<int>(length), m_user);
        }
        it.SetPos(data + length);
        if (code == 0) {
            return;
        }
    }
}

void LoopThroughTags(ISWFIterator& it, SWFTagProc tagCallback, SWFTagProc actionCallback,
                     unsigned long long user) {
    // Each tag moves the cursor forward by at least its 2-byte header and no
    // tag reaches past the end, so the walk ends.
    SWFTagCallback walk(tagCallback, actionCallback, user);
    do {
        walk.Read(it);
    } while (walk.m_nCode != kTagEnd);
}

bool ParseSWF(const CString& path, int writable, SWFTagProc tagCallback, SWFTagProc actionCallback,
              unsigned long long user) {
    CFileSource source;
    if (!source.OpenExisting(path, writable != 0)) {
        return false;
    }
    try {
        if (ReadSWFHeader(source).signature != kSWFSignature) {
            return false;
        }
        LoopThroughTags(source, tagCallback, actionCallback, user);
        return true;
    } catch (const CFileException&) {
        return false;
    }
}

CSize GetSWFDimensions(const CString& path, int) {
    CFileSource source;
    if (!source.OpenExisting(path, false)) {
        return CSize();
    }
    try {
        const SWFHeader header = ReadSWFHeader(source);
        if (header.signature != kSWFSignature) {
            return CSize();
        }
        // Fields of at most 31 bits: the differences fit.
        return CSize((header.xMax - header.xMin) / 20, (header.yMax - header.yMin) / 20);
    } catch (const CFileException&) {
        return CSize();
    }
}

void CopyTagLongForm(ISWFIterator& in, ISWFIterator& out, int code, int length) {
    if (code < 0 || code > 0x3FF || length < 0) {
        throw CFileException();
    }
    out.WriteUI16((static_cast<unsigned int>(code) << 6) | kLongLengthMark);
    out.WriteUI32(static_cast<unsigned int>(length));
    const unsigned long long total = static_cast<unsigned long long>(length);
    std::vector<unsigned char> buffer(std::min(total, kCopyChunk));
    const unsigned long long from = in.GetPos();
    for (unsigned long long done = 0; done < total;) {
        const int piece = static_cast<int>(std::min(total - done, kCopyChunk));
        in.ReadBytes(from + done, buffer.data(), piece);
        out.AppendBytes(buffer.data(), piece);
        done += static_cast<unsigned long long>(piece);
    }
}

bool InjectSWFCode(const CString& inPath, const CString& outPath, SWFInjectProc injector,
                   void* user, SWFHeaderProc headerCallback) {
    CFileSource input;
    if (!input.OpenExisting(inPath, false) || IsSameFile(inPath, outPath)) {
        return false;  // writing over the input would destroy it while it is read
    }
    try {
        SWFHeader header = ReadSWFHeader(input);
        if (header.signature != kSWFSignature) {
            return false;
        }
        if (headerCallback != nullptr) {
            headerCallback(header, user);
        }
        // The tags are copied as they are: the output cannot claim another
        // encoding.
        if (header.signature != kSWFSignature) {
            return false;
        }
        CFileSource output;
        if (!output.Create(outPath)) {
            return false;
        }
        WriteSWFHeader(output, header);
        SWFInjectContext context{&output, 1, injector, user};
        LoopThroughTags(input, AddCodeToFrames, nullptr,
                        reinterpret_cast<unsigned long long>(&context));
        output.Realign();
        const unsigned long long length = output.GetLength();
        if (length > UINT32_MAX) {
            return false;
        }
        const unsigned char bytes[4] = {
            static_cast<unsigned char>(length), static_cast<unsigned char>(length >> 8),
            static_cast<unsigned char>(length >> 16), static_cast<unsigned char>(length >> 24)};
        output.WriteBytes(kFileLengthOffset, bytes, 4);
        output.Close();
        return true;
    } catch (const CFileException&) {
        return false;
    }
}

}  // namespace SWFParse

void AddCodeToFrames(SWFParse::ISWFIterator& it, int code, int length, unsigned long long context) {
    auto* inject = reinterpret_cast<SWFParse::SWFInjectContext*>(context);
    if (code == SWFParse::kTagShowFrame) {
        if (inject->injector != nullptr) {
            inject->injector(*inject->out, inject->frameNumber, inject->user);
        }
        if (inject->frameNumber < INT_MAX) {
            ++inject->frameNumber;
        }
    }
    SWFParse::CopyTagLongForm(it, *inject->out, code, length);
}
