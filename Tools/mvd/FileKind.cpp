#include "FileKind.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "ToolError.h"

namespace mvd {

namespace {

// The atoms a QuickTime file may begin with.
bool IsMovieAtom(const unsigned char* type) {
    for (const char* known : {"ftyp", "moov", "mdat", "wide", "free", "skip", "pnot"}) {
        if (std::memcmp(type, known, 4) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

FileKind DetectFileKind(const std::string& path) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (file == nullptr) {
        throw ToolError(SystemError("cannot open the file"));
    }
    unsigned char head[8] = {};
    const size_t got = std::fread(head, 1, sizeof head, file.get());
    if (std::ferror(file.get()) != 0) {
        throw ToolError(SystemError("cannot read the file"));
    }
    if (got == 0) {
        throw ToolError("the file is empty");
    }
    if (got >= 5 && std::memcmp(head, "MVRC\0", 5) == 0) {
        return FileKind::capture;
    }
    if (got >= 4 && std::memcmp(head, "RCVR", 4) == 0) {
        return FileKind::recovery;
    }
    if (got >= 3 && (std::memcmp(head, "FWS", 3) == 0 || std::memcmp(head, "CWS", 3) == 0 ||
                     std::memcmp(head, "ZWS", 3) == 0)) {
        return FileKind::swf;
    }
    if (got == 8 && IsMovieAtom(head + 4)) {
        return FileKind::movie;
    }
    throw ToolError("not a capture file, movie, SWF file or recovery file (unknown first bytes)");
}

void RequireFileKind(const std::string& path, FileKind wanted) {
    ErrorContext context(path);
    const FileKind kind = DetectFileKind(path);
    if (kind != wanted) {
        throw ToolError("this is " + FileKindName(kind, true) + ", not " +
                        FileKindName(wanted, true));
    }
}

std::string FileKindName(FileKind kind, bool withArticle) {
    switch (kind) {
        case FileKind::capture:
            return withArticle ? "a capture file" : "capture file";
        case FileKind::movie:
            return withArticle ? "a movie" : "movie";
        case FileKind::swf:
            return withArticle ? "an SWF file" : "SWF file";
        case FileKind::recovery:
            return withArticle ? "a recovery file" : "recovery file";
    }
    return "file";
}

}  // namespace mvd
