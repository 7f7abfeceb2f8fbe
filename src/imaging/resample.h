#pragma once
// Resampling. Colour and alpha are filtered alike (straight alpha), separably, with weights
// computed once per output row/column and normalised so a constant image stays constant.
#include "imaging/image.h"
#include "imaging/progress.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace mw {

// Lanczos-3 resample to newWidth x newHeight. newHeight == -1 keeps the aspect ratio
// (height = newWidth * h / w, truncated, at least 1). The same size returns an exact copy.
// Throws mw::Error for a non-positive target size or one refused by checkImageSize.
Image resampleLanczos3(const Image& src, int newWidth, int newHeight, const ProgressFn& progress = {});

// The same resample fed one source row at a time, in order, giving output rows in order; it
// holds only the few horizontally filtered rows the vertical filter needs, so a picture that
// is never whole (decoded a band at a time) can be resized on its way through. Output pixels
// are exactly resampleLanczos3's.
class Lanczos3RowStream {
public:
    // Throws mw::Error for sizes resampleLanczos3 refuses.
    Lanczos3RowStream(int srcW, int srcH, int dstW, int dstH);
    ~Lanczos3RowStream();
    Lanczos3RowStream(const Lanczos3RowStream&) = delete;
    Lanczos3RowStream& operator=(const Lanczos3RowStream&) = delete;

    // How many source rows (from the first) output row y needs.
    int sourceRowsFor(int y) const;
    int sourceRowsTaken() const { return m_taken; }
    // Takes the next source row (srcW RGBA pixels).
    void takeSourceRow(const uint8_t* row);
    // Output row y (dstW RGBA pixels), once sourceRowsFor(y) rows are taken; rows must be
    // asked for in order.
    void outputRow(int y, uint8_t* out);

private:
    struct Filters;
    std::unique_ptr<Filters> m_filters;
    int m_srcW, m_srcH, m_dstW, m_dstH;
    int m_ring = 1;
    int m_taken = 0;
    std::vector<uint8_t> m_rows;  // m_ring rows of dstW pixels, row sy in slot sy % m_ring
};

namespace detail {
// Turns the vector code paths off (tests compare them with the plain ones).
void setResampleSimd(bool allowed);
} // namespace detail

} // namespace mw
