#pragma once
// A pair of small up and down arrow buttons with a position in a range, the kind that sits
// beside a drop-down list to step through its entries.
#include <QWidget>

class QToolButton;

namespace mw {

class UpDownArrows : public QWidget {
    Q_OBJECT
public:
    enum class Button { Up, Down };

    explicit UpDownArrows(QWidget* parent = nullptr);

    void setRange(int minimum, int maximum);
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    int position() const { return m_position; }
    void setPosition(int position);  // limited to the range
    void setWrap(bool wrap) { m_wrap = wrap; }

    QToolButton* upButton() const { return m_up; }
    QToolButton* downButton() const { return m_down; }

    QSize sizeHint() const override;

signals:
    // After the position moved (or stayed at a limit) because an arrow was pressed.
    void clicked(mw::UpDownArrows::Button button);

private:
    void step(Button button);

    QToolButton* m_up = nullptr;
    QToolButton* m_down = nullptr;
    int m_min = 0;
    int m_max = 100;
    int m_position = 0;
    bool m_wrap = false;
};

} // namespace mw
