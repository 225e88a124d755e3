#include "CoreFoundation/CFData.h"

#include <cstring>
#include <new>
#include <string>

#include "CoreFoundation/CFRuntime.h"

namespace {

const __CFData* DataOf(CFDataRef data) {
    return CFRuntimeCast<__CFData>(data, kCFRuntimeDataTypeID);
}

}  // namespace

bool __CFData::Equals(const CFRuntimeObject& other) const {
    return bytes == static_cast<const __CFData&>(other).bytes;
}

std::u16string __CFData::Describe() const {
    return CFRuntimeWiden("<CFData " + std::to_string(bytes.size()) + " bytes>");
}

CFTypeID CFDataGetTypeID() {
    return kCFRuntimeDataTypeID;
}

CFDataRef CFDataCreate(CFAllocatorRef, const UInt8* bytes, CFIndex length) {
    if (length < 0 || (bytes == nullptr && length > 0)) {
        return nullptr;
    }
    std::vector<UInt8> content;
    try {
        content.assign(bytes, bytes + length);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return new (std::nothrow) __CFData(std::move(content));
}

CFIndex CFDataGetLength(CFDataRef theData) {
    const __CFData* data = DataOf(theData);
    return data != nullptr ? static_cast<CFIndex>(data->bytes.size()) : 0;
}

const UInt8* CFDataGetBytePtr(CFDataRef theData) {
    static const UInt8 kNoBytes = 0;
    const __CFData* data = DataOf(theData);
    if (data == nullptr) {
        return nullptr;
    }
    return data->bytes.empty() ? &kNoBytes : data->bytes.data();
}

void CFDataGetBytes(CFDataRef theData, CFRange range, UInt8* buffer) {
    const __CFData* data = DataOf(theData);
    if (data == nullptr || buffer == nullptr || range.location < 0 || range.length < 0 ||
        range.length > static_cast<CFIndex>(data->bytes.size()) - range.location) {
        return;
    }
    if (range.length > 0) {
        std::memcpy(buffer, data->bytes.data() + range.location, static_cast<size_t>(range.length));
    }
}
