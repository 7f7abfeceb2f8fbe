#pragma once
// TAboutBox: the modal About box. "About..." builds a fresh one every time; it deletes itself
// when closed.
#include <QDialog>

class QLabel;

namespace mw {

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* owner);

    // The address the link opens.
    static QString webAddress();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void ClickForURL(QLabel* link);

    QLabel* m_productName = nullptr;
    QLabel* m_version = nullptr;
};

} // namespace mw
