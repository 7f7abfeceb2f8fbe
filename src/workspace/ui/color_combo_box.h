#pragma once
// Colour drop-down: the 54 named colours with swatches, then "Custom Color...".
//
// "Custom Color..." stands for one further colour: the last one put in from outside or picked
// through the colour dialog. Picking it opens the dialog on the current value; OK makes the
// picked colour the value, Cancel makes the colour the entry stood for the value. The dialog's
// custom colours are process-wide in Qt, so every drop-down shares them for the run.
#include <QColor>
#include <QComboBox>

#include <functional>
#include <optional>

namespace mw {

class ColorComboBox : public QComboBox {
    Q_OBJECT
public:
    // Asks the user for a colour starting at `initial`; nullopt on Cancel. Tests replace it.
    using ColorPicker = std::function<std::optional<QColor>(const QColor& initial, QWidget* parent)>;

    explicit ColorComboBox(QWidget* parent = nullptr);

    // The value: the colour of the current entry.
    QColor color() const { return m_value; }
    // From outside (settings): the value becomes `color`, "Custom Color..." stands for it and
    // the first entry of that colour is selected. Emits no colorChanged().
    void setColor(const QColor& color);

    QColor customColor() const { return m_custom; }
    static int customIndex();  // index of "Custom Color..." (54)
    static QString customCaption();  // "Custom Color..."

    void setColorPicker(ColorPicker picker);

signals:
    // After every choice the user makes, even one that leaves the value unchanged.
    void colorChanged(const QColor& color);

private:
    void onActivated(int index);
    void setCustomSwatch(const QColor& color);

    QColor m_value;
    QColor m_custom;
    ColorPicker m_picker;
};

} // namespace mw
