#include <csetjmp>

// clang-format off
#include <cstdio>  // jpeglib.h uses FILE and size_t without declaring them
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "imaging/decode_limits.h"
#include "imaging/picture.h"
#include "platform/error.h"

namespace zr::imaging {
namespace {

struct ErrorHandler {
    jpeg_error_mgr manager;  // first member: libjpeg's pointer to it is a pointer to the handler
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

// Codes past libjpeg's own, so that our refusals leave through its error path with our texts.
constexpr int kTooManyScans = 1000;
constexpr int kTooMuchMemory = 1001;
constexpr const char* kOwnMessages[] = {
    "More than %d scans in a progressive file",
    "Decoding needs more than %d MB of memory",
};

[[noreturn]] void JumpOut(j_common_ptr info) {
    auto* handler = reinterpret_cast<ErrorHandler*>(info->err);
    // libjpeg can only stay within max_memory_to_use through a swap file, which it cannot make,
    // so that is how it reports going over the limit.
    if (info->err->msg_code == JERR_NO_BACKING_STORE) {
        info->err->msg_code = kTooMuchMemory;
        info->err->msg_parm.i[0] = static_cast<int>(kMaxJpegMemory >> 20);
    }
    (*info->err->format_message)(info, handler->message);
    std::longjmp(handler->jump, 1);
}

// Warnings about damage that libjpeg works around are no business of stderr.
void Silent(j_common_ptr) {}

void NoOp(j_decompress_ptr) {}

// libjpeg calls this at least once a scan while it reads a progressive file.
void LimitScans(j_common_ptr info) {
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxJpegScans) {
        ERREXIT1(info, kTooManyScans, kMaxJpegScans);
    }
}

// Running out of bytes is an error here, where libjpeg's own memory source would make up an
// end marker and fill the rest of the picture with grey.
boolean NoMoreInput(j_decompress_ptr info) {
    ERREXIT(info, JERR_INPUT_EOF);
    return FALSE;
}

void SkipInput(j_decompress_ptr info, long count) {
    if (count <= 0) return;
    jpeg_source_mgr& source = *info->src;
    if (static_cast<unsigned long>(count) > source.bytes_in_buffer) NoMoreInput(info);
    source.next_input_byte += count;
    source.bytes_in_buffer -= static_cast<size_t>(count);
}

// Owns libjpeg's state for one picture; the steps that call into libjpeg are the functions
// below, not members, so that no destructor stands between setjmp and longjmp.
struct Decompressor {
    explicit Decompressor(std::string_view bytes) {
        info.err = jpeg_std_error(&errors.manager);
        errors.manager.error_exit = JumpOut;
        errors.manager.output_message = Silent;
        errors.manager.addon_message_table = kOwnMessages;
        errors.manager.first_addon_message = kTooManyScans;
        errors.manager.last_addon_message = kTooMuchMemory;
        progress.progress_monitor = LimitScans;
        source.next_input_byte = reinterpret_cast<const JOCTET*>(bytes.data());
        source.bytes_in_buffer = bytes.size();
        source.init_source = NoOp;
        source.fill_input_buffer = NoMoreInput;
        source.skip_input_data = SkipInput;
        source.resync_to_restart = jpeg_resync_to_restart;
        source.term_source = NoOp;
    }
    // Safe after a failure anywhere, even inside jpeg_create_decompress.
    ~Decompressor() { jpeg_destroy_decompress(&info); }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    jpeg_decompress_struct info{};
    ErrorHandler errors{};
    jpeg_source_mgr source{};
    jpeg_progress_mgr progress{};
};

J_COLOR_SPACE OutputSpace(J_COLOR_SPACE stored) {
    switch (stored) {
        case JCS_GRAYSCALE:
            return JCS_GRAYSCALE;
        case JCS_CMYK:
        case JCS_YCCK:
            return JCS_CMYK;
        default:
            return JCS_RGB;
    }
}

bool ReadHeader(Decompressor& d) {
    if (setjmp(d.errors.jump)) return false;
    jpeg_create_decompress(&d.info);
    d.info.mem->max_memory_to_use = static_cast<long>(kMaxJpegMemory);
    d.info.progress = &d.progress;
    d.info.src = &d.source;
    jpeg_read_header(&d.info, TRUE);
    return true;
}

bool StartOutput(Decompressor& d) {
    if (setjmp(d.errors.jump)) return false;
    d.info.out_color_space = OutputSpace(d.info.jpeg_color_space);
    jpeg_calc_output_dimensions(&d.info);
    return true;
}

uint32_t Opaque(uint32_t r, uint32_t g, uint32_t b) {
    return 0xFF000000u | r << 16 | g << 8 | b;
}

// CMYK JPEGs come from Adobe software, which stores the inks inverted (255 is no ink); like
// browsers, every CMYK file is read that way.
uint32_t Ink(uint32_t inverted, uint32_t black) {
    return (inverted * black + 127) / 255;
}

void ConvertRow(const jpeg_decompress_struct& info, const JSAMPLE* in, uint32_t* out) {
    for (JDIMENSION x = 0; x < info.output_width; ++x) {
        switch (info.output_components) {
            case 1:
                out[x] = Opaque(in[x], in[x], in[x]);
                break;
            case 3:
                out[x] = Opaque(in[3 * x], in[3 * x + 1], in[3 * x + 2]);
                break;
            default: {
                const JSAMPLE* p = in + 4 * x;
                out[x] = Opaque(Ink(p[0], p[3]), Ink(p[1], p[3]), Ink(p[2], p[3]));
            }
        }
    }
}

bool ReadPixels(Decompressor& d, uint32_t* pixels, JSAMPLE* row) {
    if (setjmp(d.errors.jump)) return false;
    jpeg_start_decompress(&d.info);
    while (d.info.output_scanline < d.info.output_height) {
        uint32_t* out = pixels + size_t{d.info.output_scanline} * d.info.output_width;
        JSAMPROW rows[1] = {row};
        jpeg_read_scanlines(&d.info, rows, 1);
        ConvertRow(d.info, row, out);
    }
    jpeg_finish_decompress(&d.info);
    return true;
}

[[noreturn]] void Fail(const Decompressor& d) {
    throw Error(std::string("Cannot read the JPEG picture: ") + d.errors.message);
}

}  // namespace

Picture DecodeJpeg(std::string_view bytes) {
    Decompressor d(bytes);
    if (!ReadHeader(d)) Fail(d);
    if (int64_t{d.info.image_width} * d.info.image_height > kMaxPixels) {
        throw Error("The JPEG picture is too large.");
    }
    if (!StartOutput(d)) Fail(d);

    Picture picture;
    picture.width = static_cast<int>(d.info.output_width);
    picture.height = static_cast<int>(d.info.output_height);
    picture.pixels.resize(size_t{d.info.output_width} * d.info.output_height);
    std::vector<JSAMPLE> row(size_t{d.info.output_width} * size_t(d.info.output_components));
    if (!ReadPixels(d, picture.pixels.data(), row.data())) Fail(d);
    return picture;
}

}  // namespace zr::imaging
