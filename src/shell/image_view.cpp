#include "shell/image_view.h"

#include "imaging/parallel.h"
#include "workspace/qimage_convert.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>

#include <algorithm>
#include <cmath>

namespace mw {

namespace {

constexpr int kHandleSize = 6;       // widget pixels
constexpr int kHandleGrab = 5;       // distance from an edge that still grabs it
constexpr int kAntsIntervalMs = 120;

// Half-size copy by 2x2 averaging of premultiplied colour (so transparent pixels do not bleed
// their hidden colour into the edge). `straightRgba` rows are our image's R,G,B,A bytes; other
// rows are QImage's 32-bit premultiplied (or opaque) pixels. Odd last rows/columns are dropped.
QImage halve(const uchar* bits, qsizetype stride, int width, int height, bool straightRgba, bool alpha)
{
    const int ow = std::max(1, width / 2);
    const int oh = std::max(1, height / 2);
    QImage out(ow, oh, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    const int stepX = width > 1 ? 1 : 0;
    const int stepY = height > 1 ? 1 : 0;
    parallelFor(0, oh, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uchar* r0 = bits + qsizetype(2 * y) * stride;
            const uchar* r1 = r0 + stepY * stride;
            auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
            for (int x = 0; x < ow; ++x) {
                const int o0 = 8 * x;
                const int o1 = o0 + 4 * stepX;
                const uchar* px[4] = {r0 + o0, r0 + o1, r1 + o0, r1 + o1};
                unsigned r = 0, g = 0, b = 0, a = 0;
                if (straightRgba) {
                    for (const uchar* p : px) {
                        const unsigned pa = alpha ? p[3] : 255;
                        r += p[0] * pa;
                        g += p[1] * pa;
                        b += p[2] * pa;
                        a += pa;
                    }
                    // Sums of four colour * alpha products: back to 0..255 premultiplied.
                    dst[x] = qRgba(int((r + 510) / 1020), int((g + 510) / 1020), int((b + 510) / 1020),
                                   int((a + 2) / 4));
                } else {
                    for (const uchar* p : px) {
                        const QRgb v = *reinterpret_cast<const QRgb*>(p);
                        r += qRed(v);
                        g += qGreen(v);
                        b += qBlue(v);
                        a += qAlpha(v);
                    }
                    dst[x] = qRgba(int((r + 2) / 4), int((g + 2) / 4), int((b + 2) / 4), int((a + 2) / 4));
                }
            }
        }
    }, 8);
    return out;
}

} // namespace

ImageView::ImageView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::ArrowCursor);
    m_antsTimer.setInterval(kAntsIntervalMs);
    connect(&m_antsTimer, &QTimer::timeout, this, [this] {
        m_antsOffset = (m_antsOffset + 1) % 8;
        update(selectionRectInWidget().adjusted(-kHandleSize, -kHandleSize, kHandleSize, kHandleSize));
    });
}

ImageView::~ImageView() = default;

void ImageView::setImage(Image image)
{
    m_image = std::move(image);
    m_pyramid.clear();
    m_scaledCache = QPixmap();
    m_scaledCacheSize = QSize();
    m_drag = DragMode::None;
    if (m_hasSelection) {
        m_hasSelection = false;
        m_selection = QRect();
        m_antsTimer.stop();
        emit selectionChanged();
    }
    update();
}

void ImageView::clearImage()
{
    setImage(Image());
}

void ImageView::setBackgroundColor(const QColor& color)
{
    if (color == m_background)
        return;
    m_background = color;
    update();
}

void ImageView::setMouseInteraction(MouseInteraction mode)
{
    m_interaction = mode;
    if (mode == MouseInteraction::None) {
        m_drag = DragMode::None;
        unsetCursor();
        setCursor(Qt::ArrowCursor);
    }
}

SelectionRect ImageView::selection() const
{
    if (!m_hasSelection)
        return {};
    return SelectionRect{m_selection.left(), m_selection.top(), m_selection.right(), m_selection.bottom()};
}

QRect ImageView::clampToImage(QRect r) const
{
    if (m_image.isEmpty())
        return {};
    return r.normalized().intersected(QRect(0, 0, m_image.width(), m_image.height()));
}

void ImageView::setSelectionInternal(QRect imageRect)
{
    const QRect r = clampToImage(imageRect);
    const bool has = r.isValid() && !r.isEmpty();
    if (has == m_hasSelection && (!has || r == m_selection))
        return;
    const QRect oldArea = selectionRectInWidget();
    m_hasSelection = has;
    m_selection = has ? r : QRect();
    if (m_hasSelection && m_selectionVisible)
        m_antsTimer.start();
    else
        m_antsTimer.stop();
    const int pad = kHandleSize + 2;
    update(oldArea.adjusted(-pad, -pad, pad, pad));
    update(selectionRectInWidget().adjusted(-pad, -pad, pad, pad));
}

