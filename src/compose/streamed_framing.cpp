#include "compose/streamed_framing.h"

#include "compose/frame_assembly.h"
#include "compose/framed_surround.h"
#include "imaging/atomic_file.h"
#include "imaging/jpeg_rows.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace mw {

namespace {

// Sixteen rows make one MCU row of a 4:2:0 JPEG; a few of them keep both threads busy while
// the bands stay in the cache.
constexpr int kBandRows = 32;
constexpr int kBandSlots = 4;

// The hand-over between the two threads: band b lives in slot b % kBandSlots, the framing
// thread fills bands in order and the encoding thread empties them in order.
class BandRing {
public:
    // Framing side: waits until band b's slot is free; false when the other side gave up.
    bool waitToFill(int band)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_stop || band - m_emptied < kBandSlots; });
        return !m_stop;
    }
    void filled(int band)
    {
        {
            std::lock_guard lock(m_mutex);
            m_filled = band + 1;
        }
        m_changed.notify_all();
    }
    // Encoding side: waits until band b is filled; false when the framing side gave up.
    bool waitToEmpty(int band)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_stop || m_filled > band; });
        return m_filled > band;
    }
    void emptied(int band)
    {
        {
            std::lock_guard lock(m_mutex);
            m_emptied = band + 1;
        }
        m_changed.notify_all();
    }
    void stop()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_filled = 0;
    int m_emptied = 0;
    bool m_stop = false;
};

} // namespace

// Closes a descriptor on every way out.
struct FileDescriptor {
    int fd = -1;
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

StreamedFraming frameJpegStreamed(const std::string& photoPath, const std::string& outputPath,
                                  const FramingRequest& request, Color background, int quality)
{
    StreamedFraming result;
    FileDescriptor photo{::open(photoPath.c_str(), O_RDONLY | O_CLOEXEC)};
    if (photo.fd < 0)
        return result;
    ::posix_fadvise(photo.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    JpegRowReader reader;
    // A photo that does not open, is turned by its EXIF tag, is CMYK or too large goes the
    // whole-picture way, which also words every complaint about it.
    if (!reader.openFile(photo.fd) || reader.orientation() != 1 || reader.isCmyk() ||
        checkImageSize(reader.width(), reader.height()))
        return result;
    const int PW = reader.width(), PH = reader.height();

    TFrameForm form;
    const PreparedFrame frame = form.prepareFrame(request.framePath, request.scale, PW, PH);
    if (frame.insets.left != 0 || frame.insets.top != 0)
        return result;
    const std::optional<SoftShadowParams> shadow = dropShadowParams(request.shadow);
    const CanvasMargins margins = shadow ? dropShadowMargins(*shadow) : CanvasMargins{};
    const FrameComposer composer(PW, PH, frame.insets, frame.layout, frame.pieces, margins);
    if (!composer.inPlace())
        return result;
    const PixelRect picture = composer.pictureRect();
    std::optional<SoftShadowParams> around = shadow;
    if (around)
        around->enlarge = false;  // the margins are the enlarged canvas' border already
    const FramedSurround surround(composer, around, background);

    const int W = composer.width(), H = composer.height();
    AtomicFileWriter output(outputPath);
    JpegRowWriter writer;
    const auto sink = [&output](const uint8_t* data, size_t size) { return output.write(data, size); };
    if (Status st = writer.start(W, H, quality, sink); !st) {
        result.outcome = StreamedFraming::Outcome::EncodeFailed;
        result.status = st;
        return result;
    }

    const size_t stride = size_t(W) * 4;
    std::unique_ptr<uint8_t[]> bandMemory(new uint8_t[stride * kBandRows * kBandSlots]);
    auto rowOf = [&](int y) { return bandMemory.get() + size_t((y / kBandRows) % kBandSlots) * kBandRows * stride +
                                     size_t(y % kBandRows) * stride; };
    const int bands = (H + kBandRows - 1) / kBandRows;
    BandRing ring;
    Status photoStatus = Status::ok();

    // Decodes each band's photo rows straight into their place in the result rows, then
    // composes the frame and the shadow's border around them.
    std::thread framing([&] {
        try {
            const uint8_t* rows[kBandRows];
            for (int b = 0; b < bands; ++b) {
                if (!ring.waitToFill(b))
                    return;
                const int y0 = b * kBandRows, y1 = std::min(H, y0 + kBandRows);
                int n = 0;
                for (int y = std::max(y0, picture.y0); y < std::min(y1, picture.y1); ++y)
                    rows[n++] = rowOf(y) + size_t(picture.x0) * 4;
                if (Status st = reader.readRows(const_cast<uint8_t* const*>(rows), n); !st) {
                    photoStatus = st;
                    ring.stop();
                    return;
                }
                for (int y = y0; y < y1; ++y) {
                    uint8_t* row = rowOf(y);
                    const bool inPicture = y >= picture.y0 && y < picture.y1;
                    composer.composeRow(y, row, inPicture ? row + size_t(picture.x0) * 4 : nullptr, false);
                    surround.paintRow(y, row);
                }
                ring.filled(b);
            }
            if (Status st = reader.finish(); !st) {
                photoStatus = st;
                ring.stop();
            }
        } catch (const std::bad_alloc&) {
            photoStatus = Status::fail("not enough memory");
            ring.stop();
        } catch (const std::exception& e) {
            photoStatus = Status::fail(e.what());
            ring.stop();
        }
    });

    Status encodeStatus = Status::ok();
    const uint8_t* rows[kBandRows];
    for (int b = 0; b < bands; ++b) {
        if (!ring.waitToEmpty(b))
            break;
        const int y0 = b * kBandRows, y1 = std::min(H, y0 + kBandRows);
        for (int y = y0; y < y1; ++y)
            rows[y - y0] = rowOf(y);
        encodeStatus = writer.writeRows(rows, y1 - y0);
        if (!encodeStatus) {
            ring.stop();
            break;
        }
        ring.emptied(b);
    }
    framing.join();

    if (!photoStatus) {
        result.outcome = StreamedFraming::Outcome::PhotoFailed;
        result.status = photoStatus;
    } else if (std::vector<uint8_t> none; !encodeStatus || !(encodeStatus = writer.finish(none))) {
        output.throwIfFailed();  // the file system's reason says more than the encoder's
        result.outcome = StreamedFraming::Outcome::EncodeFailed;
        result.status = encodeStatus;
    } else {
        output.commit();
        result.outcome = StreamedFraming::Outcome::Written;
    }
    return result;
}

} // namespace mw
