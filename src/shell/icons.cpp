#include "shell/icons.h"

#include <QIconEngine>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

namespace mw {

namespace {

// A small shared palette keeps the set looking like one family.
const QColor kOutline(52, 58, 70);
const QColor kPaper(252, 252, 250);
const QColor kPaperShade(214, 218, 226);
const QColor kBlue(38, 110, 200);
const QColor kBlueDark(22, 70, 140);
const QColor kGreen(46, 160, 66);
const QColor kGreenDark(24, 110, 40);
const QColor kFolder(240, 190, 70);
const QColor kFolderDark(190, 130, 30);
const QColor kWood(150, 96, 48);
const QColor kWoodDark(96, 58, 26);

QPen outlinePen(const QColor& c = kOutline, qreal w = 1.0)
{
    QPen pen(c, w);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

QLinearGradient verticalGradient(const QRectF& r, const QColor& top, const QColor& bottom)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

// A sheet of paper with a folded top-right corner and a few text lines.
void drawPage(QPainter& p, const QRectF& r, bool lines = true)
{
    const qreal fold = std::min<qreal>(4, r.width() / 3);
    QPainterPath page;
    page.moveTo(r.topLeft());
    page.lineTo(r.right() - fold, r.top());
    page.lineTo(r.right(), r.top() + fold);
    page.lineTo(r.bottomRight());
    page.lineTo(r.bottomLeft());
    page.closeSubpath();
    p.setPen(outlinePen());
    p.setBrush(verticalGradient(r, kPaper, QColor(232, 236, 242)));
    p.drawPath(page);
    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    p.setBrush(kPaperShade);
    p.drawPath(corner);
    if (lines) {
        p.setPen(QPen(QColor(140, 160, 190), 1.0));
        for (qreal y = r.top() + fold + 2.5; y < r.bottom() - 1.5; y += 2.0)
            p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
    }
}

// A curved arrow around `centre`; `clockwise` picks the direction of the head.
void drawRoundArrow(QPainter& p, QPointF centre, qreal radius, qreal startDeg, qreal spanDeg,
                    const QColor& fill, const QColor& dark, qreal width = 2.4)
{
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    QPainterPath arc;
    arc.arcMoveTo(box, startDeg);
    arc.arcTo(box, startDeg, spanDeg);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(dark, width + 1.2, Qt::SolidLine, Qt::FlatCap));
    p.drawPath(arc);
    p.setPen(QPen(fill, width, Qt::SolidLine, Qt::FlatCap));
    p.drawPath(arc);

    // Arrow head at the end of the arc, pointing along the direction of travel.
    const qreal endRad = qDegreesToRadians(startDeg + spanDeg);
    const QPointF tip(centre.x() + radius * std::cos(endRad), centre.y() - radius * std::sin(endRad));
    const qreal dir = spanDeg > 0 ? 1.0 : -1.0;
    // Tangent of a counter-clockwise (in maths terms) travel, flipped for clockwise.
    const QPointF tangent(-std::sin(endRad) * dir, -std::cos(endRad) * dir);
    const QPointF normal(std::cos(endRad), -std::sin(endRad));
    const qreal head = 3.2;
    QPolygonF tri;
    tri << tip + tangent * head << tip + normal * head << tip - normal * head;
    p.setPen(outlinePen(dark, 0.8));
    p.setBrush(fill);
    p.drawPolygon(tri);
}

void drawMagnifier(QPainter& p, bool plus)
{
    p.setPen(QPen(kWoodDark, 3.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10.5, 10.5), QPointF(14.5, 14.5));
    QRadialGradient glass(QPointF(5.5, 5), 6);
    glass.setColorAt(0, QColor(235, 245, 255));
    glass.setColorAt(1, QColor(160, 200, 240));
    p.setPen(outlinePen(kOutline, 1.4));
    p.setBrush(glass);
    p.drawEllipse(QPointF(6.5, 6.5), 5, 5);
    p.setPen(QPen(kBlueDark, 1.6, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(4, 6.5), QPointF(9, 6.5));
    if (plus)
        p.drawLine(QPointF(6.5, 4), QPointF(6.5, 9));
}

// Landscape inside `r`: sky, sun and a green hill.
void drawLandscape(QPainter& p, const QRectF& r)
{
    p.setPen(Qt::NoPen);
    p.setBrush(verticalGradient(r, QColor(120, 180, 240), QColor(200, 230, 255)));
    p.drawRect(r);
    p.setBrush(QColor(255, 214, 60));
    p.drawEllipse(QPointF(r.right() - r.width() * 0.28, r.top() + r.height() * 0.3), r.width() * 0.13, r.width() * 0.13);
    QPainterPath hill;
    hill.moveTo(r.left(), r.bottom());
    hill.lineTo(r.left(), r.top() + r.height() * 0.7);
    hill.quadTo(r.left() + r.width() * 0.35, r.top() + r.height() * 0.3, r.left() + r.width() * 0.7, r.top() + r.height() * 0.75);
    hill.quadTo(r.left() + r.width() * 0.85, r.top() + r.height() * 0.6, r.right(), r.top() + r.height() * 0.7);
    hill.lineTo(r.bottomRight());
    hill.closeSubpath();
    p.setBrush(verticalGradient(r, QColor(90, 180, 80), QColor(40, 120, 40)));
    p.drawPath(hill);
}

void drawFramedPicture(QPainter& p, const QRectF& outer)
{
    p.setPen(outlinePen(kWoodDark));
    p.setBrush(verticalGradient(outer, QColor(196, 140, 76), kWood));
    p.drawRect(outer);
    const QRectF inner = outer.adjusted(2.5, 2.5, -2.5, -2.5);
    drawLandscape(p, inner);
    p.setPen(outlinePen(kWoodDark, 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawRect(inner);
}

void drawShadowGlyph(QPainter& p, int signX, int signY)
{
    const bool shadow = signX != 0 || signY != 0;
    const QRectF photo = shadow ? QRectF(signX < 0 ? 4.5 : 1.5, signY < 0 ? 4.5 : 1.5, 10, 10)
                                : QRectF(3, 3, 10, 10);
    if (shadow) {
        // A soft shadow: a few widening, fading rectangles.
        const QRectF s = photo.translated(3 * signX, 3 * signY);
        p.setPen(Qt::NoPen);
        for (int i = 2; i >= 0; --i) {
            p.setBrush(QColor(0, 0, 0, 40 + 45 * (2 - i)));
            p.drawRoundedRect(s.adjusted(-0.6 * i, -0.6 * i, 0.6 * i, 0.6 * i), 1 + 0.5 * i, 1 + 0.5 * i);
        }
    }
    drawFramedPicture(p, photo);
    if (!shadow) {
        // "None": a thin red stroke through the corner where a shadow would fall.
        p.setPen(QPen(QColor(200, 40, 40), 1.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(1.5, 14.5), QPointF(14.5, 1.5));
    }
}

void paintIcon(QPainter& p, int index)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    switch (index) {
    case IconSave: {
        QPainterPath body;
        body.moveTo(1.5, 1.5);
        body.lineTo(12.5, 1.5);
        body.lineTo(14.5, 3.5);
        body.lineTo(14.5, 14.5);
        body.lineTo(1.5, 14.5);
        body.closeSubpath();
        p.setPen(outlinePen(kBlueDark));
        p.setBrush(verticalGradient(QRectF(1, 1, 14, 14), QColor(70, 140, 220), kBlue));
        p.drawPath(body);
        p.setPen(outlinePen(QColor(120, 120, 130), 0.8));
        p.setBrush(verticalGradient(QRectF(4, 1.5, 8, 5), QColor(235, 238, 242), QColor(190, 196, 204)));
        p.drawRect(QRectF(4.5, 1.5, 7, 5));
        p.setBrush(kBlueDark);
        p.setPen(Qt::NoPen);
        p.drawRect(QRectF(9, 2.5, 1.6, 3));
        p.setPen(outlinePen(QColor(150, 150, 160), 0.8));
        p.setBrush(kPaper);
        p.drawRect(QRectF(3.5, 8.5, 9, 6));
        p.setPen(QPen(QColor(170, 180, 200), 0.8));
        p.drawLine(QPointF(5, 10.5), QPointF(11, 10.5));
        p.drawLine(QPointF(5, 12.5), QPointF(11, 12.5));
        break;
    }
    case IconOpen: {
        p.setPen(outlinePen(kFolderDark));
        p.setBrush(verticalGradient(QRectF(1, 3, 12, 11), QColor(250, 210, 110), kFolder));
        QPainterPath back;
        back.moveTo(1.5, 14.5);
        back.lineTo(1.5, 3.5);
        back.lineTo(5, 3.5);
        back.lineTo(6.5, 5);
        back.lineTo(12.5, 5);
        back.lineTo(12.5, 14.5);
        back.closeSubpath();
        p.drawPath(back);
        QPainterPath front;
        front.moveTo(1.5, 14.5);
        front.lineTo(3.5, 8);
        front.lineTo(15, 8);
        front.lineTo(12.5, 14.5);
        front.closeSubpath();
        p.setBrush(verticalGradient(QRectF(1, 8, 14, 7), QColor(255, 226, 140), QColor(236, 176, 60)));
        p.drawPath(front);
        // Green arrow out of the folder.
        QPainterPath arrow;
        arrow.moveTo(8, 6.5);
        arrow.cubicTo(8, 3, 10, 1.8, 12.2, 1.8);
        p.setPen(QPen(kGreenDark, 3.0, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawPath(arrow);
        p.setPen(QPen(kGreen, 1.8, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(arrow);
        QPolygonF head;
        head << QPointF(15.5, 1.8) << QPointF(11.5, -0.8) << QPointF(11.5, 4.4);
        p.setPen(outlinePen(kGreenDark, 0.8));
        p.setBrush(kGreen);
        p.drawPolygon(head);
        break;
    }
    case IconNew:
        drawPage(p, QRectF(3.5, 1.5, 10, 13), false);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 200, 40));
        p.drawEllipse(QPointF(4, 4), 2.6, 2.6);
        break;
    case IconPrint: {
        drawPage(p, QRectF(4.5, 1.5, 7, 6), false);
        p.setPen(outlinePen());
        p.setBrush(verticalGradient(QRectF(1, 6, 14, 6), QColor(210, 214, 222), QColor(150, 156, 168)));
        p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1.5, 1.5);
        p.setBrush(kPaper);
        p.drawRect(QRectF(4.5, 10.5, 7, 4));
        p.setPen(Qt::NoPen);
        p.setBrush(kGreen);
        p.drawEllipse(QPointF(12.5, 8.5), 0.9, 0.9);
        break;
    }
    case IconCut: {
        p.setPen(QPen(QColor(120, 126, 140), 1.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4, 1.5), QPointF(10, 10));
        p.drawLine(QPointF(12, 1.5), QPointF(6, 10));
        p.setPen(outlinePen(QColor(170, 30, 30), 1.4));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(4.5, 12), 2.5, 2.5);
        p.drawEllipse(QPointF(11.5, 12), 2.5, 2.5);
        break;
    }
    case IconCrop: {
        p.setPen(QPen(kOutline, 2.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.setBrush(Qt::NoBrush);
        QPolygonF a;
        a << QPointF(4, 1) << QPointF(4, 12) << QPointF(15, 12);
        p.drawPolyline(a);
        QPolygonF b;
        b << QPointF(1, 4) << QPointF(12, 4) << QPointF(12, 15);
        p.drawPolyline(b);
        p.setPen(QPen(QColor(210, 40, 40), 1.0, Qt::DashLine));
        p.drawRect(QRectF(5.5, 5.5, 5, 5));
        break;
    }
    case IconZoomIn:
        drawMagnifier(p, true);
        break;
    case IconZoomOut:
        drawMagnifier(p, false);
        break;
    case IconRotateLeft:
        drawRoundArrow(p, QPointF(8, 8.5), 5.2, -60, 250, kBlue, kBlueDark);
        break;
    case IconRotateRight:
        drawRoundArrow(p, QPointF(8, 8.5), 5.2, 240, -250, kBlue, kBlueDark);
        break;
    case IconFlip: {
        p.setPen(QPen(kOutline, 1.0, Qt::DashLine));
        p.drawLine(QPointF(8, 0.5), QPointF(8, 15.5));
        p.setPen(outlinePen());
        QPolygonF left;
        left << QPointF(6.5, 3) << QPointF(6.5, 13) << QPointF(1, 13);
        p.setBrush(kBlue);
        p.drawPolygon(left);
        QPolygonF right;
        right << QPointF(9.5, 3) << QPointF(9.5, 13) << QPointF(15, 13);
        p.setBrush(kPaperShade);
        p.drawPolygon(right);
        break;
    }
    case IconHelp:
    case IconInfo: {
        QRadialGradient g(QPointF(6, 5), 9);
        g.setColorAt(0, QColor(110, 170, 240));
        g.setColorAt(1, kBlueDark);
        p.setPen(outlinePen(kBlueDark));
        p.setBrush(g);
        p.drawEllipse(QPointF(8, 8), 6.8, 6.8);
        QFont font;
        font.setPixelSize(11);
        font.setBold(true);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(1, 1, 14, 14), Qt::AlignCenter, index == IconHelp ? QStringLiteral("?") : QStringLiteral("i"));
        break;
    }
    case IconPicture:
        p.setPen(Qt::NoPen);
        drawLandscape(p, QRectF(1.5, 2.5, 13, 11));
        p.setPen(outlinePen());
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(1.5, 2.5, 13, 11));
        break;
    case IconFramedPicture:
        drawFramedPicture(p, QRectF(1.5, 1.5, 13, 13));
        break;
    case IconSettings: {
        p.setPen(QPen(kOutline, 1.2, Qt::SolidLine, Qt::RoundCap));
        const qreal ys[3] = {3.5, 8, 12.5};
        const qreal knobs[3] = {5, 10.5, 7};
        for (int i = 0; i < 3; ++i) {
            p.setPen(QPen(kOutline, 1.2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(1.5, ys[i]), QPointF(14.5, ys[i]));
            p.setPen(outlinePen(kBlueDark, 0.9));
            p.setBrush(kBlue);
            p.drawRoundedRect(QRectF(knobs[i] - 1.6, ys[i] - 2.2, 3.2, 4.4), 1, 1);
        }
        break;
    }
    case IconRefresh:
        drawRoundArrow(p, QPointF(8, 8), 5.0, 100, 150, kGreen, kGreenDark, 2.0);
        drawRoundArrow(p, QPointF(8, 8), 5.0, 280, 150, kGreen, kGreenDark, 2.0);
        break;
    case IconExit: {
        // An open door in its frame, with a step of light on the floor.
        p.setPen(outlinePen());
        p.setBrush(QColor(60, 60, 70));
        p.drawRect(QRectF(4.5, 1.5, 8, 13));
        p.setBrush(QColor(255, 236, 160));
        p.drawRect(QRectF(5.5, 2.5, 6, 12));
        QPolygonF door;
        door << QPointF(4.5, 1.5) << QPointF(9, 3) << QPointF(9, 15.5) << QPointF(4.5, 14.5);
        p.setBrush(verticalGradient(QRectF(4, 1, 5, 15), QColor(190, 130, 70), kWoodDark));
        p.drawPolygon(door);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(250, 210, 80));
        p.drawEllipse(QPointF(7.8, 9), 0.8, 0.8);
        break;
    }
    case IconRedo:
        drawRoundArrow(p, QPointF(7.5, 9.5), 5.0, 180, -150, kBlue, kBlueDark);
        break;
    case IconCopy:
        drawPage(p, QRectF(1.5, 1.5, 8.5, 10.5));
        drawPage(p, QRectF(6, 4.5, 8.5, 10.5));
        break;
    case IconUndo:
        drawRoundArrow(p, QPointF(8.5, 9.5), 5.0, 0, 150, kBlue, kBlueDark);
        break;
    case IconPaste: {
        p.setPen(outlinePen(kWoodDark));
        p.setBrush(verticalGradient(QRectF(1, 2, 11, 13), QColor(200, 150, 90), kWood));
        p.drawRoundedRect(QRectF(1.5, 2.5, 10, 12), 1.2, 1.2);
        p.setPen(outlinePen(QColor(90, 90, 100), 0.8));
        p.setBrush(verticalGradient(QRectF(4, 1, 5, 3), QColor(230, 232, 236), QColor(160, 164, 172)));
        p.drawRoundedRect(QRectF(4, 1, 5, 3), 0.8, 0.8);
        drawPage(p, QRectF(6.5, 5.5, 8, 9.5));
        break;
    }
    case IconSnapshot: {
        p.setPen(outlinePen());
        p.setBrush(verticalGradient(QRectF(1, 4, 14, 10), QColor(120, 126, 138), QColor(54, 58, 68)));
        p.drawRoundedRect(QRectF(1.5, 4.5, 13, 9.5), 1.5, 1.5);
        p.drawRect(QRectF(5, 2.5, 5, 2));
        p.setBrush(QColor(250, 250, 250));
        p.setPen(Qt::NoPen);
        p.drawRect(QRectF(2.5, 5.5, 2, 1.2));
        QRadialGradient lens(QPointF(7.2, 8.4), 4);
        lens.setColorAt(0, QColor(150, 200, 255));
        lens.setColorAt(0.6, QColor(40, 80, 150));
        lens.setColorAt(1, QColor(10, 20, 40));
        p.setPen(outlinePen(QColor(200, 204, 212), 1.0));
        p.setBrush(lens);
        p.drawEllipse(QPointF(8, 9.2), 3.3, 3.3);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 200));
        p.drawEllipse(QPointF(7, 8.2), 0.8, 0.8);
        break;
    }
    case IconNoShadow:
        drawShadowGlyph(p, 0, 0);
        break;
    case IconShadowUpperLeft:
        drawShadowGlyph(p, -1, -1);
        break;
    case IconShadowUpperRight:
        drawShadowGlyph(p, 1, -1);
        break;
    case IconShadowLowerLeft:
        drawShadowGlyph(p, -1, 1);
        break;
    case IconShadowLowerRight:
        drawShadowGlyph(p, 1, 1);
        break;
    default:
        break;
    }
}

// Greys a picture out for the disabled state, as toolbar icons of desktop programs look.
void makeDisabled(QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = line[x];
            const int grey = (qRed(c) * 11 + qGreen(c) * 16 + qBlue(c) * 5) / 32;
            const int lifted = 128 + grey / 2;
            line[x] = qRgba(lifted, lifted, lifted, qAlpha(c) * 2 / 3);
        }
    }
}

class ListIconEngine : public QIconEngine {
public:
    explicit ListIconEngine(int index) : m_index(index) {}