void ImageView::setSelection(const SelectionRect& rect)
{
    const bool had = m_hasSelection;
    const QRect before = m_selection;
    if (rect.isEmpty())
        setSelectionInternal(QRect());
    else
        setSelectionInternal(QRect(QPoint(rect.firstColumn, rect.firstRow), QPoint(rect.lastColumn, rect.lastRow)));
    if (had != m_hasSelection || before != m_selection)
        emit selectionChanged();
}

void ImageView::deselect()
{
    setSelection(SelectionRect{});
}

void ImageView::setSelectionVisible(bool visible)
{
    m_selectionVisible = visible;
    if (m_hasSelection && visible)
        m_antsTimer.start();
    else
        m_antsTimer.stop();
    update();
}

double ImageView::displayScale() const
{
    if (m_image.isEmpty() || width() <= 0 || height() <= 0)
        return 1.0;
    // Shrink to fit, never enlarge.
    return std::min({1.0, double(width()) / m_image.width(), double(height()) / m_image.height()});
}

QRect ImageView::imageRectInWidget() const
{
    if (m_image.isEmpty())
        return {};
    const double s = displayScale();
    return QRect(0, 0, std::max(1, int(std::lround(m_image.width() * s))),
                 std::max(1, int(std::lround(m_image.height() * s))));
}

// Continuous mapping: widget position p lies on image position p * (image size / drawn size).
static double toImageX(const QRect& drawn, int imageWidth, double x) { return x * imageWidth / drawn.width(); }
static double toImageY(const QRect& drawn, int imageHeight, double y) { return y * imageHeight / drawn.height(); }

QPoint ImageView::widgetToImage(const QPoint& widgetPos) const
{
    const QRect drawn = imageRectInWidget();
    if (drawn.isEmpty())
        return widgetPos;
    return QPoint(int(std::floor(toImageX(drawn, m_image.width(), widgetPos.x()))),
                  int(std::floor(toImageY(drawn, m_image.height(), widgetPos.y()))));
}

QPoint ImageView::imageToWidget(const QPoint& imagePos) const
{
    const QRect drawn = imageRectInWidget();
    if (drawn.isEmpty())
        return imagePos;
    return QPoint(int(std::floor((imagePos.x() + 0.5) * drawn.width() / m_image.width())),
                  int(std::floor((imagePos.y() + 0.5) * drawn.height() / m_image.height())));
}

QRect ImageView::selectionRectInWidget() const
{
    if (!m_hasSelection)
        return {};
    const QRect drawn = imageRectInWidget();
    const double sx = double(drawn.width()) / m_image.width();
    const double sy = double(drawn.height()) / m_image.height();
    const int left = int(std::floor(m_selection.left() * sx));
    const int top = int(std::floor(m_selection.top() * sy));
    const int right = int(std::ceil((m_selection.right() + 1) * sx)) - 1;
    const int bottom = int(std::ceil((m_selection.bottom() + 1) * sy)) - 1;
    return QRect(QPoint(left, top), QPoint(std::max(left, right), std::max(top, bottom)));
}

QSize ImageView::sizeHint() const
{
    return QSize(320, 240);
}

