#include "edit/JpegReader.h"

#include "edit/Picture.h"

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
    unsigned char* row = nullptr; // one decoded scan line, while thinning out or converting from CMYK
    unsigned claimedWidth = 0;    // the size the header claims
    unsigned claimedHeight = 0;
    bool tooLarge = false; // refused for its size before anything of that size was allocated
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

// A picture in several scans (progressive, or one component per scan) keeps every coefficient of the whole picture
// until its last scan, whatever scale it is decoded at: two bytes for each of 64 per block and component.
size_t coefficientBytes(const jpeg_decompress_struct& info)
{
    size_t total = 0;
    for (int c = 0; c < info.num_components; ++c) {
        const jpeg_component_info& comp = info.comp_info[c];
        const size_t h = size_t(std::max(comp.h_samp_factor, 1));
        const size_t v = size_t(std::max(comp.v_samp_factor, 1));
        const size_t blocksWide = (size_t(comp.width_in_blocks) + h - 1) / h * h;
        const size_t blocksHigh = (size_t(comp.height_in_blocks) + v - 1) / v * v;
        total += blocksWide * blocksHigh * DCTSIZE2 * sizeof(JCOEF);
    }
    return total;
}

// Adobe's programs store CMYK inverted (0 is full ink) and mark the file with their APP14 segment.
void cmykToRgb(const unsigned char* cmyk, bool inverted, unsigned char* rgb)
{
    for (int i = 0; i < 3; ++i) {
        const unsigned ink = inverted ? 255u - cmyk[i] : cmyk[i];
        const unsigned black = inverted ? 255u - cmyk[3] : cmyk[3];
        rgb[i] = static_cast<unsigned char>((255u - ink) * (255u - black) / 255u);
    }
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
    // Whatever the header claims, libjpeg takes no more than this; what would need more is an error.
    info.mem->max_memory_to_use = long(JpegReader::MaxMemory);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    out->claimedWidth = info.image_width;
    out->claimedHeight = info.image_height;
    // A few hundred bytes can claim 65500 x 65500 pixels: refused before any decoding starts.
    if (!Picture::fitsPixelLimit(info.image_width, info.image_height) ||
        ((info.progressive_mode || info.comps_in_scan < info.num_components) &&
         coefficientBytes(info) > JpegReader::MaxMemory)) {
        out->tooLarge = true;
        jpeg_destroy_decompress(&info);
        return false;
    }
    // libjpeg converts YCCK to CMYK but neither to RGB: that last step is done here.
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
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
    const unsigned components = unsigned(info.output_components);
    if (components != (cmyk ? 4u : 3u) || width == 0 || height == 0) {
        setMessage(message, "Unsupported JPEG image");
        jpeg_destroy_decompress(&info);
        return false;
    }
    // What 1/8 leaves larger than twice the shown size is thinned out line by line and column by column.
    out->width = wantWidth > 0 && width > 2 * wantWidth ? 2 * wantWidth : width;
    out->height = wantHeight > 0 && height > 2 * wantHeight ? 2 * wantHeight : height;
    const size_t stride = size_t(out->width) * 3;
    const bool direct = out->width == width && out->height == height && !cmyk;
    out->pixels = static_cast<unsigned char*>(std::malloc(stride * out->height));
    out->row = direct ? nullptr : static_cast<unsigned char*>(std::malloc(size_t(width) * components));
    if (!out->pixels || (!direct && !out->row)) {
        setMessage(message, "Out of memory");
        jpeg_destroy_decompress(&info);
        release(out);
        return false;
    }
    const bool inverted = info.saw_Adobe_marker;
    while (info.output_scanline < height) {
        const unsigned line = info.output_scanline;
        if (direct) {
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
            const unsigned char* source = out->row + size_t(size_t(x) * width / out->width) * components;
            if (cmyk) {
                cmykToRgb(source, inverted, target + x * 3);
            } else {
                target[x * 3] = source[0];
                target[x * 3 + 1] = source[1];
                target[x * 3 + 2] = source[2];
            }
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
            *error = decoded.tooLarge
                         ? Picture::tooLargeMessage(QSize(int(decoded.claimedWidth), int(decoded.claimedHeight)))
                         : QString::fromLocal8Bit(message);
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
