// Which of the library's file kinds a file is, told by its first bytes.
#pragma once

#include <string>

namespace mvd {

enum class FileKind { capture, movie, swf, recovery };

// Throws ToolError when the file cannot be read, is empty, or is none of
// the kinds.
FileKind DetectFileKind(const std::string& path);
// Throws ToolError, naming the file, unless it is of the wanted kind.
void RequireFileKind(const std::string& path, FileKind wanted);
// "capture file", or with its article "a capture file", "an SWF file".
std::string FileKindName(FileKind kind, bool withArticle = false);

}  // namespace mvd
