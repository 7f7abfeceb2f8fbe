#include "workspace/ui/options_form.h"

#include "workspace/shadow_options.h"
#include "workspace/ui/color_combo_box.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QSpinBox>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

namespace mw {

namespace {

// Draws one 16 x 16 glyph in logical pixels: a small framed picture, and for codes 1..4 its
// soft shadow towards a corner.
void paintShadowGlyph(QPainter& p, int signX, int signY)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    const bool shadow = signX != 0 || signY != 0;
    const QRectF photo = shadow ? QRectF(signX < 0 ? 5 : 1, signY < 0 ? 5 : 1, 10, 10) : QRectF(3, 3, 10, 10);
    if (shadow) {
        const QRectF s = photo.translated(3 * signX, 3 * signY);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 60));
        p.drawRoundedRect(s.adjusted(-0.5, -0.5, 0.5, 0.5), 1.5, 1.5);
        p.setBrush(QColor(0, 0, 0, 110));
        p.drawRect(s.adjusted(0.75, 0.75, -0.75, -0.75));
    }
    // Frame moulding, then the picture inside: sky over a green hill.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(122, 78, 38));
    p.drawRect(photo);
    const QRectF inner = photo.adjusted(2, 2, -2, -2);
    p.setBrush(QColor(150, 200, 240));
    p.drawRect(inner);
    QPainterPath hill;
    hill.moveTo(inner.left(), inner.bottom());
    hill.quadTo(inner.center().x(), inner.top() + inner.height() * 0.3, inner.right(), inner.bottom());
    hill.closeSubpath();
    p.setBrush(QColor(70, 150, 70));
    p.drawPath(hill);
    p.setPen(QPen(QColor(70, 40, 15), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(photo.adjusted(0.5, 0.5, -0.5, -0.5));
}

} // namespace

