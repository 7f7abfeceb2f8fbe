#include "workspace/ui/color_combo_box.h"

#include "imaging/color_names.h"

#include <QColorDialog>
#include <QPainter>
#include <QPixmap>

namespace mw {

namespace {

constexpr int kSwatchWidth = 20;
constexpr int kSwatchHeight = 12;

QIcon swatch(const QColor& color, qreal dpr)
{
    QPixmap pixmap(QSize(kSwatchWidth, kSwatchHeight) * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.fillRect(QRectF(0, 0, kSwatchWidth, kSwatchHeight), color);
    p.setPen(QPen(QColor(64, 64, 64), 0));
    p.drawRect(QRectF(0.5, 0.5, kSwatchWidth - 1, kSwatchHeight - 1));
    return QIcon(pixmap);
}

QColor toQColor(Color c)
{
    return QColor(c.r, c.g, c.b);
}

std::optional<QColor> runColorDialog(const QColor& initial, QWidget* parent)
{
    // Qt's own dialog shows the custom-colour row, which is shared by every drop-down.
    const QColor picked = QColorDialog::getColor(initial, parent, QString(), QColorDialog::DontUseNativeDialog);
    if (!picked.isValid())
        return std::nullopt;
    return picked;
}

} // namespace

ColorComboBox::ColorComboBox(QWidget* parent)
    : QComboBox(parent), m_picker(runColorDialog)
{
    setIconSize(QSize(kSwatchWidth, kSwatchHeight));
    setMaxVisibleItems(16);
    const qreal dpr = devicePixelRatioF();
    for (const NamedColor& named : namedColors()) {
        const QColor c = toQColor(named.rgb);
        addItem(swatch(c, dpr), QString::fromUtf8(named.displayName.data(), qsizetype(named.displayName.size())), c);
    }
    m_custom = Qt::black;
    addItem(swatch(m_custom, dpr), customCaption(), m_custom);
    setCurrentIndex(0);
    m_value = itemData(0).value<QColor>();
    connect(this, &QComboBox::activated, this, &ColorComboBox::onActivated);
}

int ColorComboBox::customIndex()
{
    return int(namedColors().size());
}

QString ColorComboBox::customCaption()
{
    return QStringLiteral("Custom Color...");
}

void ColorComboBox::setColorPicker(ColorPicker picker)
{
    m_picker = picker ? std::move(picker) : ColorPicker(runColorDialog);
}

void ColorComboBox::setCustomSwatch(const QColor& color)
{
    m_custom = color;
    setItemIcon(customIndex(), swatch(color, devicePixelRatioF()));
    setItemData(customIndex(), color);
}

void ColorComboBox::setColor(const QColor& color)
{
    const QColor c = color.isValid() ? color.toRgb() : QColor(Qt::black);
    m_value = QColor(c.red(), c.green(), c.blue());
    setCustomSwatch(m_value);
    const int named = namedColorIndex(Color{uint8_t(c.red()), uint8_t(c.green()), uint8_t(c.blue())});
    setCurrentIndex(named >= 0 ? named : customIndex());
}

void ColorComboBox::onActivated(int index)
{
    if (index == customIndex()) {
        if (const std::optional<QColor> picked = m_picker(m_value, this); picked && picked->isValid()) {
            const QColor rgb = picked->toRgb();
            setCustomSwatch(QColor(rgb.red(), rgb.green(), rgb.blue()));
        }
        // Cancel: the entry still stands for its colour, which becomes the value again.
        m_value = m_custom;
        setCurrentIndex(customIndex());
    } else if (index >= 0) {
        m_value = itemData(index).value<QColor>();
    }
    emit colorChanged(m_value);
}

} // namespace mw
