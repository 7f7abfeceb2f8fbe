// libjpeg reports errors by longjmp: each call that may fail runs in a small function whose
// frame holds plain data only, so the jump never skips a C++ destructor.
#include "imaging/jpeg_rows.h"

#include "imaging/codecs/exif.h"

#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
#include <jerror.h>

#include <algorithm>
#include <cerrno>
#include <unistd.h>
#include <csetjmp>
#include <cstdlib>
#include <new>
#include <string>

namespace mw {

namespace {

// A progressive file may carry any number of scans, each costing a pass over the whole
// coefficient buffer; real files use about ten, damaged or hostile ones millions.
constexpr int kMaxScans = 1000;

struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

extern "C" void jpegErrorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings are silent, except running out of data: the library would pad the rest of the
// picture with grey and call it a success, which hides a damaged file from the user.
extern "C" void jpegEmitMessage(j_common_ptr cinfo, int level)
{
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    if (level < 0) {
        if (cinfo->err->msg_code == JWRN_JPEG_EOF) {
            std::snprintf(err->message, sizeof err->message, "the data is truncated");
            std::longjmp(err->jump, 1);
        }
        cinfo->err->num_warnings++;
    }
}

extern "C" void jpegOutputMessage(j_common_ptr) {}

extern "C" void jpegProgress(j_common_ptr cinfo)
{
    if (cinfo->is_decompressor) {
        auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
        if (d->input_scan_number > kMaxScans) {
            auto* err = reinterpret_cast<JpegError*>(cinfo->err);
            std::snprintf(err->message, sizeof err->message, "too many scans (more than %d)", kMaxScans);
            std::longjmp(err->jump, 1);
        }
    }
}

void initError(JpegError* err)
{
    jpeg_std_error(&err->mgr);
    err->mgr.error_exit = jpegErrorExit;
    err->mgr.emit_message = jpegEmitMessage;
    err->mgr.output_message = jpegOutputMessage;
    std::snprintf(err->message, sizeof err->message, "the data is damaged");
}

Status failure(const char* message)
{
    return Status::fail(std::string("JPEG: ") + message);
}

} // namespace

// --- reading ---------------------------------------------------------------------------------

// Enough for the library's largest single request and few system calls per photo.
constexpr size_t kFileChunk = size_t(1) << 18;

struct JpegRowReader::State {
    jpeg_decompress_struct cinfo;
    JpegError err;
    jpeg_progress_mgr progress;
    jpeg_source_mgr fileSource;
    int fd;
    std::unique_ptr<uint8_t[]> fileChunk;
    bool created;
    bool started;
    bool failed;
    bool cmyk;
    bool adobeInverted;
    bool grey;
    int orientation;
};

namespace {

bool readHeader(JpegRowReader::State* s, const uint8_t* data, size_t size);
bool readFileHeader(JpegRowReader::State* s);
bool startReading(JpegRowReader::State* s);
bool readScanlines(JpegRowReader::State* s, JSAMPROW* rows, JDIMENSION count);
bool finishReading(JpegRowReader::State* s);

} // namespace

JpegRowReader::JpegRowReader() : m(std::make_unique<State>())
{
    m->orientation = 1;
    m->fd = -1;
    initError(&m->err);
}

JpegRowReader::~JpegRowReader()
{
    if (m->created)
        jpeg_destroy_decompress(&m->cinfo);
}

Status JpegRowReader::open(std::span<const uint8_t> data)
{
    if (m->created || m->failed)
        return failure("the reader is already in use");
    if (data.size() < 3 || data[0] != 0xFF || data[1] != 0xD8 || data[2] != 0xFF)
        return Status::fail("not a JPEG file (bad signature)");
    if (!readHeader(m.get(), data.data(), data.size())) {
        m->failed = true;
        return failure(m->err.message);
    }
    return Status::ok();
}

Status JpegRowReader::openFile(int fd)
{
    if (m->created || m->failed)
        return failure("the reader is already in use");
    // The same first test as for memory: SOI and the start of the next marker.
    const off_t at = ::lseek(fd, 0, SEEK_CUR);
    uint8_t head[3] = {0, 0, 0};
    if (at < 0 || ::pread(fd, head, 3, at) != 3 || head[0] != 0xFF || head[1] != 0xD8 || head[2] != 0xFF)
        return Status::fail("not a JPEG file (bad signature)");
    m->fd = fd;
    m->fileChunk.reset(new uint8_t[kFileChunk]);
    if (!readFileHeader(m.get())) {
        m->failed = true;
        return failure(m->err.message);
    }
    return Status::ok();
}

int JpegRowReader::width() const { return m->created ? int(m->cinfo.output_width) : 0; }
int JpegRowReader::height() const { return m->created ? int(m->cinfo.output_height) : 0; }
int JpegRowReader::orientation() const { return m->orientation; }
bool JpegRowReader::isGrey() const { return m->grey; }
bool JpegRowReader::isCmyk() const { return m->cmyk; }
bool JpegRowReader::adobeInverted() const { return m->adobeInverted; }
int JpegRowReader::rowsRead() const { return m->started ? int(m->cinfo.output_scanline) : 0; }

Status JpegRowReader::readRows(uint8_t* const* rows, int count)
{
    if (!m->created || m->failed)
        return failure(m->err.message);
    if (count <= 0)
        return Status::ok();
    if (count > height() - rowsRead())
        return failure("more rows asked for than the picture has");
    if (!m->started) {
        if (!startReading(m.get())) {
            m->failed = true;
            return failure(m->err.message);
        }
        m->started = true;
    }
    if (!readScanlines(m.get(), const_cast<JSAMPROW*>(rows), JDIMENSION(count))) {
        m->failed = true;
        return failure(m->err.message);
    }
    return Status::ok();
}

Status JpegRowReader::finish()
{
    if (!m->started || m->failed || rowsRead() != height())
        return failure(m->failed ? m->err.message : "the picture was not read to its end");
    if (!finishReading(m.get())) {
        m->failed = true;
        return failure(m->err.message);
    }
    return Status::ok();
}

namespace {

// The part of reading a header after the source is set.
void parseHeader(JpegRowReader::State* s)
{
    s->progress.progress_monitor = jpegProgress;
    s->cinfo.progress = &s->progress;
    jpeg_save_markers(&s->cinfo, JPEG_APP0 + 1, 0xffff);
    jpeg_read_header(&s->cinfo, TRUE);

    for (jpeg_saved_marker_ptr mk = s->cinfo.marker_list; mk; mk = mk->next) {
        if (mk->marker == JPEG_APP0 + 1) {
            const int o = codecs::exifOrientation(codecs::Bytes(mk->data, mk->data_length));
            if (o != 1) {
                s->orientation = o;
                break;
            }
        }
    }

    switch (s->cinfo.jpeg_color_space) {
    case JCS_CMYK:
    case JCS_YCCK:
        s->cmyk = true;
        s->adobeInverted = s->cinfo.saw_Adobe_marker;
        s->cinfo.out_color_space = JCS_CMYK;
        break;
    case JCS_GRAYSCALE:
        s->grey = true;
        s->cinfo.out_color_space = JCS_EXT_RGBA;
        break;
    default:
        s->cinfo.out_color_space = JCS_EXT_RGBA;
        break;
    }
    s->cinfo.dct_method = JDCT_ISLOW;
    jpeg_calc_output_dimensions(&s->cinfo);
}

bool readHeader(JpegRowReader::State* s, const uint8_t* data, size_t size)
{
    s->cinfo.err = &s->err.mgr;
    if (setjmp(s->err.jump))
        return false;
    jpeg_create_decompress(&s->cinfo);
    s->created = true;
    jpeg_mem_src(&s->cinfo, data, static_cast<unsigned long>(size));
    parseHeader(s);
    return true;
}

// A file source: the next piece on each request. At the end of the file the library is told
// the data ran out, which the warning handler turns into "truncated", as for memory.
extern "C" void fileSourceInit(j_decompress_ptr) {}

extern "C" boolean fileSourceFill(j_decompress_ptr cinfo)
{
    auto* s = static_cast<JpegRowReader::State*>(cinfo->client_data);
    ssize_t n;
    do
        n = ::read(s->fd, s->fileChunk.get(), kFileChunk);
    while (n < 0 && errno == EINTR);
    if (n < 0)
        ERREXIT(cinfo, JERR_FILE_READ);
    if (n == 0) {
        WARNMS(cinfo, JWRN_JPEG_EOF);
        s->fileChunk[0] = 0xFF;
        s->fileChunk[1] = JPEG_EOI;
        n = 2;
    }
    cinfo->src->next_input_byte = s->fileChunk.get();
    cinfo->src->bytes_in_buffer = size_t(n);
    return TRUE;
}

extern "C" void fileSourceSkip(j_decompress_ptr cinfo, long count)
{
    if (count <= 0)
        return;
    jpeg_source_mgr* src = cinfo->src;
    while (size_t(count) > src->bytes_in_buffer) {
        count -= long(src->bytes_in_buffer);
        src->bytes_in_buffer = 0;
        fileSourceFill(cinfo);
    }
    src->next_input_byte += count;
    src->bytes_in_buffer -= size_t(count);
}

extern "C" void fileSourceTerm(j_decompress_ptr) {}

bool readFileHeader(JpegRowReader::State* s)
{
    s->cinfo.err = &s->err.mgr;
    if (setjmp(s->err.jump))
        return false;
    jpeg_create_decompress(&s->cinfo);
    s->created = true;
    s->cinfo.client_data = s;
    s->fileSource.init_source = fileSourceInit;
    s->fileSource.fill_input_buffer = fileSourceFill;
    s->fileSource.skip_input_data = fileSourceSkip;
    s->fileSource.resync_to_restart = jpeg_resync_to_restart;
    s->fileSource.term_source = fileSourceTerm;
    s->fileSource.bytes_in_buffer = 0;
    s->fileSource.next_input_byte = nullptr;
    s->cinfo.src = &s->fileSource;
    parseHeader(s);
    return true;
}

bool startReading(JpegRowReader::State* s)
{
    const JDIMENSION w = s->cinfo.output_width, h = s->cinfo.output_height;
    if (setjmp(s->err.jump))
        return false;
    jpeg_start_decompress(&s->cinfo);
    if (s->cinfo.output_components != 4 || s->cinfo.output_width != w || s->cinfo.output_height != h) {
        std::snprintf(s->err.message, sizeof s->err.message, "unexpected JPEG output layout");
        return false;
    }
    return true;
}

bool readScanlines(JpegRowReader::State* s, JSAMPROW* rows, JDIMENSION count)
{
    if (setjmp(s->err.jump))
        return false;
    JDIMENSION done = 0;
    while (done < count) {
        const JDIMENSION n = jpeg_read_scanlines(&s->cinfo, rows + done, count - done);
        if (n == 0) {  // only a suspending data source stops short; ours never does
            std::snprintf(s->err.message, sizeof s->err.message, "the data is truncated");
            return false;
        }
        done += n;
    }
    return true;
}

bool finishReading(JpegRowReader::State* s)
{
    if (setjmp(s->err.jump))
        return false;
    jpeg_finish_decompress(&s->cinfo);
    return true;
}

} // namespace

// --- writing ---------------------------------------------------------------------------------

struct JpegRowWriter::State {
    jpeg_compress_struct cinfo;
    JpegError err;
    bool created;
    bool started;
    bool failed;
    unsigned char* buffer;  // memory destination
    unsigned long size;
    ByteSink sink;          // or this one
    jpeg_destination_mgr sinkDestination;
    std::unique_ptr<uint8_t[]> sinkChunk;
};

namespace {

bool startWriting(JpegRowWriter::State* s, JDIMENSION width, JDIMENSION height, int quality);
bool writeScanlines(JpegRowWriter::State* s, JSAMPROW* rows, JDIMENSION count);
bool finishWriting(JpegRowWriter::State* s);

} // namespace

JpegRowWriter::JpegRowWriter() : m(std::make_unique<State>())
{
    initError(&m->err);
}

JpegRowWriter::~JpegRowWriter()
{
    if (m->created)
        jpeg_destroy_compress(&m->cinfo);
    std::free(m->buffer);
}

Status JpegRowWriter::start(int width, int height, int quality, ByteSink sink)
{
    if (m->created || m->failed)
        return failure("the writer is already in use");
    if (width <= 0 || height <= 0)
        return Status::fail("there is no image to write");
    if (width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION)
        return Status::fail("the image is too large for JPEG (at most " + std::to_string(JPEG_MAX_DIMENSION) +
                            " pixels on a side)");
    if (sink) {
        m->sink = std::move(sink);
        m->sinkChunk.reset(new uint8_t[kFileChunk]);
    }
    if (!startWriting(m.get(), JDIMENSION(width), JDIMENSION(height), std::clamp(quality, 1, 100))) {
        m->failed = true;
        return failure(m->err.message);
    }
    m->started = true;
    return Status::ok();
}

Status JpegRowWriter::writeRows(const uint8_t* const* rows, int count)
{
    if (!m->started || m->failed)
        return failure(m->failed ? m->err.message : "the writer was not started");
    if (count <= 0)
        return Status::ok();
    if (JDIMENSION(count) > m->cinfo.image_height - m->cinfo.next_scanline)
        return failure("more rows given than the picture has");
    // The library only reads the rows.
    if (!writeScanlines(m.get(), const_cast<JSAMPROW*>(rows), JDIMENSION(count))) {
        m->failed = true;
        return failure(m->err.message);
    }
    return Status::ok();
}

Status JpegRowWriter::finish(std::vector<uint8_t>& out)
{
    if (!m->started || m->failed || m->cinfo.next_scanline != m->cinfo.image_height)
        return failure(m->failed ? m->err.message : "the picture was not written to its end");
    if (!finishWriting(m.get())) {
        m->failed = true;
        return failure(m->err.message);
    }
    if (m->sink) {
        out.clear();
        return Status::ok();
    }
    try {
        out.assign(m->buffer, m->buffer + m->size);
    } catch (const std::bad_alloc&) {
        return Status::fail("not enough memory for the JPEG data");
    }
    return Status::ok();
}

namespace {

// A sink destination: each full piece goes to the sink; a refusal fails the encode.
bool toSink(JpegRowWriter::State* s, size_t size)
{
    try {
        return s->sink(s->sinkChunk.get(), size);
    } catch (...) {
        return false;
    }
}

extern "C" void sinkInit(j_compress_ptr cinfo)
{
    auto* s = static_cast<JpegRowWriter::State*>(cinfo->client_data);
    cinfo->dest->next_output_byte = s->sinkChunk.get();
    cinfo->dest->free_in_buffer = kFileChunk;
}

extern "C" boolean sinkEmpty(j_compress_ptr cinfo)
{
    auto* s = static_cast<JpegRowWriter::State*>(cinfo->client_data);
    if (!toSink(s, kFileChunk))
        ERREXIT(cinfo, JERR_FILE_WRITE);
    sinkInit(cinfo);
    return TRUE;
}

extern "C" void sinkTerm(j_compress_ptr cinfo)
{
    auto* s = static_cast<JpegRowWriter::State*>(cinfo->client_data);
    const size_t used = kFileChunk - cinfo->dest->free_in_buffer;
    if (used > 0 && !toSink(s, used))
        ERREXIT(cinfo, JERR_FILE_WRITE);
}

bool startWriting(JpegRowWriter::State* s, JDIMENSION width, JDIMENSION height, int quality)
{
    s->cinfo.err = &s->err.mgr;
    if (setjmp(s->err.jump))
        return false;
    jpeg_create_compress(&s->cinfo);
    s->created = true;
    if (s->sink) {
        s->cinfo.client_data = s;
        s->sinkDestination.init_destination = sinkInit;
        s->sinkDestination.empty_output_buffer = sinkEmpty;
        s->sinkDestination.term_destination = sinkTerm;
        s->cinfo.dest = &s->sinkDestination;
    } else {
        jpeg_mem_dest(&s->cinfo, &s->buffer, &s->size);
    }
    s->cinfo.image_width = width;
    s->cinfo.image_height = height;
    s->cinfo.input_components = 4;
    s->cinfo.in_color_space = JCS_EXT_RGBX;  // the fourth byte is ignored: JPEG has no alpha
    jpeg_set_defaults(&s->cinfo);
    jpeg_set_quality(&s->cinfo, quality, TRUE);
    s->cinfo.dct_method = JDCT_ISLOW;
    jpeg_start_compress(&s->cinfo, TRUE);
    return true;
}

bool writeScanlines(JpegRowWriter::State* s, JSAMPROW* rows, JDIMENSION count)
{
    if (setjmp(s->err.jump))
        return false;
    JDIMENSION done = 0;
    while (done < count) {
        const JDIMENSION n = jpeg_write_scanlines(&s->cinfo, rows + done, count - done);
        if (n == 0) {  // only a suspending destination stops short; ours never does
            std::snprintf(s->err.message, sizeof s->err.message, "the encoder stopped short");
            return false;
        }
        done += n;
    }
    return true;
}

bool finishWriting(JpegRowWriter::State* s)
{
    if (setjmp(s->err.jump))
        return false;
    jpeg_finish_compress(&s->cinfo);
    return true;
}

} // namespace

} // namespace mw