QIcon shadowGlyph(int glyphIndex)
{
    const auto& positions = shadowPositions();
    const auto it = std::find_if(positions.begin(), positions.end(),
                                 [glyphIndex](const ShadowPosition& p) { return p.glyphIndex == glyphIndex; });
    if (it == positions.end())
        return {};
    QIcon icon;
    for (const qreal dpr : {1.0, 1.5, 2.0, 3.0}) {
        QPixmap pixmap(QSize(16, 16) * dpr);
        pixmap.setDevicePixelRatio(dpr);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paintShadowGlyph(painter, it->signX, it->signY);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

TOptionsForm::TOptionsForm(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint),
      m_glyphs(shadowGlyph)
{
    setObjectName(QStringLiteral("OptionsForm"));
    setWindowTitle(QStringLiteral("Options"));
    setModal(false);

    auto* positionLabel = new QLabel(QStringLiteral("Shadow Position:"), this);
    positionLabel->move(8, 8);

    auto* toolBar = new QToolBar(this);
    toolBar->setObjectName(QStringLiteral("ToolBar1"));
    toolBar->setStyleSheet(QStringLiteral("QToolBar { border: none; }"));
    toolBar->setIconSize(QSize(16, 16));
    toolBar->setMovable(false);
    toolBar->setFloatable(false);
    toolBar->setGeometry(19, 24, 37, 29);

    m_shadowBtn = new QToolButton(toolBar);
    m_shadowBtn->setObjectName(QStringLiteral("ShadowBtn"));
    m_shadowBtn->setPopupMode(QToolButton::MenuButtonPopup);
    m_shadowBtn->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_shadowBtn->setToolTip(QStringLiteral("Shadow position (click to switch the shadow off)"));
    toolBar->addWidget(m_shadowBtn);

    m_shadowMenu = new QMenu(this);
    m_shadowMenu->setObjectName(QStringLiteral("ShadowMenu"));
    for (const ShadowPosition& pos : shadowPositions()) {
        QAction* item = m_shadowMenu->addAction(QString::fromLatin1(pos.caption));
        item->setObjectName(QString::fromLatin1(pos.objectName));
        item->setData(pos.code);
        item->setProperty("imageIndex", pos.glyphIndex);
    }
    m_shadowBtn->setMenu(m_shadowMenu);
    connect(m_shadowMenu, &QMenu::triggered, this, &TOptionsForm::NoShadowMenuClick);
    connect(m_shadowBtn, &QToolButton::clicked, this, &TOptionsForm::ShadowBtnClick);

    auto* depthLabel = new QLabel(QStringLiteral("Shadow Offset:"), this);
    depthLabel->move(104, 8);
    m_depth = new QSpinBox(this);
    m_depth->setObjectName(QStringLiteral("ShadowDepthSP"));
    m_depth->setRange(kMinShadowDepth, kMaxShadowDepth);
    m_depth->setValue(kDefaultShadowDepth);
    m_depth->setGeometry(116, 24, std::max(42, m_depth->minimumSizeHint().width()), m_depth->sizeHint().height());

    auto* shadowColorLabel = new QLabel(QStringLiteral("Shadow Color:"), this);
    shadowColorLabel->move(8, 56);
    m_shadowColor = new ColorComboBox(this);
    m_shadowColor->setObjectName(QStringLiteral("ShadowColorcbx"));
    m_shadowColor->setColor(Qt::black);

    auto* backgroundLabel = new QLabel(QStringLiteral("Background Color:"), this);
    backgroundLabel->move(8, 104);
    m_backgroundColor = new ColorComboBox(this);
    m_backgroundColor->setObjectName(QStringLiteral("BackgroundColorCBx"));
    m_backgroundColor->setColor(Qt::white);

    // The places above are those of the classic 8-point layout; with the desktop's larger
    // fonts every control moves down or right just enough not to overlap its label.
    for (QLabel* label : {positionLabel, depthLabel, shadowColorLabel, backgroundLabel})
        label->adjustSize();
    const int rightColumn = std::max(104, positionLabel->geometry().right() + 16);
    depthLabel->move(rightColumn, 8);
    const int firstRowTop = std::max(24, positionLabel->geometry().bottom() + 4);
    toolBar->move(19, firstRowTop);
    m_depth->move(rightColumn + 12, firstRowTop + std::max(0, (toolBar->height() - m_depth->height()) / 2));
    shadowColorLabel->move(8, std::max(56, std::max(toolBar->geometry().bottom(), m_depth->geometry().bottom()) + 6));
    const int comboWidth = std::max(95, m_backgroundColor->sizeHint().width() + 12);
    const int comboHeight = m_backgroundColor->sizeHint().height();
    m_shadowColor->setGeometry(19, std::max(77, shadowColorLabel->geometry().bottom() + 4), comboWidth, comboHeight);
    backgroundLabel->move(8, std::max(104, m_shadowColor->geometry().bottom() + 8));
    m_backgroundColor->setGeometry(19, std::max(125, backgroundLabel->geometry().bottom() + 4), comboWidth, comboHeight);
    setFixedSize(std::max({182, m_backgroundColor->geometry().right() + 12, m_depth->geometry().right() + 12,
                           depthLabel->geometry().right() + 8}),
                 std::max(156, m_backgroundColor->geometry().bottom() + 10));

    connect(m_shadowColor, &ColorComboBox::colorChanged, this, &TOptionsForm::BackgroundColorCBxChange);
    connect(m_backgroundColor, &ColorComboBox::colorChanged, this, &TOptionsForm::BackgroundColorCBxChange);

    setGlyphProvider(shadowGlyph);
}

void TOptionsForm::setGlyphProvider(GlyphProvider provider)
{
    m_glyphs = provider ? std::move(provider) : GlyphProvider(shadowGlyph);
    for (QAction* item : m_shadowMenu->actions())
        item->setIcon(m_glyphs(item->property("imageIndex").toInt()));
    showGlyph();
}

void TOptionsForm::showGlyph()
{
    m_shadowBtn->setIcon(m_glyphs(m_glyphIndex));
    m_shadowBtn->setProperty("imageIndex", m_glyphIndex);
    m_shadowBtn->setProperty("tag", m_shadowCode);
}

void TOptionsForm::setShadowPosition(int code)
{
    m_shadowCode = code;
    showGlyph();
}

void TOptionsForm::setShadowGlyphIndex(int index)
{
    m_glyphIndex = index;
    showGlyph();
}

int TOptionsForm::shadowDepth() const
{
    return m_depth->value();
}

void TOptionsForm::setShadowDepth(int depth)
{
    m_depth->setValue(std::clamp(depth, kMinShadowDepth, kMaxShadowDepth));
}

QColor TOptionsForm::shadowColor() const
{
    return m_shadowColor->color();
}

void TOptionsForm::setShadowColor(const QColor& color)
{
    m_shadowColor->setColor(color);
}

QColor TOptionsForm::backgroundColor() const
{
    return m_backgroundColor->color();
}

void TOptionsForm::setBackgroundColor(const QColor& color)
{
    m_backgroundColor->setColor(color);
}

void TOptionsForm::NoShadowMenuClick(QAction* item)
{
    if (!item)
        return;
    m_glyphIndex = item->property("imageIndex").toInt();
    m_shadowCode = item->data().toInt();
    showGlyph();
}

void TOptionsForm::ShadowBtnClick()
{
    m_glyphIndex = kNoShadowGlyph;
    m_shadowCode = kNoShadowCode;
    showGlyph();
}

void TOptionsForm::BackgroundColorCBxChange()
{
    // Either drop-down lands here; the views always take the background value.
    emit backgroundColorChanged(m_backgroundColor->color());
}

} // namespace mw
