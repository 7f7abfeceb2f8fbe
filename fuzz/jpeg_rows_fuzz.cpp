// libFuzzer entry for the JPEG row reader fed from a file, a piece at a time. Whatever the
// input, it must agree with the whole-image reader fed from memory: the same failure or the
// same pixels.
#include "imaging/image.h"
#include "imaging/image_io.h"
#include "imaging/jpeg_rows.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

namespace {

struct MemFile {
    int fd = -1;
    ~MemFile()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MemFile file{::memfd_create("jpeg", MFD_CLOEXEC)};
    if (file.fd < 0 || ::write(file.fd, data, size) != ssize_t(size) || ::lseek(file.fd, 0, SEEK_SET) != 0)
        return 0;

    mw::Image whole;
    mw::ReadOptions upright;
    upright.autoOrient = false;
    const bool wholeOk = bool(mw::decodeImage({data, size}, "jpg", whole, upright));

    mw::JpegRowReader reader;
    bool rowsOk = bool(reader.openFile(file.fd));
    if (rowsOk && (reader.isCmyk() || mw::checkImageSize(reader.width(), reader.height())))
        return 0;  // the whole-image reader converts CMYK itself and refuses these sizes
    std::vector<uint8_t> pixels;
    if (rowsOk) {
        const int w = reader.width(), h = reader.height();
        pixels.resize(size_t(w) * size_t(h) * 4);
        // Odd bands, so requests straddle the library's own row groups.
        for (int y = 0; y < h && rowsOk; y += 7) {
            uint8_t* rows[7];
            const int n = std::min(7, h - y);
            for (int i = 0; i < n; ++i)
                rows[i] = pixels.data() + size_t(y + i) * size_t(w) * 4;
            rowsOk = bool(reader.readRows(rows, n));
        }
        rowsOk = rowsOk && bool(reader.finish());
    }
    if (rowsOk != wholeOk)
        __builtin_trap();
    if (rowsOk && (whole.byteCount() != pixels.size() || std::memcmp(whole.data(), pixels.data(), pixels.size()) != 0))
        __builtin_trap();
    return 0;
}
