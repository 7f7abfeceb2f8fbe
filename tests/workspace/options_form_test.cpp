#include "workspace/ui/color_combo_box.h"
#include "workspace/ui/options_form.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

namespace mw {

class OptionsFormTest : public QObject {
    Q_OBJECT
private slots:
    void initialValues();
    void shadowMenuItemSetsCodeAndGlyph_data();
    void shadowMenuItemSetsCodeAndGlyph();
    void depthIsLimited();
    void colorEntriesInOrder_data();
    void colorEntriesInOrder();
    void storedColorSelectsItsEntry_data();
    void storedColorSelectsItsEntry();
    void customCancelReturnsToCustomColor();
    void customOkMakesPickedColorTheValue();
    void eitherDropDownSendsTheBackgroundColor();
};

namespace {

QImage iconImage(const QIcon& icon)
{
    return icon.pixmap(QSize(16, 16), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
}

// The user picks entry `index` from the list.
void pick(ColorComboBox* box, int index)
{
    box->setCurrentIndex(index);
    emit box->activated(index);
}

} // namespace

void OptionsFormTest::initialValues()
{
    TOptionsForm form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Options"));
    QVERIFY(form.windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(form.shadowPosition(), 0);
    QCOMPARE(form.shadowGlyphIndex(), 23);
    QCOMPARE(form.shadowDepth(), 5);
    QCOMPARE(form.shadowColor(), QColor(Qt::black));
    QCOMPARE(form.backgroundColor(), QColor(Qt::white));
    // Controls are reachable by their names.
    QVERIFY(form.findChild<QToolButton*>(QStringLiteral("ShadowBtn")));
    QVERIFY(form.findChild<QMenu*>(QStringLiteral("ShadowMenu")));
    QVERIFY(form.findChild<QSpinBox*>(QStringLiteral("ShadowDepthSP")));
    QVERIFY(form.findChild<ColorComboBox*>(QStringLiteral("ShadowColorcbx")));
    QVERIFY(form.findChild<ColorComboBox*>(QStringLiteral("BackgroundColorCBx")));
    QCOMPARE(form.shadowMenu()->actions().size(), 5);
}

void OptionsFormTest::shadowMenuItemSetsCodeAndGlyph_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("glyph");
    QTest::newRow("none") << "NoShadowMenu" << "None" << 0 << 23;
    QTest::newRow("upper left") << "UpperLeft1" << "Upper Left" << 1 << 24;
    QTest::newRow("upper right") << "UpperRight1" << "Upper Right" << 2 << 25;
    QTest::newRow("lower left") << "LowerLeft1" << "Lower Left" << 3 << 26;
    QTest::newRow("lower right") << "LowerRight1" << "Lower Right" << 4 << 27;
}

// Picking an item from the arrow's menu takes its code and glyph; a click on the button's
// face then switches the shadow off again.
void OptionsFormTest::shadowMenuItemSetsCodeAndGlyph()
{
    QFETCH(QString, item);
    QFETCH(QString, caption);
    QFETCH(int, code);
    QFETCH(int, glyph);

    TOptionsForm form;
    // A provider that tells the glyphs apart by colour shows which one the button took.
    form.setGlyphProvider([](int index) {
        QPixmap p(16, 16);
        p.fill(QColor(index * 9, 0, 0));
        return QIcon(p);
    });
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QAction* action = form.shadowMenu()->findChild<QAction*>(item);
    QVERIFY(action);
    QCOMPARE(action->text(), caption);
    QCOMPARE(iconImage(action->icon()).pixelColor(8, 8), QColor(glyph * 9, 0, 0));
    action->trigger();
    QCOMPARE(form.shadowPosition(), code);
    QCOMPARE(form.shadowGlyphIndex(), glyph);
    QCOMPARE(iconImage(form.shadowButton()->icon()).pixelColor(8, 8), QColor(glyph * 9, 0, 0));

    // The face is the part left of the arrow.
    QToolButton* btn = form.shadowButton();
    QTest::mouseClick(btn, Qt::LeftButton, {}, QPoint(6, btn->height() / 2));
    QCOMPARE(form.shadowPosition(), 0);
    QCOMPARE(form.shadowGlyphIndex(), 23);
    QCOMPARE(iconImage(btn->icon()).pixelColor(8, 8), QColor(23 * 9, 0, 0));
}

void OptionsFormTest::depthIsLimited()
{
    TOptionsForm form;
    form.setShadowDepth(40);
    QCOMPARE(form.shadowDepth(), 25);
    form.setShadowDepth(0);
    QCOMPARE(form.shadowDepth(), 1);
    form.setShadowDepth(12);
    QCOMPARE(form.shadowDepthField()->value(), 12);
}

void OptionsFormTest::colorEntriesInOrder_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QColor>("color");
    QTest::newRow("first standard") << 0 << "Black" << QColor(0, 0, 0);
    QTest::newRow("red") << 9 << "Red" << QColor(0xFF, 0, 0);
    QTest::newRow("right column starts") << 10 << "Lime green" << QColor(0, 0xFF, 0);
    QTest::newRow("last standard") << 19 << "Medium Gray" << QColor(0xA0, 0xA0, 0xA4);
    QTest::newRow("first additional") << 20 << "Pink" << QColor(0xFF, 0x80, 0x80);
    QTest::newRow("tick green") << 31 << "Tick Green" << QColor(0x21, 0xA1, 0x21);
    QTest::newRow("forest green") << 35 << "Forest Green" << QColor(0, 0x40, 0x40);
    QTest::newRow("pale blue") << 36 << "Pale Blue" << QColor(0xF0, 0xFF, 0xFF);
    QTest::newRow("steel") << 53 << "Steel" << QColor(0xB5, 0xBD, 0xCC);
}

void OptionsFormTest::colorEntriesInOrder()
{
    QFETCH(int, index);
    QFETCH(QString, name);
    QFETCH(QColor, color);
    ColorComboBox box;
    QCOMPARE(box.count(), 55);
    QCOMPARE(box.itemText(54), QStringLiteral("Custom Color..."));
    QCOMPARE(box.itemText(index), name);
    QVERIFY(!box.itemIcon(index).isNull());
    pick(&box, index);
    QCOMPARE(box.color(), color);
}

void OptionsFormTest::storedColorSelectsItsEntry_data()
{
    QTest::addColumn<QColor>("stored");
    QTest::addColumn<int>("entry");
    QTest::newRow("named") << QColor(0xFF, 0, 0) << 9;
    QTest::newRow("additional") << QColor(0x80, 0xFF, 0xFF) << 37;
    QTest::newRow("in no list") << QColor(0x12, 0x34, 0x56) << 54;
}

void OptionsFormTest::storedColorSelectsItsEntry()
{
    QFETCH(QColor, stored);
    QFETCH(int, entry);
    ColorComboBox box;
    QSignalSpy changed(&box, &ColorComboBox::colorChanged);
    box.setColor(stored);
    QCOMPARE(box.currentIndex(), entry);
    QCOMPARE(box.color(), stored);
    QCOMPARE(box.customColor(), stored);
    QCOMPARE(changed.count(), 0);
}

// A stored #123456, then Red, then "Custom Color..." and Cancel: the value is #123456 again.
void OptionsFormTest::customCancelReturnsToCustomColor()
{
    ColorComboBox box;
    QColor offered;
    box.setColorPicker([&](const QColor& initial, QWidget*) -> std::optional<QColor> {
        offered = initial;
        return std::nullopt;
    });
    QSignalSpy changed(&box, &ColorComboBox::colorChanged);
    box.setColor(QColor(0x12, 0x34, 0x56));
    pick(&box, 9);
    QCOMPARE(box.color(), QColor(Qt::red));
    pick(&box, ColorComboBox::customIndex());
    QCOMPARE(offered, QColor(Qt::red));  // the picker opens on the current value
    QCOMPARE(box.color(), QColor(0x12, 0x34, 0x56));
    QCOMPARE(box.currentIndex(), ColorComboBox::customIndex());
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed.last().at(0).value<QColor>(), QColor(0x12, 0x34, 0x56));
}

