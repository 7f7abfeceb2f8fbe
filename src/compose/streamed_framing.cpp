#include "compose/streamed_framing.h"

#include "compose/frame_assembly.h"
#include "compose/framed_surround.h"
#include "imaging/atomic_file.h"
#include "imaging/jpeg_rows.h"
#include "imaging/orientation.h"
#include "imaging/resample.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <thread>
#include <vector>

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

// Closes a descriptor on every way out.
struct FileDescriptor {
    int fd = -1;
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Puts the photo's pixels where the result rows need them. An upright photo is decoded a band
// at a time, straight into place when it keeps its size, otherwise into a few rows of its own
// and shrunk by the insets on the way, each output row made as soon as its source rows are in.
// A photo turned by its EXIF tag is decoded whole first (its first upright row needs every
// decoded row) and its upright rows are taken from there.
class PhotoRows {
public:
    PhotoRows(JpegRowReader& reader, int orientation, const FrameComposer& composer)
        : m_reader(reader), m_orientation(orientation >= 2 && orientation <= 8 ? orientation : 1),
          m_photo(composer.photoRect()), m_inPlace(composer.inPlace())
    {
        const bool swap = m_orientation >= 5;
        const int uprightW = swap ? reader.height() : reader.width();
        const int uprightH = swap ? reader.width() : reader.height();
        if (!m_inPlace) {
            m_shrink.emplace(uprightW, uprightH, m_photo.width(), m_photo.height());
            m_upright.resize(size_t(uprightW) * 4);
        }
    }

    // The photo's pixels of result rows [y0, y1) into their rows; rowOf(y) gives row y.
    template <typename RowOf>
    Status fill(int y0, int y1, const RowOf& rowOf)
    {
        y0 = std::max(y0, m_photo.y0);
        y1 = std::min(y1, m_photo.y1);
        if (y0 >= y1)
            return Status::ok();
        if (m_orientation != 1)
            if (Status st = decodeWhole(); !st)
                return st;
        if (m_inPlace) {
            if (m_orientation != 1) {
                for (int y = y0; y < y1; ++y)
                    orientedRow(m_whole, m_orientation, y - m_photo.y0, rowOf(y) + size_t(m_photo.x0) * 4);
                return Status::ok();
            }
            uint8_t* rows[kBandRows];
            for (int y = y0; y < y1; ++y)
                rows[y - y0] = rowOf(y) + size_t(m_photo.x0) * 4;
            return m_reader.readRows(rows, y1 - y0);
        }
        for (int y = y0; y < y1; ++y) {
            const int shrunkRow = y - m_photo.y0;
            while (m_shrink->sourceRowsTaken() < m_shrink->sourceRowsFor(shrunkRow)) {
                if (Status st = takeSourceRow(); !st)
                    return st;
            }
            m_shrink->outputRow(shrunkRow, rowOf(y) + size_t(m_photo.x0) * 4);
        }
        return Status::ok();
    }

    // Reads what is left of the photo, so that a photo cut short is found out.
    Status finish()
    {
        if (m_orientation != 1) {
            if (Status st = decodeWhole(); !st)
                return st;
        }
        while (m_reader.rowsRead() < m_reader.height())
            if (Status st = decodeSourceRows(); !st)
                return st;
        return m_reader.finish();
    }

private:
    static constexpr int kSourceRows = 16;

    Status decodeWhole()
    {
        if (!m_whole.isEmpty())
            return Status::ok();
        m_whole = Image::uninitialized(m_reader.width(), m_reader.height(), false);
        std::vector<uint8_t*> rows(static_cast<size_t>(m_whole.height()));
        for (int y = 0; y < m_whole.height(); ++y)
            rows[size_t(y)] = m_whole.row(y);
        return m_reader.readRows(rows.data(), m_whole.height());
    }
    // The next kSourceRows decoded rows of an upright photo, row r in slot r % kSourceRows.
    Status decodeSourceRows()
    {
        const int decoded = m_reader.rowsRead();
        const int n = std::min(kSourceRows, m_reader.height() - decoded);
        const size_t stride = size_t(m_reader.width()) * 4;
        if (m_source.empty())
            m_source.resize(stride * kSourceRows);
        uint8_t* rows[kSourceRows];
        for (int i = 0; i < n; ++i)
            rows[i] = m_source.data() + size_t((decoded + i) % kSourceRows) * stride;
        return m_reader.readRows(rows, n);
    }
    Status takeSourceRow()
    {
        const int next = m_shrink->sourceRowsTaken();
        if (m_orientation != 1) {
            orientedRow(m_whole, m_orientation, next, m_upright.data());
            m_shrink->takeSourceRow(m_upright.data());
            return Status::ok();
        }
        if (next == m_reader.rowsRead())
            if (Status st = decodeSourceRows(); !st)
                return st;
        m_shrink->takeSourceRow(m_source.data() + size_t(next % kSourceRows) * size_t(m_reader.width()) * 4);
        return Status::ok();
    }

    JpegRowReader& m_reader;
    int m_orientation;
    PixelRect m_photo;
    bool m_inPlace;
    std::optional<Lanczos3RowStream> m_shrink;
    std::vector<uint8_t> m_source;   // upright photo: the latest decoded rows
    Image m_whole;                   // turned photo: all of it, as decoded
    std::vector<uint8_t> m_upright;  // turned photo: one upright row for the shrink
};

} // namespace

