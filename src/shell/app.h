#pragma once
// The program's handler boundary, its message boxes and the wait cursor.
//
// Every command runs inside guarded(): an exception that escapes it ends the command and is
// shown to the user in one message box titled with the application title, with an OK button.
// All message boxes go through showMessage(), which tests may replace to answer them.
#include <QMessageBox>
#include <QString>
#include <QUrl>

#include <exception>
#include <functional>
#include <utility>

class QWidget;

namespace mw {

// "QM Mountwell": the application title and the main window's caption.
QString applicationTitle();

struct MessageRequest {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
};

// Answers a message box instead of the user; returns the button pressed.
using MessageHook = std::function<QMessageBox::StandardButton(const MessageRequest&)>;
void setMessageHook(MessageHook hook);

// Shows a modal message box titled with the application title (or answers it through the hook).
QMessageBox::StandardButton showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

// What the boundary shows for an exception that ended a command.
void reportException(QWidget* parent, std::exception_ptr error);

// Runs one command; an escaping exception is shown instead of tearing the program down.
template <class F>
void guarded(QWidget* parent, F&& command)
{
    try {
        std::forward<F>(command)();
    } catch (...) {
        reportException(parent, std::current_exception());
    }
}

// Hands a document or web address to the desktop; false when nothing could open it. Tests
// replace the opener to see what would have been opened.
using UrlOpener = std::function<bool(const QUrl&)>;
void setUrlOpener(UrlOpener opener);
bool openUrl(const QUrl& url);

// The hourglass for a long operation, restored however the operation ends.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace mw