void OptionsFormTest::customOkMakesPickedColorTheValue()
{
    ColorComboBox box;
    std::optional<QColor> answer = QColor(10, 11, 12);
    box.setColorPicker([&](const QColor&, QWidget*) { return answer; });
    pick(&box, ColorComboBox::customIndex());
    QCOMPARE(box.color(), QColor(10, 11, 12));
    QCOMPARE(box.currentIndex(), ColorComboBox::customIndex());
    pick(&box, 0);
    answer.reset();
    pick(&box, ColorComboBox::customIndex());
    QCOMPARE(box.color(), QColor(10, 11, 12));  // Cancel returns to the colour picked before
}

// Changing the shadow colour re-sends the unchanged background; changing the background sends
// the new one.
void OptionsFormTest::eitherDropDownSendsTheBackgroundColor()
{
    TOptionsForm form;
    form.setBackgroundColor(QColor(0x80, 0x80, 0x80));
    QSignalSpy spy(&form, &TOptionsForm::backgroundColorChanged);
    pick(form.shadowColorBox(), 9);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.last().at(0).value<QColor>(), QColor(0x80, 0x80, 0x80));
    QCOMPARE(form.shadowColor(), QColor(Qt::red));
    pick(form.backgroundColorBox(), 10);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.last().at(0).value<QColor>(), QColor(0, 0xFF, 0));
}

} // namespace mw

QTEST_MAIN(mw::OptionsFormTest)
#include "options_form_test.moc"
