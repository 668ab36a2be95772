#include "textures/jpeg.h"

#include "foundation/diagnostics.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

namespace libgr
{

namespace
{

// libjpeg's standard error manager, whose fatal routine jumps back into the
// adapter instead of ending the process.
struct ErrorTrap {
    jpeg_error_mgr pub;
    jmp_buf jump;
    const char* name; // encoded file, for the message; null when encoding
};

// libjpeg's warnings ("Premature end of JPEG file") go to the diagnostics
// sink, worded as its default handler words them.
void sinkMessage(j_common_ptr cinfo)
{
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    libutils::reportf("%s\n", text);
}

void trapExit(j_common_ptr cinfo)
{
    ErrorTrap* trap = reinterpret_cast<ErrorTrap*>(cinfo->err);
    if (trap->name) {
        libutils::reportf("%s: error detected.\n", trap->name);
    } else {
        char text[JMSG_LENGTH_MAX];
        (*cinfo->err->format_message)(cinfo, text);
        libutils::reportf("jpegCompress(): %s\n", text);
    }
    longjmp(trap->jump, 1);
}

// Source: the whole encoded file, presented once. A second request for
// data means the file ended before the decoder was done: that is an error
// (re-presenting the file would decode its header bytes as image data).
struct MemorySource {
    jpeg_source_mgr pub;
    const JOCTET* bytes;
    size_t count;
    bool presented;
};

void sourceInit(j_decompress_ptr cinfo)
{
    cinfo->src->next_input_byte = nullptr;
    cinfo->src->bytes_in_buffer = 0;
}

boolean sourceFill(j_decompress_ptr cinfo)
{
    MemorySource* src = reinterpret_cast<MemorySource*>(cinfo->src);
    if (src->presented || src->count == 0)
        ERREXIT(cinfo, JERR_INPUT_EOF);
    src->presented = true;
    src->pub.next_input_byte = src->bytes;
    src->pub.bytes_in_buffer = src->count;
    return TRUE;
}

void sourceSkip(j_decompress_ptr cinfo, long n)
{
    if (n <= 0)
        return;
    jpeg_source_mgr* src = cinfo->src;
    // A marker length may ask for more than is left: stop at the end, and
    // the next read reports the end of the file.
    size_t skip = size_t(n) < src->bytes_in_buffer ? size_t(n) : src->bytes_in_buffer;
    src->next_input_byte += skip;
    src->bytes_in_buffer -= skip;
}

void sourceTerm(j_decompress_ptr cinfo)
{
    cinfo->src->next_input_byte = nullptr;
    cinfo->src->bytes_in_buffer = 0;
}

// Destination: an anonymous mapping that grows by 8 MB steps. A mapping
// cannot grow in place, so each step maps a larger one and copies.
constexpr uint64_t kGrowStep = 0x800000;

struct MemoryDestination {
    jpeg_destination_mgr pub;
    grByteVector* out;
};

bool growOutput(grByteVector& out, uint64_t newSize)
{
    grByteVector bigger;
    if (!bigger.reallocate(newSize, 0))
        return false;
    uint64_t old = out.size();
    if (old)
        memcpy(bigger.data(), out.data(), size_t(old));
    out = bigger;
    return true;
}

void destinationInit(j_compress_ptr cinfo)
{
    MemoryDestination* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    dest->out->release();
    if (!dest->out->reallocate(kGrowStep, 0))
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 1);
    dest->pub.next_output_byte = dest->out->data();
    dest->pub.free_in_buffer = size_t(kGrowStep);
}

boolean destinationFull(j_compress_ptr cinfo)
{
    MemoryDestination* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    const uint64_t old = dest->out->size();
    if (!growOutput(*dest->out, old + kGrowStep))
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 2);
    dest->pub.next_output_byte = dest->out->data() + old;
    dest->pub.free_in_buffer = size_t(kGrowStep);
    return TRUE;
}

void destinationTerm(j_compress_ptr cinfo)
{
    MemoryDestination* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    dest->out->setLimit(dest->out->size() - dest->pub.free_in_buffer);
}

const char* displayName(const grFileBuffer& file)
{
    return file.fname ? file.fname : "(memory)";
}

uint32_t roundUpTo(uint64_t n, uint32_t multiple)
{
    return uint32_t((n + multiple - 1) / multiple * multiple);
}

} // namespace

const grJpegMarker* grJpegInfo::find(unsigned index) const
{
    int code = index < 16 ? int(JPEG_APP0 + index) : index == 16 ? int(JPEG_COM) : -1;
    for (const grJpegMarker& m : markers)
        if (m.code == code)
            return &m;
    return nullptr;
}

