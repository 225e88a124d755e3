#include "PngWriter.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <vector>

#include "ToolError.h"

namespace mvd {

namespace {

// libpng reports errors by longjmp; its message is kept for the exception
// thrown after the jump.
void OnPngError(png_structp png, png_const_charp message) {
    auto* text = static_cast<std::string*>(png_get_error_ptr(png));
    *text = message != nullptr ? message : "libpng failed";
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// Row y of the image as R, G, B(, A) bytes.
void PackRow(const MVDImage& image, uint32_t y, bool keepAlpha, std::vector<png_byte>& row) {
    const bool bgra = image.m_pixelFormat == kMVDPixelFormat32BGRA;
    const unsigned char* p = image.m_pData + size_t{y} * image.rowBytes();
    png_byte* out = row.data();
    for (uint32_t x = 0; x < image.m_width; ++x, p += 4) {
        *out++ = bgra ? p[2] : p[1];
        *out++ = bgra ? p[1] : p[2];
        *out++ = bgra ? p[0] : p[3];
        if (keepAlpha) {
            *out++ = bgra ? p[3] : p[0];
        }
    }
}

// Writes the PNG stream; false (with the message) when libpng fails.  Kept
// apart from anything with a destructor, as libpng jumps out of it.
bool Encode(FILE* file, const MVDImage& image, bool keepAlpha, std::vector<png_byte>& row,
            std::string& error) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, &OnPngError, &OnPngWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        error = "cannot start libpng";
        return false;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, image.m_width, image.m_height, 8,
                 keepAlpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 6);
    png_write_info(png, info);
    for (uint32_t y = 0; y < image.m_height; ++y) {
        PackRow(image, y, keepAlpha, row);
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

void WritePng(const std::string& path, const MVDImage& image, bool keepAlpha) {
    if (image.m_bytesPerPixel != 4 || image.m_width == 0 || image.m_height == 0) {
        throw ToolError("only 32-bit pictures are written as PNG");
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        throw ToolError(SystemError("cannot create " + path));
    }
    std::vector<png_byte> row(size_t{image.m_width} * (keepAlpha ? 4 : 3));
    std::string error;
    const bool encoded = Encode(file, image, keepAlpha, row, error);
    const bool closed = std::fclose(file) == 0;
    if (!encoded || !closed) {
        const std::string why =
            encoded ? SystemError("cannot write " + path) : "cannot write " + path + ": " + error;
        std::remove(path.c_str());
        throw ToolError(why);
    }
}

}  // namespace mvd
