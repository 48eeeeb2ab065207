#include "support/jpeg_writer.h"

#include <cstdlib>

namespace zr::test {

std::string EncodeJpeg(int width, int height, const JpegOptions& options,
                       const JpegSamples& samples) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.in_color_space = options.space;
    info.input_components = options.space == JCS_GRAYSCALE ? 1 : options.space == JCS_CMYK ? 4 : 3;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, options.quality, TRUE);
    if (options.progressive) jpeg_simple_progression(&info);
    if (!options.scans.empty()) {
        info.scan_info = options.scans.data();
        info.num_scans = int(options.scans.size());
    }
    for (int i = 0; i < info.num_components; ++i) {
        info.comp_info[i].h_samp_factor = info.comp_info[i].v_samp_factor = 1;
    }
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        std::vector<uint8_t> row;
        for (int x = 0; x < width; ++x) {
            const std::vector<uint8_t> pixel = samples(x, int(info.next_scanline));
            row.insert(row.end(), pixel.begin(), pixel.end());
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string bytes(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return bytes;
}

}  // namespace zr::test