bool jpegDecompress(grJpegInfo& info, grImage2D& image, const grFileBuffer& file, uint32_t alignment, bool border)
{
    // Everything with a destructor lives outside the trap: a jump back to
    // setjmp must not skip one.
    const char* volatile name = displayName(file); // read after a jump back
    info.markers.clear();
    jpeg_decompress_struct cinfo;
    ErrorTrap trap;
    cinfo.err = jpeg_std_error(&trap.pub);
    trap.pub.error_exit = trapExit;
    trap.pub.output_message = sinkMessage;
    trap.name = name;
    volatile bool scanning = false;
    grJpegMarker marker;

    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&cinfo);
        if (scanning) {
            libutils::reportf("%s: jpeg decompress fail, but continue.\n", name);
            return true;
        }
        libutils::reportf("%s: jpeg decompress fail, stop.\n", name);
        return false;
    }
    jpeg_CreateDecompress(&cinfo, JPEG_LIB_VERSION, sizeof cinfo);
    MemorySource* src = static_cast<MemorySource*>(
        (*cinfo.mem->alloc_small)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_PERMANENT, sizeof(MemorySource)));
    src->pub.init_source = sourceInit;
    src->pub.fill_input_buffer = sourceFill;
    src->pub.skip_input_data = sourceSkip;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = sourceTerm;
    src->pub.next_input_byte = nullptr;
    src->pub.bytes_in_buffer = 0;
    src->bytes = file.bytes.data();
    src->count = size_t(file.bytes.size());
    src->presented = false;
    cinfo.src = &src->pub;
    jpeg_save_markers(&cinfo, JPEG_COM, 0xFFFF);
    for (int i = 0; i < 16; ++i)
        jpeg_save_markers(&cinfo, JPEG_APP0 + i, 0xFFFF);
    jpeg_read_header(&cinfo, TRUE);

    info.width = cinfo.image_width;
    info.height = cinfo.image_height;
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next) {
        marker.code = m->marker;
        marker.data.release();
        if (m->data_length && marker.data.reallocate(m->data_length, 0))
            memcpy(marker.data.data(), m->data, m->data_length);
        info.markers.push_back(marker);
    }
    marker.data.release();

    grPixelFormat pf{grFmtLuminance, grTypeUINT, grBits8};
    if (cinfo.num_components == 3 && cinfo.out_color_space == JCS_RGB)
        pf.format = grFmtRGB;
    else if (cinfo.num_components == 3 && cinfo.out_color_space == JCS_YCbCr)
        pf.format = grFmtYCbCr;
    else if (cinfo.num_components == 1 && cinfo.out_color_space == JCS_GRAYSCALE)
        pf.format = grFmtLuminance;
    else {
        (*cinfo.src->term_source)(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    const uint64_t w = cinfo.image_width, h = cinfo.image_height;
    if (w == 0 || h == 0 || w * h > grMaxDecodedPixels) {
        jpeg_destroy_decompress(&cinfo);
        libutils::reportf("%s: image too large.\n", name);
        return false;
    }

    image.release();
    image.format = pf;
    image.store = &grDefaultPixelStore;
    image.compressed = 0;
    image.pixelmap.reset();
    image.rowlength = image.skippixels = image.skiprows = 0;
    image.width = uint32_t(w);
    image.height = uint32_t(h);
    if (alignment > 0) {
        // A cleared square, the picture in its lower-left corner.
        uint32_t edge = roundUpTo(w > h ? w : h, alignment);
        image.width = image.height = edge;
    }
    bool allocated;
    if (border) {
        // One-pixel frame: rows two pixels longer, one row and pixel skipped.
        image.rowlength = image.width + 2;
        image.skippixels = 1;
        image.skiprows = 1;
        allocated = image.reallocate((uint64_t(image.height) + 2) * image.rowSize(), 0);
    } else {
        allocated = image.allocate();
    }
    if (!allocated) {
        jpeg_destroy_decompress(&cinfo);
        libutils::reportf("%s: jpeg decompress fail, stop.\n", name);
        return false;
    }

    // Scanline s (top first) goes to content row h - 1 - s.
    scanning = true;
    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = image.row(uint32_t(h - 1 - cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

bool jpegCompress(grJpegInfo& info, grByteVector& out, const grImage2D& image, int quality, bool forceBaseline)
{
    out.release();
    const grPixelFormat& pf = image.format;
    int components;
    J_COLOR_SPACE space;
    if (pf.type != grTypeUINT || pf.bits != grBits8)
        return false;
    switch (pf.format) {
    case grFmtRGB:
        components = 3, space = JCS_RGB;
        break;
    case grFmtYCbCr:
        components = 3, space = JCS_YCbCr;
        break;
    case grFmtLuminance:
        components = 1, space = JCS_GRAYSCALE;
        break;
    default:
        return false;
    }
    if (!image.holdsPixels() || image.width > JPEG_MAX_DIMENSION || image.height > JPEG_MAX_DIMENSION)
        return false;

    jpeg_compress_struct cinfo;
    ErrorTrap trap;
    cinfo.err = jpeg_std_error(&trap.pub);
    trap.pub.error_exit = trapExit;
    trap.pub.output_message = sinkMessage;
    trap.name = nullptr;
    if (setjmp(trap.jump)) {
        jpeg_destroy_compress(&cinfo);
        out.release();
        return false;
    }
    jpeg_CreateCompress(&cinfo, JPEG_LIB_VERSION, sizeof cinfo);
    MemoryDestination* dest = static_cast<MemoryDestination*>(
        (*cinfo.mem->alloc_small)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_PERMANENT, sizeof(MemoryDestination)));
    dest->pub.init_destination = destinationInit;
    dest->pub.empty_output_buffer = destinationFull;
    dest->pub.term_destination = destinationTerm;
    dest->out = &out;
    cinfo.dest = &dest->pub;

    cinfo.image_width = image.width;
    cinfo.image_height = image.height;
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, forceBaseline ? TRUE : FALSE);
    jpeg_start_compress(&cinfo, TRUE);
    for (const grJpegMarker& m : info.markers)
        jpeg_write_marker(&cinfo, m.code, m.data.data(), unsigned(m.data.size()));
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image.row(image.height - 1 - cinfo.next_scanline));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

bool jpegLoad(grImage2D& image, const char* name)
{
    grFileBuffer file;
    if (!file.load(name))
        return false;
    grJpegInfo info;
    return jpegDecompress(info, image, file, 0, false);
}

bool jpegSave(const grImage2D& image, const char* name)
{
    grJpegInfo info;
    grFileBuffer file;
    if (!jpegCompress(info, file.bytes, image, 95, true))
        return false;
    return file.save(name);
}

} // namespace libgr
