#include "imaging/image_io.h"

#include "imaging/atomic_file.h"
#include "imaging/codecs/codec.h"
#include "imaging/orientation.h"

#include <algorithm>
#include <new>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mw {

namespace {

using DecodeFn = Status (*)(codecs::Bytes, Image&, codecs::DecodeExtras&);
using EncodeFn = Status (*)(const Image&, std::vector<uint8_t>&, const WriteOptions&);

struct Format {
    const char* extensions;  // space-separated, lower case
    DecodeFn decode;
    EncodeFn encode;
};

Status writePng(const Image& i, std::vector<uint8_t>& o, const WriteOptions& w) { return codecs::encodePng(i, o, w.pngCompression); }
Status writeJpeg(const Image& i, std::vector<uint8_t>& o, const WriteOptions& w) { return codecs::encodeJpeg(i, o, w.jpegQuality); }
Status writeJp2(const Image& i, std::vector<uint8_t>& o, const WriteOptions&) { return codecs::encodeJp2(i, o, false); }
Status writeJ2k(const Image& i, std::vector<uint8_t>& o, const WriteOptions&) { return codecs::encodeJp2(i, o, true); }
Status writeTiff(const Image& i, std::vector<uint8_t>& o, const WriteOptions&) { return codecs::encodeTiff(i, o); }
Status writeGif(const Image& i, std::vector<uint8_t>& o, const WriteOptions&) { return codecs::encodeGif(i, o); }
Status writeBmp(const Image& i, std::vector<uint8_t>& o, const WriteOptions&) { return codecs::encodeBmp(i, o); }
Status writeTga(const Image& i, std::vector<uint8_t>& o, const WriteOptions&) { return codecs::encodeTga(i, o); }
Status writePcx(const Image& i, std::vector<uint8_t>& o, const WriteOptions&) { return codecs::encodePcx(i, o); }
Status writeDcx(const Image& i, std::vector<uint8_t>& o, const WriteOptions&) { return codecs::encodeDcx(i, o); }

Status writePnmAs(const Image& image, std::vector<uint8_t>& out, int bits)
{
    Image copy(image);
    copy.setBitsPerPixel(bits);
    return codecs::encodePnm(copy, out);
}
// .pbm/.pgm/.ppm force their own kind; .pxm/.pnm follow the image's depth.
Status writePnm(const Image& i, std::vector<uint8_t>& o, const WriteOptions&) { return codecs::encodePnm(i, o); }
Status writePbm(const Image& i, std::vector<uint8_t>& o, const WriteOptions&) { return writePnmAs(i, o, 1); }
Status writePgm(const Image& i, std::vector<uint8_t>& o, const WriteOptions&) { return writePnmAs(i, o, 8); }
Status writePpm(const Image& i, std::vector<uint8_t>& o, const WriteOptions&) { return writePnmAs(i, o, 24); }

const Format kFormats[] = {
    {"png", codecs::decodePng, writePng},
    {"jpg jpeg jpe jif jfif", codecs::decodeJpeg, writeJpeg},
    {"jp2", codecs::decodeJp2, writeJp2},
    {"j2k jpc j2c", codecs::decodeJp2, writeJ2k},
    {"tif tiff fax g3n g3f xif", codecs::decodeTiff, writeTiff},
    {"gif", codecs::decodeGif, writeGif},
    {"bmp dib rle", codecs::decodeBmp, writeBmp},
    {"tga targa vda icb vst pix", codecs::decodeTga, writeTga},
    {"pxm pnm", codecs::decodePnm, writePnm},
    {"pbm", codecs::decodePnm, writePbm},
    {"pgm", codecs::decodePnm, writePgm},
    {"ppm", codecs::decodePnm, writePpm},
    {"pcx", codecs::decodePcx, writePcx},
    {"dcx", codecs::decodeDcx, writeDcx},
    {"wbmp", codecs::decodeWbmp, nullptr},
    {"ico cur", codecs::decodeIco, nullptr},
    {"webp", codecs::decodeWebp, nullptr},
};

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (!s.empty() && s.front() == '.')
        s.erase(0, 1);
    return s;
}

const Format* findFormat(const std::string& extension)
{
    const std::string ext = lower(extension);
    if (ext.empty())
        return nullptr;
    for (const Format& f : kFormats) {
        std::string list = std::string(" ") + f.extensions + " ";
        if (list.find(" " + ext + " ") != std::string::npos)
            return &f;
    }
    return nullptr;
}

