#include "compose/mitrebox.h"

#include "compose/frame_assembly.h"
#include "framelib/frame_library.h"
#include "imaging/image_io.h"
#include "imaging/resample.h"
#include "imaging/status.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace mw {

namespace {

// Halves go to the even neighbour (2.5 -> 2, 3.5 -> 4), as everywhere in the program.
int64_t roundHalfEven(double v)
{
    const double f = std::floor(v);
    const double diff = v - f;
    if (diff < 0.5)
        return int64_t(f);
    if (diff > 0.5)
        return int64_t(f) + 1;
    return std::fmod(f, 2.0) == 0.0 ? int64_t(f) : int64_t(f) + 1;
}

int scaledOffset(int offset, double scale)
{
    const int64_t v = roundHalfEven(double(offset) * scale);
    return int(std::clamp<int64_t>(v, INT32_MIN / 4, INT32_MAX / 4));
}

} // namespace

PieceSize scaledPieceSize(int w, int h, double scale)
{
    if (w <= 0 || h <= 0)
        return {w, h};
    const int64_t nw = roundHalfEven(double(w) * scale);
    if (nw <= 0 || nw > kMaxImageSide)
        return {w, h};  // too small to scale: the piece keeps its stored size
    const int64_t nh = std::max<int64_t>(1, nw * h / w);
    return {int(nw), int(std::min<int64_t>(nh, kMaxImageSide))};
}

int edgeTileCount(int span, int tile)
{
    if (tile <= 0)
        return 0;
    int n = span / tile;
    if (span % tile > 0)
        ++n;
    return n;
}

TFrameForm::TFrameForm() = default;

void TFrameForm::reportProgress(int position, int maximum)
{
    m_progressPosition = position;
    m_progressMaximum = maximum;
    if (m_progress)
        m_progress(position, maximum);
}

void TFrameForm::LoadFramePiece(const QString& PiecePath, double Scale)
{
    reportProgress(m_progressPosition + 1, m_progressMaximum);
    const std::string path = PiecePath.toStdString();
    Image piece;
    ReadOptions options;
    options.autoOrient = false;
    const Status status = readImage(path, piece, options);  // a missing file throws FileError
    if (!status)
        throw Error("Cannot read frame piece \"" + path + "\": " + status.reason());
    if (piece.isEmpty())
        throw Error("Cannot read frame piece \"" + path + "\": the image is 0 pixels wide or high");
    const PieceSize size = scaledPieceSize(piece.width(), piece.height(), Scale);
    if (size.width != piece.width() || size.height != piece.height())
        piece = resampleLanczos3(piece, size.width, size.height);
    ievSide.clear();
    Layer& layer = ievSide.layer(0);
    layer.drawnWidth = piece.width();
    layer.drawnHeight = piece.height();
    layer.image = std::move(piece);
}

void TFrameForm::BuildFramedImage(const QString& FramePath, double Scale)
{
    buildFramedImage(FramePath, Scale, CanvasMargins{});
}

PreparedFrame TFrameForm::prepareFrame(const QString& framePath, double scale, int PW, int PH)
{
    // The program offers 100, 75, 50 and 25 %; anything else must at least be a sane factor.
    if (!(scale > 0.0 && scale <= 16.0))
        throw Error("Cannot scale the frame by " + std::to_string(scale));

    m_geometry = FrameGeometry{};
    ievmask.clear();
    reportProgress(0, 8);

    // Inset offsets at 100 %, scaled with the pieces.
    const InsetOffsets stored = readInsetOffsets(folderOf(framePath), frameName(framePath));
    PreparedFrame frame;
    frame.insets = InsetOffsets{scaledOffset(stored.left, scale), scaledOffset(stored.top, scale)};
    const int L = frame.insets.left, T = frame.insets.top;
    m_geometry.insets = frame.insets;
    if (int64_t(PW) - 2 * int64_t(L) <= 0 || int64_t(PH) - 2 * int64_t(T) <= 0)
        throw Error("The photo (" + std::to_string(PW) + "x" + std::to_string(PH) +
                    ") is too small for the frame's inset of " + std::to_string(L) + "x" + std::to_string(T) +
                    " pixels at this scale");

    // Each piece file is read and scaled once, in the order the assembly uses them.
    for (int k : {1, 2, 4, 6, 8, 7, 9, 3}) {
        LoadFramePiece(piecePath(framePath, k), scale);
        frame.pieces[size_t(k)] = ievSide.layer(0).image;
    }

    frame.layout = layoutFrame(PW, PH, frame.pieces);
    m_geometry = frame.layout.geometry;
    m_geometry.insets = frame.insets;
    // Layer 0 of the assembly canvas only stands for the canvas size; the frame itself is
    // never built whole (see composeFramedPhoto).
    ievmask.layer(0).drawnWidth = m_geometry.canvasWidth;
    ievmask.layer(0).drawnHeight = m_geometry.canvasHeight;
    return frame;
}

void TFrameForm::buildFramedImage(const QString& framePath, double scale, const CanvasMargins& margins)
{
    if (iev2.count() < 1 || iev2.layer(0).image.isEmpty())
        throw Error("There is no photo to frame (the picture is empty)");
    const PreparedFrame frame =
        prepareFrame(framePath, scale, iev2.layer(0).image.width(), iev2.layer(0).image.height());

    reportProgress(0, 100);
    Image photo = std::move(iev2.layer(0).image);
    iev2.clear();
    Image framed = composeFramedPhoto(std::move(photo), frame.insets, frame.layout, frame.pieces, margins,
                                      [this](int percent) { reportProgress(percent, 100); },
                                      &m_opaqueInterior);
    Layer& result = iev2.layer(0);
    result.x = 0;
    result.y = 0;
    result.drawnWidth = framed.width();
    result.drawnHeight = framed.height();
    result.image = std::move(framed);
    iev2.setCurrentIndex(0);
}

} // namespace mw
