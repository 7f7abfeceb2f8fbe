#include "shell/up_down.h"

#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace mw {

UpDownArrows::UpDownArrows(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_up = new QToolButton(this);
    m_up->setArrowType(Qt::UpArrow);
    m_down = new QToolButton(this);
    m_down->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {m_up, m_down}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        b->setIconSize(QSize(7, 7));
        layout->addWidget(b);
    }
    connect(m_up, &QToolButton::clicked, this, [this] { step(Button::Up); });
    connect(m_down, &QToolButton::clicked, this, [this] { step(Button::Down); });
}

void UpDownArrows::setRange(int minimum, int maximum)
{
    m_min = std::min(minimum, maximum);
    m_max = std::max(minimum, maximum);
    setPosition(m_position);
}

void UpDownArrows::setPosition(int position)
{
    m_position = std::clamp(position, m_min, m_max);
}

void UpDownArrows::step(Button button)
{
    int next = m_position + (button == Button::Up ? 1 : -1);
    if (m_wrap && next > m_max)
        next = m_min;
    else if (m_wrap && next < m_min)
        next = m_max;
    setPosition(next);
    emit clicked(button);
}

QSize UpDownArrows::sizeHint() const
{
    return {15, 23};
}

} // namespace mw
