#pragma once
// TOptionsForm, the "Options" tool window: drop-shadow position, offset and colour, and the
// background colour of the image views. It only holds values; framing reads them when a frame
// is applied, and the main window connects backgroundColorChanged() to both views.
#include <QColor>
#include <QDialog>
#include <QIcon>

#include <functional>

class QAction;
class QMenu;
class QSpinBox;
class QToolButton;

namespace mw {

class ColorComboBox;

class TOptionsForm : public QDialog {
    Q_OBJECT
public:
    // Returns the icon for an index of the main window's icon list (23..27 used here).
    using GlyphProvider = std::function<QIcon(int glyphIndex)>;

    explicit TOptionsForm(QWidget* parent = nullptr);

    // By default the window draws its own glyphs (shadowGlyph()); the main window may pass its
    // icon list instead so both show the same pictures.
    void setGlyphProvider(GlyphProvider provider);

    // Position code kept in ShadowBtn's tag: 0 none, 1..4 towards a corner.
    int shadowPosition() const { return m_shadowCode; }
    void setShadowPosition(int code);
    // Glyph index shown on ShadowBtn (stored separately in the settings).
    int shadowGlyphIndex() const { return m_glyphIndex; }
    void setShadowGlyphIndex(int index);

    int shadowDepth() const;
    void setShadowDepth(int depth);  // limited to 1..25

    QColor shadowColor() const;
    void setShadowColor(const QColor& color);          // no change signal
    QColor backgroundColor() const;
    void setBackgroundColor(const QColor& color);      // no change signal

    QToolButton* shadowButton() const { return m_shadowBtn; }
    QMenu* shadowMenu() const { return m_shadowMenu; }
    QSpinBox* shadowDepthField() const { return m_depth; }
    ColorComboBox* shadowColorBox() const { return m_shadowColor; }
    ColorComboBox* backgroundColorBox() const { return m_backgroundColor; }

signals:
    // Either colour drop-down changed; carries the background colour for both views.
    void backgroundColorChanged(const QColor& background);

public slots:
    // The click of every ShadowMenu item: the item's glyph and code go to the button.
    void NoShadowMenuClick(QAction* item);
    // A click on the button's face (not its arrow) switches the shadow off.
    void ShadowBtnClick();
    // The change of either colour drop-down.
    void BackgroundColorCBxChange();

private:
    void showGlyph();

    QToolButton* m_shadowBtn = nullptr;
    QMenu* m_shadowMenu = nullptr;
    QSpinBox* m_depth = nullptr;
    ColorComboBox* m_shadowColor = nullptr;
    ColorComboBox* m_backgroundColor = nullptr;
    GlyphProvider m_glyphs;
    int m_shadowCode = 0;
    int m_glyphIndex = 23;
};

// Our own 16 x 16 glyphs for the icon list entries 23..27 (no shadow, shadow towards the upper
// left, upper right, lower left, lower right), drawn crisp at any device pixel ratio. A null
// icon for other indices.
QIcon shadowGlyph(int glyphIndex);

} // namespace mw