std::string noReader(const std::string& ext) { return "no reader for the file type \"" + lower(ext) + "\""; }
std::string noWriter(const std::string& ext) { return "no writer for the file type \"" + lower(ext) + "\""; }

} // namespace

std::string fileExtension(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    return lower(path.substr(dot + 1));
}

bool canRead(const std::string& extension)
{
    const Format* f = findFormat(extension);
    return f && f->decode;
}

bool isJpegExtension(const std::string& extension)
{
    const Format* f = findFormat(extension);
    return f && f->decode == codecs::decodeJpeg;
}

bool canWrite(const std::string& extension)
{
    const Format* f = findFormat(extension);
    return f && f->encode;
}

Status decodeImage(std::span<const uint8_t> data, const std::string& extension, Image& out,
                   const ReadOptions& options)
{
    const Format* f = findFormat(extension);
    if (!f || !f->decode)
        return Status::fail(noReader(extension));
    if (data.empty())
        return Status::fail("the file is empty");
    Image decoded;
    codecs::DecodeExtras extras;
    extras.reserveMargin = std::clamp(options.reserveMargin, 0, 4096);
    Status st = Status::ok();
    // A decoder reports its own failures; this only keeps an allocation failure or a refused
    // size that slipped past it from escaping as an exception.
    try {
        st = f->decode(data, decoded, extras);
    } catch (const std::bad_alloc&) {
        st = Status::fail("not enough memory for the image");
    } catch (const std::exception& e) {
        st = Status::fail(e.what());
    }
    if (!st)
        return st;
    if (decoded.isEmpty())
        return Status::fail("the file holds no image");
    if (options.autoOrient && extras.orientation != 1)
        decoded = orientImage(decoded, extras.orientation);
    out = std::move(decoded);
    return Status::ok();
}

Status encodeImage(const Image& image, const std::string& extension, std::vector<uint8_t>& out,
                   const WriteOptions& options)
{
    const Format* f = findFormat(extension);
    if (!f || !f->encode)
        return Status::fail(noWriter(extension));
    if (image.isEmpty())
        return Status::fail("there is no image to write");
    out.clear();
    try {
        return f->encode(image, out, options);
    } catch (const std::bad_alloc&) {
        return Status::fail("not enough memory to encode the image");
    } catch (const std::exception& e) {
        return Status::fail(e.what());
    }
}

Status readImage(const std::string& path, Image& out, const ReadOptions& options)
{
    const std::string ext = fileExtension(path);
    // Open first: a missing file is an error of its own, whatever its type.
    std::vector<uint8_t> bytes = readFileBytes(path);
    return decodeImage(bytes, ext, out, options);
}

Status writeImage(const std::string& path, const Image& image, const WriteOptions& options)
{
    if (isJpegExtension(fileExtension(path)) && !image.isEmpty()) {
        // Encoded straight into the file: a large photo needs no buffer of its bytes.
        AtomicFileWriter file(path);
        Status st = Status::ok();
        try {
            st = codecs::encodeJpeg(image, file, options.jpegQuality);
        } catch (const std::bad_alloc&) {
            st = Status::fail("not enough memory to encode the image");
        }
        if (!st) {
            file.throwIfFailed();  // the file system's reason says more than the encoder's
            return st;
        }
        file.commit();
        return Status::ok();
    }
    std::vector<uint8_t> bytes;
    Status st = encodeImage(image, fileExtension(path), bytes, options);
    if (!st)
        return st;
    writeFileAtomically(path, bytes);
    return Status::ok();
}

std::vector<uint8_t> readFileBytes(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throwCannotOpen(path, errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        const int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd);
        throwCannotOpen(path, err);
    }
    std::vector<uint8_t> bytes;
    bytes.reserve(size_t(std::max<off_t>(st.st_size, 0)));
    uint8_t buf[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(fd);
            throwCannotOpen(path, err);
        }
        if (n == 0)
            break;
        bytes.insert(bytes.end(), buf, buf + n);
    }
    ::close(fd);
    return bytes;
}

void writeFileAtomically(const std::string& path, std::span<const uint8_t> bytes)
{
    AtomicFileWriter file(path);
    file.write(bytes.data(), bytes.size());
    file.commit();
}

} // namespace mw
