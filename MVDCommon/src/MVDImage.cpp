#include "MVDCommon/MVDImage.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "MVDCommon/MVDException.h"

namespace {

// Byte offsets of the four channels inside a 32-bit pixel.
struct Layout {
    int a, r, g, b;
};

constexpr Layout kARGB{0, 1, 2, 3};
constexpr Layout kBGRA{3, 2, 1, 0};

bool LayoutOf(unsigned long pixelFormat, Layout* layout) {
    if (pixelFormat == kMVDPixelFormat32ARGB) {
        *layout = kARGB;
        return true;
    }
    if (pixelFormat == kMVDPixelFormat32BGRA) {
        *layout = kBGRA;
        return true;
    }
    return false;
}

Layout RequireLayout(unsigned long pixelFormat, unsigned int bytesPerPixel, const char* what) {
    Layout layout;
    if (bytesPerPixel != 4 || !LayoutOf(pixelFormat, &layout)) {
        throw MVDException(std::string(what) + ": image is not 32-bit ARGB or BGRA");
    }
    return layout;
}

inline unsigned char Blend(unsigned src, unsigned dst, unsigned alpha) {
    return static_cast<unsigned char>((src * alpha + dst * (255 - alpha) + 127) / 255);
}

}  // namespace

MVDImage::MVDImage(tagMVDImageFormat* format)
    : m_pData(nullptr),
      m_width(format->width),
      m_height(format->height),
      m_pixelFormat(format->pixelFormat),
      m_bytesPerPixel(format->bytesPerPixel) {
    allocate();
}

MVDImage::MVDImage(unsigned int width, unsigned int height, unsigned long pixelFormat,
                   unsigned int bytesPerPixel, unsigned char* data)
    : m_pData(data),
      m_width(width),
      m_height(height),
      m_pixelFormat(pixelFormat),
      m_bytesPerPixel(bytesPerPixel) {
    if (m_pData == nullptr) {
        allocate();
    }
}

MVDImage::~MVDImage() {
    CVPixelBufferRelease(m_pixelBuffer);
    if (m_ownsData) {
        std::free(m_pData);
    }
}

void MVDImage::allocate() {
    // calloc checks the multiplication for overflow; the +1 keeps a 0x0
    // image's data pointer non-null.
    m_pData = static_cast<unsigned char*>(std::calloc(byteSize() + 1, 1));
    if (m_pData == nullptr) {
        throw MVDException("MVDImage: cannot allocate the pixel buffer");
    }
    m_ownsData = true;
}

tagMVDImageFormat MVDImage::format() const {
    return tagMVDImageFormat{m_width, m_height, static_cast<uint32_t>(m_pixelFormat),
                             m_bytesPerPixel};
}

void MVDImage::blitOnto(MVDImage* dst) const {
    if (dst == nullptr || dst->m_width != m_width || dst->m_height != m_height ||
        dst->m_pixelFormat != m_pixelFormat || dst->m_bytesPerPixel != m_bytesPerPixel) {
        throw MVDException("MVDImage::blitOnto: destination differs in size or format");
    }
    if (dst != this) {
        std::memcpy(dst->m_pData, m_pData, byteSize());
    }
}

