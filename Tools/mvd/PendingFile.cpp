#include "PendingFile.h"

#include <cstdio>

#include "ToolError.h"

namespace mvd {

PendingFile::PendingFile(std::string finalPath)
    : m_final(std::move(finalPath)), m_temporary(m_final + ".part") {}

PendingFile::~PendingFile() {
    if (!m_kept) {
        std::remove(m_temporary.c_str());
    }
}

void PendingFile::keep() {
    ErrorContext context(m_final);
    if (std::rename(m_temporary.c_str(), m_final.c_str()) != 0) {
        throw ToolError(SystemError("cannot move the finished file into place"));
    }
    m_kept = true;
}

}  // namespace mvd
