#pragma once
// The image view behind IEV (the photo or framed result) and FinalIEV (the never-shown output).
//
// Shows one image over the view's background colour, honouring its alpha channel. An image
// larger than the view is shrunk to fit (aspect kept, smooth filtering, the scaled pixmap
// cached per size so repaints of a 24 MP photo stay cheap); it is never enlarged and is drawn
// from the top-left corner. With MouseInteraction::Select the user draws a rectangle in image
// pixels, resizes it by its handles and moves it by dragging inside; the outline is animated.
#include "imaging/image.h"
#include "imaging/selection.h"

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include <vector>

namespace mw {

class ImageView : public QWidget {
    Q_OBJECT
public:
    enum class MouseInteraction { None, Select };

    explicit ImageView(QWidget* parent = nullptr);
    ~ImageView() override;

    void setImage(Image image);
    const Image& image() const { return m_image; }
    bool hasImage() const { return !m_image.isEmpty(); }
    // Drops the image (and the selection); the view shows only its background.
    void clearImage();

    void setBackgroundColor(const QColor& color);
    QColor backgroundColor() const { return m_background; }

    void setMouseInteraction(MouseInteraction mode);
    MouseInteraction mouseInteraction() const { return m_interaction; }

    bool hasSelection() const { return m_hasSelection; }
    // Inclusive columns and rows in image pixels; empty rect when there is no selection.
    SelectionRect selection() const;
    // Clipped to the image; an empty or fully outside rectangle drops the selection.
    // Emits selectionChanged() when the selection actually changes.
    void setSelection(const SelectionRect& rect);
    void deselect();
    // Hides the outline without dropping the selection (FinalIEV never shows one).
    void setSelectionVisible(bool visible);
    bool isSelectionVisible() const { return m_selectionVisible; }

    // Widget pixels per image pixel (1.0 when the image fits, smaller when shrunk).
    double displayScale() const;
    // Where the image is drawn inside the widget.
    QRect imageRectInWidget() const;
    // Image pixel under a widget position (may lie outside the image).
    QPoint widgetToImage(const QPoint& widgetPos) const;
    // Widget position of the centre of an image pixel.
    QPoint imageToWidget(const QPoint& imagePos) const;

    QSize sizeHint() const override;

signals:
    // While the user drags the selection.
    void selectionChanging();
    // When a drag ended or the selection was set or dropped from code.
    void selectionChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    enum class DragMode { None, Create, Move, ResizeLeft, ResizeRight, ResizeTop, ResizeBottom,
                          ResizeTopLeft, ResizeTopRight, ResizeBottomLeft, ResizeBottomRight };

    const QPixmap& scaledPixmap() const;
    QRect selectionRectInWidget() const;
    DragMode hitTest(const QPoint& widgetPos) const;
    void updateCursor(const QPoint& widgetPos);
    void applyDrag(const QPoint& widgetPos);
    void setSelectionInternal(QRect imageRect);
    QRect clampToImage(QRect imageRect) const;

    Image m_image;
    QColor m_background = Qt::white;
    MouseInteraction m_interaction = MouseInteraction::Select;

    // Selection in image pixels, inclusive (QRect's right()/bottom() are inclusive too).
    bool m_hasSelection = false;
    QRect m_selection;
    bool m_selectionVisible = true;

    DragMode m_drag = DragMode::None;
    QPoint m_dragStartWidget;
    QRect m_dragStartSelection;
    bool m_dragStartHadSelection = false;
    bool m_dragMoved = false;

    QTimer m_antsTimer;
    int m_antsOffset = 0;

    // Successive halvings of the image, kept while the image stays.
    mutable std::vector<QImage> m_pyramid;
    mutable QPixmap m_scaledCache;
    mutable QSize m_scaledCacheSize;
};

} // namespace mw
