#include "SWF/FObj.h"

#include <stdexcept>

#include "SWF/FSWFStream.h"

FFragment::FFragment(const void* data, int32_t length)
    : m_data(static_cast<const uint8_t*>(data)), m_length(length) {
    if (length < 0 || (data == nullptr && length != 0)) {
        throw std::invalid_argument("SWF fragment with a bad length");
    }
}

void FFragment::WriteToSWFStream(FSWFStream* stream) {
    stream->WriteLargeData(m_data, static_cast<uint32_t>(m_length));
}
