#include "shell/image_view.h"

#include "workspace/photo_document.h"
#include "workspace/selection_status.h"

#include "test_images.h"

#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(mw::Rgba)

namespace mw {

class ImageViewTest : public QObject {
    Q_OBJECT
private slots:
    void dragSelectsImagePixels_data();
    void dragSelectsImagePixels();
    void dragInsideMovesAndHandleResizes();
    void clickBesideSelectionDropsIt();
    void noInteractionIgnoresMouse();
    void smallImageIsNotEnlargedAndDrawnTopLeft();
    void alphaIsBlendedOverBackground();
    void largeImageShrinksToFit_data();
    void largeImageShrinksToFit();
};

namespace {

// 400 x 200 pixels in a 200 x 100 view: shown at half size.
struct Shown {
    ImageView view;
    explicit Shown(int imageWidth, int imageHeight, QSize viewSize = QSize(200, 100))
    {
        view.resize(viewSize);
        view.setImage(test::positionImage(imageWidth, imageHeight));
        view.show();
    }
};

void drag(QWidget* w, QPoint from, QPoint to)
{
    QTest::mousePress(w, Qt::LeftButton, {}, from);
    QTest::mouseMove(w, (from + to) / 2);
    QTest::mouseMove(w, to);
    QTest::mouseRelease(w, Qt::LeftButton, {}, to);
}

} // namespace

void ImageViewTest::dragSelectsImagePixels_data()
{
    QTest::addColumn<QSize>("imageSize");
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QSize>("cropped");
    // Half-size display: widget 5..55 x 10..35 covers image columns 10..109, rows 20..69.
    QTest::newRow("shrunk") << QSize(400, 200) << QPoint(5, 10) << QPoint(55, 35) << "99x49" << QSize(100, 50);
    QTest::newRow("shrunk, dragged up-left") << QSize(400, 200) << QPoint(55, 35) << QPoint(5, 10) << "99x49" << QSize(100, 50);
    QTest::newRow("actual size") << QSize(150, 90) << QPoint(10, 20) << QPoint(110, 70) << "99x49" << QSize(100, 50);
    // Dragging beyond the picture stops at its edge.
    QTest::newRow("past the edge") << QSize(150, 90) << QPoint(100, 60) << QPoint(190, 95) << "49x29" << QSize(50, 30);
}

void ImageViewTest::dragSelectsImagePixels()
{
    QFETCH(QSize, imageSize);
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(QString, status);
    QFETCH(QSize, cropped);

    Shown s(imageSize.width(), imageSize.height());
    QVERIFY(QTest::qWaitForWindowExposed(&s.view));
    QSignalSpy changing(&s.view, &ImageView::selectionChanging);
    QSignalSpy changed(&s.view, &ImageView::selectionChanged);

    drag(&s.view, from, to);
    QVERIFY(s.view.hasSelection());
    QVERIFY(changing.count() >= 1);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(selectionSizeText(s.view.selection()), status);

    // Crop turns the same selection into the new photo.
    PhotoDocument doc;
    doc.pastePhoto(s.view.image());
    QVERIFY(doc.crop(s.view.selection(), Color{255, 255, 255}));
    QCOMPARE(QSize(doc.originalPhoto().width(), doc.originalPhoto().height()), cropped);
    const SelectionRect sel = s.view.selection();
    QCOMPARE(int(doc.originalPhoto().pixel(0, 0).r), sel.firstColumn);
    QCOMPARE(int(doc.originalPhoto().pixel(0, 0).g), sel.firstRow);
    s.view.setImage(doc.shownImage());
    QVERIFY(!s.view.hasSelection());
}

void ImageViewTest::dragInsideMovesAndHandleResizes()
{
    Shown s(400, 200);
    QVERIFY(QTest::qWaitForWindowExposed(&s.view));
    s.view.setSelection(SelectionRect{10, 20, 109, 69});  // widget 5..54 x 10..34
    QCOMPARE(s.view.selection(), (SelectionRect{10, 20, 109, 69}));

    // Drag inside by (10, 5) widget pixels: (20, 10) image pixels.
    drag(&s.view, QPoint(30, 22), QPoint(40, 27));
    QCOMPARE(s.view.selection(), (SelectionRect{30, 30, 129, 79}));

    // A move never pushes the rectangle out of the picture.
    drag(&s.view, QPoint(40, 27), QPoint(-100, -100));
    QCOMPARE(s.view.selection(), (SelectionRect{0, 0, 99, 49}));

    // The bottom-right handle sits on the outline's last widget pixel (49, 24).
    drag(&s.view, QPoint(49, 24), QPoint(100, 50));
    QCOMPARE(s.view.selection(), (SelectionRect{0, 0, 199, 99}));
    // The left edge alone.
    drag(&s.view, QPoint(0, 25), QPoint(50, 25));
    QCOMPARE(s.view.selection(), (SelectionRect{100, 0, 199, 99}));
}

void ImageViewTest::clickBesideSelectionDropsIt()
{
    Shown s(400, 200);
    QVERIFY(QTest::qWaitForWindowExposed(&s.view));
    s.view.setSelection(SelectionRect{10, 20, 109, 69});
    QSignalSpy changed(&s.view, &ImageView::selectionChanged);
    QTest::mouseClick(&s.view, Qt::LeftButton, {}, QPoint(150, 80));
    QVERIFY(!s.view.hasSelection());
    QCOMPARE(changed.count(), 1);
    QVERIFY(selectionSizeText(s.view.selection()).isEmpty());
}

void ImageViewTest::noInteractionIgnoresMouse()
{
    Shown s(400, 200);
    QVERIFY(QTest::qWaitForWindowExposed(&s.view));
    s.view.setMouseInteraction(ImageView::MouseInteraction::None);
    QSignalSpy changed(&s.view, &ImageView::selectionChanged);
    drag(&s.view, QPoint(5, 10), QPoint(55, 35));
    QVERIFY(!s.view.hasSelection());
    QCOMPARE(changed.count(), 0);

    s.view.setMouseInteraction(ImageView::MouseInteraction::Select);
    drag(&s.view, QPoint(5, 10), QPoint(55, 35));
    QVERIFY(s.view.hasSelection());
}

void ImageViewTest::smallImageIsNotEnlargedAndDrawnTopLeft()
{
    ImageView view;
    view.resize(200, 100);
    view.setBackgroundColor(QColor(0, 0, 255));
    view.setImage(Image(50, 40, false, Rgba{255, 0, 0, 255}));
    QCOMPARE(view.displayScale(), 1.0);
    QCOMPARE(view.imageRectInWidget(), QRect(0, 0, 50, 40));
    const QImage shot = view.grab().toImage();
    QCOMPARE(shot.pixelColor(0, 0), QColor(255, 0, 0));
    QCOMPARE(shot.pixelColor(49, 39), QColor(255, 0, 0));
    QCOMPARE(shot.pixelColor(50, 10), QColor(0, 0, 255));
    QCOMPARE(shot.pixelColor(10, 40), QColor(0, 0, 255));
}

void ImageViewTest::alphaIsBlendedOverBackground()
{
    ImageView view;
    view.resize(20, 20);
    view.setBackgroundColor(QColor(0, 0, 255));
    Image img(10, 10, true, Rgba{255, 0, 0, 0});
    img.setPixel(1, 1, Rgba{255, 0, 0, 255});
    img.setPixel(2, 2, Rgba{255, 0, 0, 128});
    view.setImage(std::move(img));
    const QImage shot = view.grab().toImage();
    QCOMPARE(shot.pixelColor(0, 0), QColor(0, 0, 255));
    QCOMPARE(shot.pixelColor(1, 1), QColor(255, 0, 0));
    const QColor half = shot.pixelColor(2, 2);
    QVERIFY2(std::abs(half.red() - 128) <= 2 && std::abs(half.blue() - 127) <= 2, qPrintable(half.name()));
}

void ImageViewTest::largeImageShrinksToFit_data()
{
    QTest::addColumn<Rgba>("even");
    QTest::addColumn<Rgba>("odd");
    QTest::addColumn<QColor>("expected");  // over the white background
    QTest::newRow("black and white") << Rgba{0, 0, 0, 255} << Rgba{255, 255, 255, 255} << QColor(128, 128, 128);
    // A hidden colour under alpha 0 must not bleed into the average.
    QTest::newRow("blue beside transparent red") << Rgba{0, 0, 255, 255} << Rgba{255, 0, 0, 0} << QColor(128, 128, 255);
}

void ImageViewTest::largeImageShrinksToFit()
{
    QFETCH(Rgba, even);
    QFETCH(Rgba, odd);
    QFETCH(QColor, expected);
    ImageView view;
    view.resize(300, 300);
    // Stripes one pixel wide, far larger than the view: shrinking must average them.
    Image img(2400, 1200, even.a != 255 || odd.a != 255);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, (x % 2) ? odd : even);
    view.setImage(std::move(img));
    QCOMPARE(view.imageRectInWidget(), QRect(0, 0, 300, 150));
    const QImage shot = view.grab().toImage();
    for (const QPoint p : {QPoint(10, 10), QPoint(150, 75), QPoint(290, 140)}) {
        const QColor c = shot.pixelColor(p);
        QVERIFY2(std::abs(c.red() - expected.red()) <= 12 && std::abs(c.green() - expected.green()) <= 12
                     && std::abs(c.blue() - expected.blue()) <= 12,
                 qPrintable(c.name()));
    }
    QCOMPARE(shot.pixelColor(150, 200), QColor(Qt::white));  // background below the picture
    view.resize(150, 150);
    QCOMPARE(view.imageRectInWidget(), QRect(0, 0, 150, 75));
    QCOMPARE(view.grab().toImage().pixelColor(100, 100), QColor(Qt::white));
}

} // namespace mw

QTEST_MAIN(mw::ImageViewTest)
#include "image_view_test.moc"