const QPixmap& ImageView::scaledPixmap() const
{
    const QRect drawn = imageRectInWidget();
    if (!m_scaledCache.isNull() && m_scaledCacheSize == drawn.size())
        return m_scaledCache;

    const qreal dpr = devicePixelRatioF();
    const QSize target(std::min(m_image.width(), int(std::lround(drawn.width() * dpr))),
                       std::min(m_image.height(), int(std::lround(drawn.height() * dpr))));
    const QImage full = wrapAsQImage(m_image);
    QImage scaled;
    if (target == full.size()) {
        scaled = full.convertToFormat(m_image.hasAlpha() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    } else {
        // Halve repeatedly while the image is more than twice the target: each halving is a
        // cheap 2x2 average and the final smooth step stays short, so a 24 MP photo rescales
        // quickly while the pane is resized. The halvings are kept for the next size.
        size_t k = 0;
        auto levelSize = [&](size_t i) {
            return i == 0 ? full.size() : m_pyramid[i - 1].size();
        };
        while (levelSize(k).width() >= 2 * target.width() && levelSize(k).height() >= 2 * target.height()) {
            if (k == m_pyramid.size()) {
                if (k == 0)
                    m_pyramid.push_back(halve(m_image.data(), qsizetype(m_image.stride()), m_image.width(),
                                              m_image.height(), true, m_image.hasAlpha()));
                else {
                    const QImage& src = m_pyramid[k - 1];
                    m_pyramid.push_back(halve(src.constBits(), src.bytesPerLine(), src.width(), src.height(), false,
                                              m_image.hasAlpha()));
                }
            }
            ++k;
        }
        const QImage& base = k == 0 ? full : m_pyramid[k - 1];
        scaled = base.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    m_scaledCache = QPixmap::fromImage(std::move(scaled));
    m_scaledCache.setDevicePixelRatio(double(m_scaledCache.width()) / std::max(1, drawn.width()));
    m_scaledCacheSize = drawn.size();
    return m_scaledCache;
}

void ImageView::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    p.fillRect(event->rect(), m_background);
    if (m_image.isEmpty())
        return;
    const QRect drawn = imageRectInWidget();
    p.drawPixmap(drawn, scaledPixmap());

    if (!m_hasSelection || !m_selectionVisible)
        return;
    const QRect sel = selectionRectInWidget();
    const QRectF outline = QRectF(sel).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 1));
    p.drawRect(outline);
    QPen ants(Qt::black, 1, Qt::CustomDashLine);
    ants.setDashPattern({4, 4});
    ants.setDashOffset(m_antsOffset);
    p.setPen(ants);
    p.drawRect(outline);

    if (m_interaction != MouseInteraction::Select)
        return;
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    const QPoint c = sel.center();
    const int h = kHandleSize / 2;
    for (const QPoint& at : {sel.topLeft(), QPoint(c.x(), sel.top()), sel.topRight(), QPoint(sel.right(), c.y()),
                             sel.bottomRight(), QPoint(c.x(), sel.bottom()), sel.bottomLeft(), QPoint(sel.left(), c.y())})
        p.drawRect(QRect(at.x() - h, at.y() - h, kHandleSize, kHandleSize));
}

void ImageView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    update();
}

ImageView::DragMode ImageView::hitTest(const QPoint& pos) const
{
    if (!m_hasSelection)
        return DragMode::Create;
    const QRect sel = selectionRectInWidget();
    if (!sel.adjusted(-kHandleGrab, -kHandleGrab, kHandleGrab, kHandleGrab).contains(pos))
        return DragMode::Create;
    const bool nearLeft = std::abs(pos.x() - sel.left()) <= kHandleGrab;
    const bool nearRight = std::abs(pos.x() - sel.right()) <= kHandleGrab;
    const bool nearTop = std::abs(pos.y() - sel.top()) <= kHandleGrab;
    const bool nearBottom = std::abs(pos.y() - sel.bottom()) <= kHandleGrab;
    // A tiny selection: prefer the nearer edge so it can still be grown.
    const bool left = nearLeft && (!nearRight || std::abs(pos.x() - sel.left()) < std::abs(pos.x() - sel.right()));
    const bool right = nearRight && !left;
    const bool top = nearTop && (!nearBottom || std::abs(pos.y() - sel.top()) < std::abs(pos.y() - sel.bottom()));
    const bool bottom = nearBottom && !top;
    if (top && left) return DragMode::ResizeTopLeft;
    if (top && right) return DragMode::ResizeTopRight;
    if (bottom && left) return DragMode::ResizeBottomLeft;
    if (bottom && right) return DragMode::ResizeBottomRight;
    if (left) return DragMode::ResizeLeft;
    if (right) return DragMode::ResizeRight;
    if (top) return DragMode::ResizeTop;
    if (bottom) return DragMode::ResizeBottom;
    return sel.contains(pos) ? DragMode::Move : DragMode::Create;
}

void ImageView::updateCursor(const QPoint& pos)
{
    if (m_interaction != MouseInteraction::Select || m_image.isEmpty()) {
        setCursor(Qt::ArrowCursor);
        return;
    }
    switch (m_drag != DragMode::None ? m_drag : hitTest(pos)) {
    case DragMode::Move: setCursor(Qt::SizeAllCursor); break;
    case DragMode::ResizeLeft:
    case DragMode::ResizeRight: setCursor(Qt::SizeHorCursor); break;
    case DragMode::ResizeTop:
    case DragMode::ResizeBottom: setCursor(Qt::SizeVerCursor); break;
    case DragMode::ResizeTopLeft:
    case DragMode::ResizeBottomRight: setCursor(Qt::SizeFDiagCursor); break;
    case DragMode::ResizeTopRight:
    case DragMode::ResizeBottomLeft: setCursor(Qt::SizeBDiagCursor); break;
    default: setCursor(Qt::CrossCursor); break;
    }
}

