#include "Codec/MVDKFormat.h"

#include <algorithm>

namespace mvdk {

size_t EncodeBound(int32_t width, int32_t height, unsigned depth) {
    const int bytes = StreamBytesPerPixel(depth);
    if (bytes == 0 || width < 0 || height < 0)
        return 0;
    const size_t w = static_cast<size_t>(width);
    const size_t h = static_cast<size_t>(height);
    return (1 + static_cast<size_t>(bytes)) * w * h + 8 * h + 8;
}

size_t InflateCapacity(int32_t width, int32_t height, unsigned depth, size_t rowBytes) {
    const size_t twice = 2 * static_cast<size_t>(std::max(height, 0)) * rowBytes;
    return std::max(twice, EncodeBound(width, height, depth));
}

}  // namespace mvdk
