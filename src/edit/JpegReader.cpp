#include "edit/JpegReader.h"

#include <QFile>

#include <algorithm>
#include <cerrno>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" {
#include <jpeglib.h>
}

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

extern "C" void onError(j_common_ptr info)
{
    auto* err = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, err->message);
    std::longjmp(err->jump, 1);
}

extern "C" void onMessage(j_common_ptr, int)
{
    // Warnings (a premature end of data, for instance) are not printed; libjpeg goes on with what it has.
}

// Plain C state only between setjmp and longjmp: no C++ object may be skipped by the jump.
struct Decoded {
    unsigned char* pixels = nullptr; // RGB, width * height * 3
    unsigned width = 0;
    unsigned height = 0;
    unsigned char* row = nullptr; // one decoded scan line, while thinning out
};

void release(Decoded* out)
{
    std::free(out->pixels);
    std::free(out->row);
    out->pixels = nullptr;
    out->row = nullptr;
}

void setMessage(char* message, const char* text)
{
    std::strncpy(message, text, JMSG_LENGTH_MAX - 1);
    message[JMSG_LENGTH_MAX - 1] = '\0';
}

unsigned scaledUp(unsigned size, unsigned denom)
{
    return (size + denom - 1) / denom;
}

bool decodeRgb(std::FILE* file, unsigned wantWidth, unsigned wantHeight, Decoded* out, char* message)
{
    jpeg_decompress_struct info;
    ErrorManager err;
    std::memset(&info, 0, sizeof info);
    info.err = jpeg_std_error(&err.base);
    err.base.error_exit = onError;
    err.base.emit_message = onMessage;
    err.message[0] = '\0';
    if (setjmp(err.jump)) {
        setMessage(message, err.message);
        jpeg_destroy_decompress(&info);
        release(out);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    if (wantWidth > 0 && wantHeight > 0) {
        unsigned denom = 8;
        while (denom > 1 &&
               (scaledUp(info.image_width, denom) < wantWidth || scaledUp(info.image_height, denom) < wantHeight))
            denom /= 2;
        info.scale_num = 1;
        info.scale_denom = denom;
    }
    jpeg_start_decompress(&info);
    const unsigned width = info.output_width;
    const unsigned height = info.output_height;
    if (info.output_components != 3 || width == 0 || height == 0) {
        setMessage(message, "Unsupported JPEG image");
        jpeg_destroy_decompress(&info);
        return false;
    }
    // What 1/8 leaves larger than twice the shown size is thinned out line by line and column by column.
    out->width = wantWidth > 0 && width > 2 * wantWidth ? 2 * wantWidth : width;
    out->height = wantHeight > 0 && height > 2 * wantHeight ? 2 * wantHeight : height;
    const size_t stride = size_t(out->width) * 3;
    // A header can claim up to 65500 x 65500; a forged one must not take gigabytes before its data runs out. The
    // bound is Qt's own allocation limit for pictures it reads (256 MB).
    constexpr size_t maxBytes = size_t(256) * 1024 * 1024;
    if (stride * out->height > maxBytes) {
        setMessage(message, "JPEG image too large");
        jpeg_destroy_decompress(&info);
        return false;
    }
    const bool thinned = out->width != width || out->height != height;
    out->pixels = static_cast<unsigned char*>(std::malloc(stride * out->height));
    out->row = thinned ? static_cast<unsigned char*>(std::malloc(size_t(width) * 3)) : nullptr;
    if (!out->pixels || (thinned && !out->row)) {
        setMessage(message, "Out of memory");
        jpeg_destroy_decompress(&info);
        release(out);
        return false;
    }
    while (info.output_scanline < height) {
        const unsigned line = info.output_scanline;
        if (!thinned) {
            JSAMPROW row = out->pixels + stride * line;
            jpeg_read_scanlines(&info, &row, 1);
            continue;
        }
        JSAMPROW row = out->row;
        jpeg_read_scanlines(&info, &row, 1);
        // Of the source lines that fall on one target line, the first is kept.
        const unsigned y = unsigned(size_t(line) * out->height / height);
        if (line != 0 && size_t(line - 1) * out->height / height == y)
            continue;
        unsigned char* target = out->pixels + stride * y;
        for (unsigned x = 0; x < out->width; ++x) {
            const unsigned char* source = out->row + size_t(size_t(x) * width / out->width) * 3;
            target[x * 3] = source[0];
            target[x * 3 + 1] = source[1];
            target[x * 3 + 2] = source[2];
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    std::free(out->row);
    out->row = nullptr;
    return true;
}

} // namespace

namespace {

QImage decodeFile(std::FILE* file, const QSize& shown, QString* error)
{
    Decoded decoded;
    char message[JMSG_LENGTH_MAX] = {};
    const unsigned wantWidth = shown.isValid() ? unsigned(std::max(shown.width(), 1)) : 0;
    const unsigned wantHeight = shown.isValid() ? unsigned(std::max(shown.height(), 1)) : 0;
    const bool ok = decodeRgb(file, wantWidth, wantHeight, &decoded, message);
    std::fclose(file);
    if (!ok) {
        if (error)
            *error = QString::fromLocal8Bit(message);
        return QImage();
    }
    QImage image(int(decoded.width), int(decoded.height), QImage::Format_RGB888);
    if (image.isNull()) {
        release(&decoded);
        if (error)
            *error = QStringLiteral("Out of memory");
        return QImage();
    }
    const size_t stride = size_t(decoded.width) * 3;
    for (unsigned y = 0; y < decoded.height; ++y)
        std::memcpy(image.scanLine(int(y)), decoded.pixels + stride * y, stride);
    release(&decoded);
    return image;
}

} // namespace

QImage JpegReader::read(const QString& path, const QSize& shown, QString* error)
{
    std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "rbe");
    if (!file) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        return QImage();
    }
    return decodeFile(file, shown, error);
}

QImage JpegReader::decode(const QByteArray& data, QString* error)
{
    std::FILE* file =
        data.isEmpty() ? nullptr : fmemopen(const_cast<char*>(data.constData()), size_t(data.size()), "rb");
    if (!file) {
        if (error)
            *error = QStringLiteral("Empty JPEG file");
        return QImage();
    }
    return decodeFile(file, QSize(), error);
}