struct StreamedFramer::Prepared {
    Prepared(const PreparedFrame& frame, int PW, int PH, const std::optional<SoftShadowParams>& shadow,
             Color background)
        : composer(PW, PH, frame.insets, frame.layout, frame.pieces,
                   shadow ? dropShadowMargins(*shadow) : CanvasMargins{}),
          surround(composer, notEnlarging(shadow), background)
    {
    }
    static std::optional<SoftShadowParams> notEnlarging(std::optional<SoftShadowParams> shadow)
    {
        if (shadow)
            shadow->enlarge = false;  // the composer's margins are the enlarged canvas' border
        return shadow;
    }

    FrameComposer composer;
    FramedSurround surround;
};

// A few photo sizes at a time; a batch rarely has more, and each entry holds a frame's bands.
struct StreamedFramer::Cache {
    struct Entry {
        std::once_flag made;
        std::shared_ptr<const Prepared> prepared;
    };
    static constexpr size_t kSizes = 4;
    std::mutex mutex;
    std::vector<std::pair<std::pair<int, int>, std::shared_ptr<Entry>>> entries;  // newest last
};

StreamedFramer::StreamedFramer(FramingRequest request, Color background, int quality)
    : m_request(std::move(request)), m_background(background), m_quality(quality),
      m_cache(std::make_unique<Cache>())
{
}

StreamedFramer::~StreamedFramer() = default;

std::shared_ptr<const StreamedFramer::Prepared> StreamedFramer::preparedFor(int PW, int PH)
{
    std::shared_ptr<Cache::Entry> entry;
    {
        std::lock_guard lock(m_cache->mutex);
        auto& entries = m_cache->entries;
        const auto key = std::make_pair(PW, PH);
        const auto it = std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e.first == key; });
        if (it != entries.end()) {
            entry = it->second;
        } else {
            if (entries.size() >= Cache::kSizes)
                entries.erase(entries.begin());
            entry = std::make_shared<Cache::Entry>();
            entries.emplace_back(key, entry);
        }
    }
    // Made once, by whichever photo of this size comes first; a failure is thrown to that
    // photo and the next one tries again.
    std::call_once(entry->made, [&] {
        TFrameForm form;
        const PreparedFrame frame = form.prepareFrame(m_request.framePath, m_request.scale, PW, PH);
        entry->prepared = std::make_shared<const Prepared>(frame, PW, PH, dropShadowParams(m_request.shadow),
                                                           m_background);
    });
    return entry->prepared;
}

StreamedFraming StreamedFramer::frame(const std::string& photoPath, const std::string& outputPath)
{
    StreamedFraming result;
    FileDescriptor photo{::open(photoPath.c_str(), O_RDONLY | O_CLOEXEC)};
    if (photo.fd < 0)
        return result;
    ::posix_fadvise(photo.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    JpegRowReader reader;
    // A photo that does not open, is CMYK or too large goes the whole-picture way, which also
    // words every complaint about it.
    if (!reader.openFile(photo.fd) || reader.isCmyk() || checkImageSize(reader.width(), reader.height()))
        return result;
    // Framed upright: the size after its EXIF turn.
    const bool swap = reader.orientation() >= 5 && reader.orientation() <= 8;
    const int PW = swap ? reader.height() : reader.width();
    const int PH = swap ? reader.width() : reader.height();

    const std::shared_ptr<const Prepared> prepared = preparedFor(PW, PH);
    const FrameComposer& composer = prepared->composer;
    const FramedSurround& surround = prepared->surround;
    const PixelRect photoRect = composer.photoRect();
    PhotoRows photoRows(reader, reader.orientation(), composer);

    const int W = composer.width(), H = composer.height();
    AtomicFileWriter output(outputPath);
    JpegRowWriter writer;
    const auto sink = [&output](const uint8_t* data, size_t size) { return output.write(data, size); };
    if (Status st = writer.start(W, H, m_quality, sink); !st) {
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

    // Puts each band's photo rows in place, then composes the frame over them and paints
    // everything outside the photo.
    std::thread framing([&] {
        try {
            for (int b = 0; b < bands; ++b) {
                if (!ring.waitToFill(b))
                    return;
                const int y0 = b * kBandRows, y1 = std::min(H, y0 + kBandRows);
                if (Status st = photoRows.fill(y0, y1, rowOf); !st) {
                    photoStatus = st;
                    ring.stop();
                    return;
                }
                for (int y = y0; y < y1; ++y) {
                    uint8_t* row = rowOf(y);
                    const bool inPhoto = y >= photoRect.y0 && y < photoRect.y1;
                    composer.composeRow(y, row, inPhoto ? row + size_t(photoRect.x0) * 4 : nullptr, false);
                    surround.paintRow(y, row);
                }
                ring.filled(b);
            }
            if (Status st = photoRows.finish(); !st) {
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

StreamedFraming frameJpegStreamed(const std::string& photoPath, const std::string& outputPath,
                                  const FramingRequest& request, Color background, int quality)
{
    return StreamedFramer(request, background, quality).frame(photoPath, outputPath);
}

} // namespace mw
