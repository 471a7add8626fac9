#include "platform/jpeg/JpegImage.h"

#include "platform/Error.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

// jpeglib.h needs FILE and size_t declared before it.
#include <jerror.h>
#include <jpeglib.h>

namespace jpeg {

namespace {

// libjpeg reports fatal errors by calling error_exit, which must not return. We longjmp back to guarded() and throw
// only once the libjpeg frames are gone, so no C++ destructor is ever skipped.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    int readErrno = 0; // set when the file source failed to read, as opposed to libjpeg refusing the data
    bool tooManyScans = false;
};

[[noreturn]] void errorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Warnings (a truncated file, corrupt entropy data) are not shown to the operator: the picture decodes anyway.
void outputMessage(j_common_ptr) {}

// Every progressive scan makes libjpeg walk the whole coefficient buffer again, so a small file repeating scans can
// keep it busy for minutes. Encoders write about ten; far more is an attack or garbage.
constexpr int maxScans = 100;

void limitScans(j_common_ptr cinfo) {
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > maxScans) {
        auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
        err->tooManyScans = true;
        std::longjmp(err->jump, 1);
    }
}

constexpr std::size_t fileBufferSize = 64 * 1024;

// A source that streams from a FILE, like jpeg_stdio_src, but tells a read error apart from an empty file.
struct FileSource {
    jpeg_source_mgr pub;
    std::FILE* file = nullptr;
    bool atStart = true;
    JOCTET buffer[fileBufferSize];
};

void initSource(j_decompress_ptr) {}
void termSource(j_decompress_ptr) {}

boolean fillInputBuffer(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<FileSource*>(cinfo->src);
    std::size_t count = std::fread(src->buffer, 1, fileBufferSize, src->file);
    if (count == 0) {
        if (std::ferror(src->file)) {
            auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
            err->readErrno = errno != 0 ? errno : EIO;
            std::longjmp(err->jump, 1);
        }
        if (src->atStart) {
            cinfo->err->msg_code = JERR_INPUT_EMPTY;
            cinfo->err->error_exit(reinterpret_cast<j_common_ptr>(cinfo));
        }
        // Premature end: hand libjpeg an EOI so it finishes the picture with what it has.
        cinfo->err->msg_code = JWRN_JPEG_EOF;
        cinfo->err->emit_message(reinterpret_cast<j_common_ptr>(cinfo), -1);
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        count = 2;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = count;
    src->atStart = false;
    return TRUE;
}

void skipInputData(j_decompress_ptr cinfo, long count) {
    jpeg_source_mgr* src = cinfo->src;
    while (count > static_cast<long>(src->bytes_in_buffer)) {
        count -= static_cast<long>(src->bytes_in_buffer);
        src->fill_input_buffer(cinfo);
    }
    if (count > 0) {
        src->next_input_byte += count;
        src->bytes_in_buffer -= static_cast<std::size_t>(count);
    }
}

// Everything that runs between setjmp and a possible longjmp: only trivially destructible state lives here.
struct DecodeState {
    jpeg_decompress_struct* cinfo;
    unsigned char* rgb;                  // output, width * height * 3, allocated by the caller after the header
    unsigned char* cmykRow;              // one row of CMYK samples when the file is CMYK or YCCK
    bool invertedCmyk;                   // Adobe writes CMYK inverted (0 = full ink)
    const unsigned char* data = nullptr; // the in-memory source, if any
    std::size_t size = 0;
};

// Calls step(state) with libjpeg errors caught; returns false if libjpeg gave up. Nothing here has a destructor, so
// the longjmp from errorExit skips none.
bool guarded(DecodeState& state, void (*step)(DecodeState&)) {
    auto* err = reinterpret_cast<ErrorManager*>(state.cinfo->err);
    if (setjmp(err->jump) != 0) return false;
    step(state);
    return true;
}

void readHeader(DecodeState& state) {
    jpeg_read_header(state.cinfo, TRUE);
}

void startDecompress(DecodeState& state) {
    jpeg_start_decompress(state.cinfo);
}

// Adobe's CMYK is stored inverted, so a stored value is already "how much light is left": R = C * K / 255.
void cmykToRgb(const unsigned char* cmyk, unsigned char* rgb, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        rgb[0] = static_cast<unsigned char>((c * k + 127) / 255);
        rgb[1] = static_cast<unsigned char>((m * k + 127) / 255);
        rgb[2] = static_cast<unsigned char>((y * k + 127) / 255);
    }
}

void readScanlines(DecodeState& state) {
    jpeg_decompress_struct* cinfo = state.cinfo;
    const std::size_t stride = static_cast<std::size_t>(cinfo->output_width) * 3;
    while (cinfo->output_scanline < cinfo->output_height) {
        unsigned char* out = state.rgb + cinfo->output_scanline * stride;
        if (state.cmykRow != nullptr) {
            JSAMPROW row = state.cmykRow;
            if (jpeg_read_scanlines(cinfo, &row, 1) == 1)
                cmykToRgb(state.cmykRow, out, cinfo->output_width, state.invertedCmyk);
        } else {
            JSAMPROW rows[16];
            JDIMENSION wanted = cinfo->output_height - cinfo->output_scanline;
            if (wanted > 16) wanted = 16;
            for (JDIMENSION i = 0; i < wanted; ++i)
                rows[i] = out + i * stride;
            jpeg_read_scanlines(cinfo, rows, wanted);
        }
    }
}

