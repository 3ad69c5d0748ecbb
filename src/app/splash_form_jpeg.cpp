// libjpeg reports fatal errors through error_exit, which must not return.
// The decoder below leaves the library with longjmp, so the function that
// calls setjmp holds nothing with a destructor: the pixel buffer is plain
// memory owned by the caller's frame and freed there, whatever happened.
#include "app/splash_form_jpeg.h"

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE
#include <cstdlib>
#include <cstring>
#include <jpeglib.h>

namespace {

struct TJpegError {
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
};

[[noreturn]] void ErrorExit(j_common_ptr info) {
    std::longjmp(reinterpret_cast<TJpegError*>(info->err)->Jump, 1);
}

// Messages are not printed; warnings are counted by the library.
void Quiet(j_common_ptr) {}

struct TDecoded {
    unsigned char* Pixels = nullptr; // malloc'ed rows of RGB bytes
    int Width = 0;
    int Height = 0;
};

// Fills `out`; false on any error or warning. `out` lives in the caller's
// frame, so what it holds after a longjmp is what was stored into it.
bool DecodeInto(const unsigned char* data, unsigned long size, qint64 maxPixels, TDecoded* out) {
    jpeg_decompress_struct info;
    TJpegError error;
    info.err = jpeg_std_error(&error.Manager);
    error.Manager.error_exit = ErrorExit;
    error.Manager.output_message = Quiet;
    if (setjmp(error.Jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, size);
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    const qint64 pixels = static_cast<qint64>(info.output_width) * info.output_height;
    if (info.output_components != 3 || pixels == 0 || pixels > maxPixels) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    const std::size_t stride = static_cast<std::size_t>(info.output_width) * 3;
    out->Pixels = static_cast<unsigned char*>(std::malloc(stride * info.output_height));
    if (!out->Pixels) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    out->Width = static_cast<int>(info.output_width);
    out->Height = static_cast<int>(info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out->Pixels + stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    const bool clean = error.Manager.num_warnings == 0;
    jpeg_destroy_decompress(&info);
    return clean;
}

} // namespace

QImage DecodeJpeg(const QByteArray& bytes, qint64 maxPixels) {
    if (bytes.isEmpty()) return QImage();
    TDecoded decoded;
    const bool ok = DecodeInto(reinterpret_cast<const unsigned char*>(bytes.constData()),
                               static_cast<unsigned long>(bytes.size()), maxPixels, &decoded);
    QImage image;
    if (ok) {
        // A null image (no memory for it) stays null.
        image = QImage(decoded.Width, decoded.Height, QImage::Format_RGB888);
        const std::size_t stride = static_cast<std::size_t>(decoded.Width) * 3;
        for (int y = 0; y < decoded.Height && !image.isNull(); ++y)
            std::memcpy(image.scanLine(y), decoded.Pixels + stride * static_cast<std::size_t>(y),
                        stride);
    }
    std::free(decoded.Pixels);
    return image;
}