void ImageView::mousePressEvent(QMouseEvent* event)
{
    if (m_interaction != MouseInteraction::Select || m_image.isEmpty() || event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    m_drag = hitTest(pos);
    m_dragStartWidget = pos;
    m_dragStartSelection = m_selection;
    m_dragStartHadSelection = m_hasSelection;
    m_dragMoved = false;
    event->accept();
}

void ImageView::applyDrag(const QPoint& pos)
{
    const QRect drawn = imageRectInWidget();
    const int iw = m_image.width();
    const int ih = m_image.height();
    const double ax = toImageX(drawn, iw, m_dragStartWidget.x());
    const double ay = toImageY(drawn, ih, m_dragStartWidget.y());
    const double bx = toImageX(drawn, iw, pos.x());
    const double by = toImageY(drawn, ih, pos.y());
    // Positions are on the pixel grid's lines: a drag from line a to line b covers the
    // pixels floor(min) .. ceil(max) - 1.
    auto lowEdge = [](double v) { return int(std::floor(v)); };
    auto highEdge = [](double v) { return int(std::ceil(v)) - 1; };

    QRect r = m_dragStartSelection;
    switch (m_drag) {
    case DragMode::Create: {
        const double x0 = std::clamp(std::min(ax, bx), 0.0, double(iw));
        const double x1 = std::clamp(std::max(ax, bx), 0.0, double(iw));
        const double y0 = std::clamp(std::min(ay, by), 0.0, double(ih));
        const double y1 = std::clamp(std::max(ay, by), 0.0, double(ih));
        if (highEdge(x1) < lowEdge(x0) || highEdge(y1) < lowEdge(y0)) {
            setSelectionInternal(QRect());
            return;
        }
        r = QRect(QPoint(lowEdge(x0), lowEdge(y0)), QPoint(highEdge(x1), highEdge(y1)));
        break;
    }
    case DragMode::Move: {
        const int dx = int(std::lround(bx - ax));
        const int dy = int(std::lround(by - ay));
        r.translate(std::clamp(dx, -r.left(), iw - 1 - r.right()), std::clamp(dy, -r.top(), ih - 1 - r.bottom()));
        break;
    }
    default: {
        const double cx = std::clamp(bx, 0.0, double(iw));
        const double cy = std::clamp(by, 0.0, double(ih));
        const bool left = m_drag == DragMode::ResizeLeft || m_drag == DragMode::ResizeTopLeft || m_drag == DragMode::ResizeBottomLeft;
        const bool right = m_drag == DragMode::ResizeRight || m_drag == DragMode::ResizeTopRight || m_drag == DragMode::ResizeBottomRight;
        const bool top = m_drag == DragMode::ResizeTop || m_drag == DragMode::ResizeTopLeft || m_drag == DragMode::ResizeTopRight;
        const bool bottom = m_drag == DragMode::ResizeBottom || m_drag == DragMode::ResizeBottomLeft || m_drag == DragMode::ResizeBottomRight;
        // The dragged edge follows the pointer; it may cross the opposite edge (the rectangle
        // then flips), but never leaves less than one pixel.
        double x0 = r.left(), x1 = r.right() + 1.0, y0 = r.top(), y1 = r.bottom() + 1.0;
        if (left) x0 = cx;
        if (right) x1 = cx;
        if (top) y0 = cy;
        if (bottom) y1 = cy;
        if (x0 > x1) std::swap(x0, x1);
        if (y0 > y1) std::swap(y0, y1);
        const int l = lowEdge(x0), t = lowEdge(y0);
        r = QRect(QPoint(l, t), QPoint(std::max(l, highEdge(x1)), std::max(t, highEdge(y1))));
        break;
    }
    }
    setSelectionInternal(r);
}

void ImageView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (m_drag == DragMode::None) {
        updateCursor(pos);
        QWidget::mouseMoveEvent(event);
        return;
    }
    m_dragMoved = m_dragMoved || pos != m_dragStartWidget;
    if (!m_dragMoved)
        return;
    applyDrag(pos);
    emit selectionChanging();
    event->accept();
}

void ImageView::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_drag == DragMode::None || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    const bool hadSelection = m_dragStartHadSelection;
    const QRect before = m_dragStartSelection;
    if (m_dragMoved || pos != m_dragStartWidget)
        applyDrag(pos);
    else if (m_drag == DragMode::Create)
        setSelectionInternal(QRect());  // a click beside the selection drops it
    m_drag = DragMode::None;
    updateCursor(pos);
    if (m_dragMoved || hadSelection != m_hasSelection || before != m_selection)
        emit selectionChanged();
    event->accept();
}

void ImageView::leaveEvent(QEvent* event)
{
    if (m_drag == DragMode::None)
        setCursor(Qt::ArrowCursor);
    QWidget::leaveEvent(event);
}

} // namespace mw