// Owns the decompressor so that it is destroyed on every path, thrown or not.
class Decompressor {
public:
    explicit Decompressor(int maxSide) : m_maxSide(maxSide) {
        m_cinfo.err = jpeg_std_error(&m_errors.pub);
        m_errors.pub.error_exit = errorExit;
        m_errors.pub.output_message = outputMessage;
        m_progress.progress_monitor = limitScans;
        // jpeg_create_decompress reports failure (a library version mismatch) through error_exit too.
        DecodeState state{&m_cinfo, nullptr, nullptr, false};
        m_created = guarded(state, [](DecodeState& s) { jpeg_create_decompress(s.cinfo); });
        if (!m_created) fail();
        m_cinfo.progress = &m_progress;
    }
    ~Decompressor() {
        if (m_created) jpeg_destroy_decompress(&m_cinfo);
    }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    jpeg_decompress_struct* cinfo() { return &m_cinfo; }

    [[noreturn]] void fail() {
        if (m_errors.tooManyScans)
            throw platform::Error("The logo has too many scans (more than " + std::to_string(maxScans) + ")");
        const int code = m_errors.pub.msg_code;
        // libjpeg's own dimension limit (65500) trips while reading the header; the operator gets the same message
        // as for our smaller limit, naming ours.
        if (code == JERR_IMAGE_TOO_BIG) throwTooLarge(m_cinfo.image_width, m_cinfo.image_height);
        throw platform::Error("JPEG error #" + std::to_string(code));
    }

    [[noreturn]] void throwTooLarge(JDIMENSION width, JDIMENSION height) const {
        throw platform::Error("The logo is too large: " + std::to_string(width) + " x " + std::to_string(height) +
                              " pixels (at most " + std::to_string(m_maxSide) + " x " + std::to_string(m_maxSide) +
                              ")");
    }

    // Runs the whole decode once a source is attached; onReadError turns a failed read into the caller's message.
    template <typename OnReadError> JpegImage decode(OnReadError onReadError) {
        DecodeState state{&m_cinfo, nullptr, nullptr, false};
        if (!guarded(state, readHeader)) failWith(onReadError);

        // Checked before jpeg_start_decompress, which allocates in proportion to the declared size.
        if (m_cinfo.image_width > static_cast<JDIMENSION>(m_maxSide) ||
            m_cinfo.image_height > static_cast<JDIMENSION>(m_maxSide))
            throwTooLarge(m_cinfo.image_width, m_cinfo.image_height);

        const bool cmyk = m_cinfo.jpeg_color_space == JCS_CMYK || m_cinfo.jpeg_color_space == JCS_YCCK;
        // libjpeg converts YCbCr, RGB and greyscale to RGB itself; CMYK it only hands over as CMYK.
        m_cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
        state.invertedCmyk = m_cinfo.saw_Adobe_marker != 0;
        if (!guarded(state, startDecompress)) failWith(onReadError);

        JpegImage image;
        image.width = static_cast<int>(m_cinfo.output_width);
        image.height = static_cast<int>(m_cinfo.output_height);
        image.rgb.resize(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3);
        std::vector<unsigned char> cmykRow(cmyk ? static_cast<std::size_t>(image.width) * 4 : 0);
        state.rgb = image.rgb.data();
        state.cmykRow = cmyk ? cmykRow.data() : nullptr;
        if (!guarded(state, readScanlines)) failWith(onReadError);
        // No jpeg_finish_decompress: every pixel is in, and whatever follows the last scan cannot change them.
        return image;
    }

private:
    template <typename OnReadError> [[noreturn]] void failWith(OnReadError onReadError) {
        if (m_errors.readErrno != 0) onReadError(m_errors.readErrno);
        fail();
    }

    ErrorManager m_errors{};
    jpeg_decompress_struct m_cinfo{};
    jpeg_progress_mgr m_progress{};
    bool m_created = false;
    int m_maxSide;
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

JpegImage decodeJpegFile(const std::string& path) {
    std::error_code ignored;
    std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
    if (absolute.empty()) absolute = path;
    auto cannotOpen = [&absolute](int error) {
        throw platform::Error("Cannot open file \"" + absolute.lexically_normal().string() + "\". " +
                              std::strerror(error));
    };

    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) cannotOpen(errno);

    Decompressor decompressor(maxJpegSide);
    auto source = std::make_unique<FileSource>();
    source->file = file.get();
    source->pub.init_source = initSource;
    source->pub.fill_input_buffer = fillInputBuffer;
    source->pub.skip_input_data = skipInputData;
    source->pub.resync_to_restart = jpeg_resync_to_restart;
    source->pub.term_source = termSource;
    decompressor.cinfo()->src = &source->pub;
    return decompressor.decode(cannotOpen);
}

JpegImage decodeJpeg(const unsigned char* data, std::size_t size) {
    return decodeJpeg(data, size, maxJpegSide);
}

JpegImage decodeJpeg(const unsigned char* data, std::size_t size, int maxSide) {
    Decompressor decompressor(maxSide);
    DecodeState state{decompressor.cinfo(), nullptr, nullptr, false};
    state.data = data;
    state.size = size;
    // jpeg_mem_src rejects an empty buffer through error_exit, so it runs guarded too.
    if (!guarded(state, [](DecodeState& s) { jpeg_mem_src(s.cinfo, s.data, static_cast<unsigned long>(s.size)); }))
        decompressor.fail();
    return decompressor.decode([](int) {});
}

} // namespace jpeg
