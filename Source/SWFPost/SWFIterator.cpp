#include <climits>
#include <cstring>
#include <stdexcept>

#include "SWFPost/SWFParse.h"

namespace SWFParse {

namespace {

// A reference to the existing regular file at `path`.
bool ExistingFile(const CString& path, FSRef* ref) {
    char utf8[kFSPathMax];  // a longer path cannot name a file here
    Boolean isFolder = false;
    return CFStringGetCString(static_cast<CFStringRef>(path), utf8, sizeof utf8,
                              kCFStringEncodingUTF8) &&
           FSPathMakeRef(reinterpret_cast<const UInt8*>(utf8), ref, &isFolder) == noErr &&
           !isFolder;
}

}  // namespace

bool IsSameFile(const CString& a, const CString& b) {
    FSRef refA;
    FSRef refB;
    return ExistingFile(a, &refA) && ExistingFile(b, &refB) &&
           std::strcmp(refA.path, refB.path) == 0;
}

// --- ISWFIterator -----------------------------------------------------------

ISWFIterator::ISWFIterator(bool writable) : m_writable(writable) {}

ISWFIterator::~ISWFIterator() = default;

unsigned char ISWFIterator::ReadByte() {
    ClearBits();
    return 0;
}

void ISWFIterator::WriteByte(unsigned char) {
    Realign();
    ClearBits();
}

void ISWFIterator::Advance(int n) {
    Realign();
    const unsigned long long pos = GetPos();
    if (n < 0 && static_cast<unsigned long long>(-static_cast<long long>(n)) > pos) {
        throw CFileException();
    }
    SetPos(pos + static_cast<unsigned long long>(static_cast<long long>(n)));
}

void ISWFIterator::AppendBytes(const unsigned char* data, int count) {
    WriteBytes(GetPos(), data, count);
    Advance(count);
}

unsigned long long ISWFIterator::Remaining() {
    const unsigned long long length = GetLength();
    const unsigned long long pos = GetPos();
    return pos < length ? length - pos : 0;
}

void ISWFIterator::ClearBits() {
    m_bitPos = 0;
    m_bitBuffer = 0;
}

void ISWFIterator::Realign() {
    if (m_bitPos == 0) {
        return;
    }
    const unsigned char pending = m_bitBuffer;
    ClearBits();
    if (m_writable) {
        AppendBytes(&pending, 1);
    }
}

unsigned int ISWFIterator::ReadBits(int n) {
    if (n < 0 || n > 32) {
        throw std::invalid_argument("bit fields hold 0 to 32 bits");
    }
    unsigned int value = 0;
    for (int i = 0; i < n; ++i) {
        if (m_bitPos == 0) {
            m_bitBuffer = ReadByte();
        }
        value = (value << 1) | ((m_bitBuffer >> (7 - m_bitPos)) & 1u);
        m_bitPos = (m_bitPos + 1) & 7;
    }
    return value;
}

int ISWFIterator::ReadSignedBits(int n) {
    const unsigned int value = ReadBits(n);
    if (n == 0 || n == 32) {
        return static_cast<int>(value);
    }
    const unsigned int sign = 1u << (n - 1);
    return static_cast<int>((value ^ sign) - sign);
}

void ISWFIterator::WriteBits(unsigned int value, int n) {
    if (n < 0 || n > 32) {
        throw std::invalid_argument("bit fields hold 0 to 32 bits");
    }
    for (int i = n - 1; i >= 0; --i) {
        if ((value >> i) & 1u) {
            m_bitBuffer = static_cast<unsigned char>(m_bitBuffer | (0x80u >> m_bitPos));
        }
        m_bitPos = (m_bitPos + 1) & 7;
        if (m_bitPos == 0) {
            const unsigned char full = m_bitBuffer;
            m_bitBuffer = 0;
            WriteByte(full);
        }
    }
}

unsigned int ISWFIterator::ReadUI16() {
    const unsigned int low = ReadByte();
    return low | (static_cast<unsigned int>(ReadByte()) << 8);
}

unsigned int ISWFIterator::ReadUI32() {
    const unsigned int low = ReadUI16();
    return low | (ReadUI16() << 16);
}

void ISWFIterator::WriteUI16(unsigned int value) {
    WriteByte(static_cast<unsigned char>(value));
    WriteByte(static_cast<unsigned char>(value >> 8));
}

void ISWFIterator::WriteUI32(unsigned int value) {
    WriteUI16(value & 0xFFFF);
    WriteUI16(value >> 16);
}

// --- CFileSource --------------------------------------------------------------

CFileSource::CFileSource() : ISWFIterator(false) {}

CFileSource::~CFileSource() {
    try {
        Close();
    } catch (const CFileException&) {
        // The pending bits could not be written; the file is closed anyway.
    }
}

bool CFileSource::OpenExisting(const CString& path, bool readWrite) {
    Close();
    FSRef ref;
    if (!ExistingFile(path, &ref)) {
        return false;
    }
    SetWritable(false);
    m_open = m_file.Open(path, readWrite ? CFile::modeReadWrite : CFile::modeRead);
    return m_open;
}

bool CFileSource::Create(const CString& path) {
    Close();
    SetWritable(true);
    m_open = m_file.Open(path, CFile::modeReadWrite | CFile::modeCreate);
    return m_open;
}

void CFileSource::Close() {
    if (!m_open) {
        return;
    }
    try {
        Realign();  // a writable cursor's pending bits still go to the file
    } catch (const CFileException&) {
        m_file.Close();
        m_open = false;
        throw;
    }
    m_file.Close();
    m_open = false;
}

unsigned char CFileSource::ReadByte() {
    Realign();
    unsigned char value = 0;
    if (!m_open || m_file.Read(&value, 1) != 1) {
        throw CFileException();
    }
    ClearBits();
    return value;
}

void CFileSource::WriteByte(unsigned char value) {
    Realign();
    Write(&value, 1);
    ClearBits();
}

unsigned long long CFileSource::GetPos() {
    return m_file.GetPosition();
}

unsigned long long CFileSource::GetLength() {
    return m_file.GetLength();
}

void CFileSource::SetPos(unsigned long long pos) {
    Realign();
    Seek(pos);
}

void CFileSource::ReadBytes(unsigned long long pos, unsigned char* buffer, int count) {
    if (count < 0) {
        throw CFileException();
    }
    Realign();
    const unsigned long long saved = GetPos();
    Seek(pos);
    const unsigned int done = m_open ? m_file.Read(buffer, static_cast<unsigned int>(count)) : 0;
    Seek(saved);
    if (done != static_cast<unsigned int>(count)) {
        throw CFileException();
    }
}

void CFileSource::WriteBytes(unsigned long long pos, const unsigned char* data, int count) {
    if (count < 0) {
        throw CFileException();
    }
    Realign();
    const unsigned long long saved = GetPos();
    Seek(pos);
    Write(data, count);
    Seek(saved);
}

void CFileSource::Seek(unsigned long long pos) {
    if (!m_open || pos > GetLength() || pos > static_cast<unsigned long long>(LLONG_MAX)) {
        throw CFileException();
    }
    m_file.Seek(static_cast<long long>(pos), CFile::begin);
    if (GetPos() != pos) {
        throw CFileException();
    }
}

void CFileSource::Write(const unsigned char* data, int count) {
    if (!m_open || count < 0 || m_file.Write(data, static_cast<unsigned int>(count)) != noErr) {
        throw CFileException();
    }
}

}  // namespace SWFParse
