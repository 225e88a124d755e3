// Which of the library's file kinds a file is, told by its first bytes.
#pragma once

#include <string>

namespace mvd {

enum class FileKind { capture, movie, swf, recovery };

// Throws ToolError when the file cannot be read, is empty, or is none of
// the kinds.
FileKind DetectFileKind(const std::string& path);
const char* FileKindName(FileKind kind);

}  // namespace mvd