void MVDImage::alphaBlit(MVDImage* src, tagMVDRect* r) {
    if (src == nullptr || r == nullptr || r->width <= 0 || r->height <= 0) {
        return;
    }
    if (static_cast<uint32_t>(r->width) != src->m_width ||
        static_cast<uint32_t>(r->height) != src->m_height) {
        throw MVDException("MVDImage::alphaBlit: source size differs from the rectangle");
    }
    const Layout s = RequireLayout(src->m_pixelFormat, src->m_bytesPerPixel, "alphaBlit");
    const Layout d = RequireLayout(m_pixelFormat, m_bytesPerPixel, "alphaBlit");
    // Clip the rectangle to this image, in 64-bit so no sum overflows.
    const int64_t x0 = std::max<int64_t>(r->x, 0);
    const int64_t y0 = std::max<int64_t>(r->y, 0);
    const int64_t x1 = std::min<int64_t>(int64_t{r->x} + r->width, m_width);
    const int64_t y1 = std::min<int64_t>(int64_t{r->y} + r->height, m_height);
    for (int64_t y = y0; y < y1; ++y) {
        const unsigned char* sp = src->m_pData + (y - r->y) * src->rowBytes() + (x0 - r->x) * 4;
        unsigned char* dp = m_pData + y * rowBytes() + x0 * 4;
        for (int64_t x = x0; x < x1; ++x, sp += 4, dp += 4) {
            const unsigned alpha = sp[s.a];
            const unsigned dstAlpha = dp[d.a];
            dp[d.r] = Blend(sp[s.r], dp[d.r], alpha);
            dp[d.g] = Blend(sp[s.g], dp[d.g], alpha);
            dp[d.b] = Blend(sp[s.b], dp[d.b], alpha);
            dp[d.a] = static_cast<unsigned char>(alpha + (dstAlpha * (255 - alpha) + 127) / 255);
        }
    }
}

void MVDImage::flipInPlace() {
    const size_t row = rowBytes();
    std::vector<unsigned char> scratch(row);
    for (unsigned int top = 0, bottom = m_height ? m_height - 1 : 0; top < bottom;
         ++top, --bottom) {
        unsigned char* a = m_pData + top * row;
        unsigned char* b = m_pData + bottom * row;
        std::memcpy(scratch.data(), a, row);
        std::memcpy(a, b, row);
        std::memcpy(b, scratch.data(), row);
    }
}

bool MVDImage::writePPM(char* path) {
    Layout layout;
    if (path == nullptr || m_bytesPerPixel != 4 || !LayoutOf(m_pixelFormat, &layout)) {
        return false;
    }
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path, "wb"), &std::fclose);
    if (!file) {
        return false;
    }
    std::fprintf(file.get(), "P6\n%u %u\n255\n", m_width, m_height);
    std::vector<unsigned char> line(static_cast<size_t>(m_width) * 3);
    for (unsigned int y = 0; y < m_height; ++y) {
        const unsigned char* p = m_pData + y * rowBytes();
        for (unsigned int x = 0; x < m_width; ++x, p += 4) {
            line[x * 3 + 0] = p[layout.r];
            line[x * 3 + 1] = p[layout.g];
            line[x * 3 + 2] = p[layout.b];
        }
        if (std::fwrite(line.data(), 1, line.size(), file.get()) != line.size()) {
            return false;
        }
    }
    return std::fflush(file.get()) == 0;
}

CVPixelBufferRef MVDImage::getCVPixelBufferWithPixelFormat(unsigned long pixelFormat) {
    Layout to;
    if (!LayoutOf(pixelFormat, &to)) {
        return nullptr;
    }
    const Layout from = RequireLayout(m_pixelFormat, m_bytesPerPixel, "getCVPixelBuffer");
    CVPixelBufferRef buffer = nullptr;
    if (CVPixelBufferCreate(nullptr, m_width, m_height, static_cast<CVPixelFormatType>(pixelFormat),
                            nullptr, &buffer) != kCVReturnSuccess) {
        return nullptr;
    }
    auto* base = static_cast<unsigned char*>(CVPixelBufferGetBaseAddress(buffer));
    const size_t dstRow = CVPixelBufferGetBytesPerRow(buffer);
    for (unsigned int y = 0; y < m_height; ++y) {
        const unsigned char* sp = m_pData + y * rowBytes();
        unsigned char* dp = base + y * dstRow;
        if (pixelFormat == m_pixelFormat) {
            std::memcpy(dp, sp, rowBytes());
            continue;
        }
        for (unsigned int x = 0; x < m_width; ++x, sp += 4, dp += 4) {
            dp[to.a] = sp[from.a];
            dp[to.r] = sp[from.r];
            dp[to.g] = sp[from.g];
            dp[to.b] = sp[from.b];
        }
    }
    CVPixelBufferRelease(m_pixelBuffer);
    m_pixelBuffer = buffer;
    return buffer;
}
