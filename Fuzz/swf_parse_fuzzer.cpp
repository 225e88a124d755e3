// Treats untrusted bytes as an SWF file: walks its tags and actions with
// callbacks that read and move the cursor, reads its stage size, copies it
// with injected code, and searches it for its largest shape.  A copy that
// succeeds must walk cleanly itself and carry its own length.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Portability/CFile.h"
#include "SWFPost/CSwfResizer.h"
#include "SWFPost/SWFParse.h"

namespace {

// Inputs above this size only slow the run: every structure fits well below.
constexpr size_t kMaxInput = 64 * 1024;

struct Paths {
    std::string folder;
    std::string in;
    std::string out;
};

const Paths& TempPaths() {
    static const Paths paths = [] {
        char folder[] = "/tmp/swf_parse_fuzzer.XXXXXX";
        if (mkdtemp(folder) == nullptr) {
            std::abort();
        }
        return Paths{folder, std::string(folder) + "/in.swf", std::string(folder) + "/out.swf"};
    }();
    return paths;
}

void RemoveFiles() {
    const Paths& paths = TempPaths();
    unlink(paths.in.c_str());
    unlink(paths.out.c_str());
    rmdir(paths.folder.c_str());
}

void WriteInput(const uint8_t* data, size_t size) {
    FILE* file = std::fopen(TempPaths().in.c_str(), "wb");
    if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
        std::abort();
    }
}

// Reads a little of the body, then leaves the cursor somewhere else.
void ReadSome(SWFParse::ISWFIterator& it, int, int length, unsigned long long) {
    for (int i = 0; i < length && i < 8; ++i) {
        it.ReadByte();
    }
    if (length > 8) {
        it.ReadBits(3);
    }
    it.SetPos(0);
}

void LabelOddFrames(SWFParse::ISWFIterator& out, int frame, void*) {
    if (frame % 2 == 1) {
        static const unsigned char label[] = {0xC3, 0x0A, 'f', 'r', 0};  // FrameLabel "fr"
        out.AppendBytes(label, sizeof label);
    }
}

void TallerStage(SWFParse::SWFHeader& header, void*) {
    if (header.yMax < (1 << 29)) {
        header.yMax += 400;
    }
}

// The copy walks whenever the input did (its actions too when the input's
// did) and holds its own length.
void CheckCopy(bool actionsWalked) {
    const CString out(TempPaths().out.c_str());
    if (!SWFParse::ParseSWF(out, 0, ReadSome, actionsWalked ? ReadSome : nullptr, 0)) {
        std::abort();
    }
    SWFParse::CFileSource copy;
    if (!copy.OpenExisting(out, false)) {
        std::abort();
    }
    unsigned char length[4];
    copy.ReadBytes(4, length, 4);
    const unsigned long long stored = length[0] | (length[1] << 8) | (length[2] << 16) |
                                      (static_cast<unsigned long long>(length[3]) << 24);
    if (stored != copy.GetLength()) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const int cleanup = std::atexit(RemoveFiles);
    (void)cleanup;
    if (size > kMaxInput) {
        return 0;
    }
    WriteInput(data, size);
    const CString in(TempPaths().in.c_str());

    const bool actionsWalked = SWFParse::ParseSWF(in, 0, ReadSome, ReadSome, 0);
    SWFParse::GetSWFDimensions(in, 0);
    if (SWFParse::InjectSWFCode(in, CString(TempPaths().out.c_str()), LabelOddFrames, nullptr,
                                TallerStage)) {
        CheckCopy(actionsWalked);
    }

    CFile file;
    if (file.Open(in, CFile::modeRead)) {
        CSwfResizer::FindShape(&file, 0);
        CSwfResizer::CSwfRect rect;
        file.Seek(8, CFile::begin);
        CSwfResizer::ReadRect(&file, rect);
        file.Close();
    }
    return 0;
}