    QIconEngine* clone() const override { return new ListIconEngine(m_index); }
    QString key() const override { return QStringLiteral("mw-list-icon"); }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        const QPixmap pm = scaledPixmap(rect.size() * dpr, mode, state, dpr);
        painter->drawPixmap(rect, pm);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    // `size` is in device pixels already; `scale` only tags the result.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) override
    {
        const QSize device = size.expandedTo(QSize(1, 1));
        QImage image(device, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter p(&image);
            // Our drawings live in a 16 x 16 square; keep it square and centred.
            const qreal side = std::min(device.width(), device.height());
            p.translate((device.width() - side) / 2.0, (device.height() - side) / 2.0);
            p.scale(side / 16.0, side / 16.0);
            paintIcon(p, m_index);
        }
        if (mode == QIcon::Disabled) {
            image = image.convertToFormat(QImage::Format_ARGB32);
            makeDisabled(image);
        }
        QPixmap pm = QPixmap::fromImage(std::move(image));
        pm.setDevicePixelRatio(scale);
        return pm;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override { return {QSize(16, 16), QSize(32, 32)}; }

    bool isNull() override { return false; }

private:
    int m_index;
};

} // namespace

QIcon listIcon(int index)
{
    if (index < 0 || index >= kIconCount)
        return {};
    return QIcon(new ListIconEngine(index));
}

void paintListIcon(QPainter& painter, int index)
{
    painter.save();
    paintIcon(painter, index);
    painter.restore();
}

} // namespace mw
