#include "edit/JpegReader.h"

#include <QFile>

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
};

bool decodeRgb(const unsigned char* bytes, unsigned long size, Decoded* out, char* message)
{
    jpeg_decompress_struct info;
    ErrorManager err;
    std::memset(&info, 0, sizeof info);
    info.err = jpeg_std_error(&err.base);
    err.base.error_exit = onError;
    err.base.emit_message = onMessage;
    err.message[0] = '\0';
    if (setjmp(err.jump)) {
        std::strncpy(message, err.message, JMSG_LENGTH_MAX - 1);
        message[JMSG_LENGTH_MAX - 1] = '\0';
        jpeg_destroy_decompress(&info);
        std::free(out->pixels);
        out->pixels = nullptr;
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes, size);
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    const size_t stride = size_t(info.output_width) * 3;
    // A header can claim any size up to 65500 x 65500; a forged one must not take gigabytes before the data runs
    // out. The bound is Qt's own allocation limit for pictures it reads (256 MB).
    constexpr size_t maxBytes = size_t(256) * 1024 * 1024;
    if (info.output_components != 3 || info.output_width == 0 || info.output_height == 0
        || stride * info.output_height > maxBytes) {
        std::strncpy(message, "Unsupported JPEG image", JMSG_LENGTH_MAX - 1);
        jpeg_destroy_decompress(&info);
        return false;
    }
    out->pixels = static_cast<unsigned char*>(std::malloc(stride * info.output_height));
    if (!out->pixels) {
        std::strncpy(message, "Out of memory", JMSG_LENGTH_MAX - 1);
        jpeg_destroy_decompress(&info);
        return false;
    }
    out->width = info.output_width;
    out->height = info.output_height;
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out->pixels + stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

} // namespace

QImage JpegReader::decode(const QByteArray& data, QString* error)
{
    if (data.isEmpty()) {
        if (error)
            *error = QStringLiteral("Empty JPEG file");
        return QImage();
    }
    Decoded decoded;
    char message[JMSG_LENGTH_MAX] = {};
    if (!decodeRgb(reinterpret_cast<const unsigned char*>(data.constData()), static_cast<unsigned long>(data.size()),
                   &decoded, message)) {
        if (error)
            *error = QString::fromLocal8Bit(message);
        return QImage();
    }
    QImage image(int(decoded.width), int(decoded.height), QImage::Format_RGB888);
    const size_t stride = size_t(decoded.width) * 3;
    for (unsigned y = 0; y < decoded.height; ++y)
        std::memcpy(image.scanLine(int(y)), decoded.pixels + stride * y, stride);
    std::free(decoded.pixels);
    return image;
}

QImage JpegReader::read(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return QImage();
    }
    return decode(file.readAll(), error);
}
