#include "shell/app.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QGuiApplication>

#include <new>
#include <stdexcept>

namespace mw {

namespace {

MessageHook& messageHook()
{
    static MessageHook hook;
    return hook;
}

UrlOpener& urlOpener()
{
    static UrlOpener opener;
    return opener;
}

} // namespace

void setUrlOpener(UrlOpener opener)
{
    urlOpener() = std::move(opener);
}

bool openUrl(const QUrl& url)
{
    if (const UrlOpener& opener = urlOpener())
        return opener(url);
    return QDesktopServices::openUrl(url);
}

QString applicationTitle()
{
    return QStringLiteral("QM Mountwell");
}

void setMessageHook(MessageHook hook)
{
    messageHook() = std::move(hook);
}

QMessageBox::StandardButton showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton)
{
    const QString title = applicationTitle();
    if (const MessageHook& hook = messageHook())
        return hook(MessageRequest{icon, title, text, buttons});

    // A wait cursor left by the command would otherwise sit over the message box.
    const bool waiting = QApplication::overrideCursor() != nullptr;
    if (waiting)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    QMessageBox box(icon, title, text, buttons, parent);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    const auto answer = static_cast<QMessageBox::StandardButton>(box.exec());
    if (waiting)
        QApplication::restoreOverrideCursor();
    return answer;
}

void reportException(QWidget* parent, std::exception_ptr error)
{
    QString text;
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc&) {
        text = QStringLiteral("Out of memory.");
    } catch (const std::exception& e) {
        text = QString::fromUtf8(e.what());
    } catch (...) {
        text = QStringLiteral("An unexpected error ended the command.");
    }
    showMessage(parent, QMessageBox::Critical, text);
}

WaitCursor::WaitCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

WaitCursor::~WaitCursor()
{
    QApplication::restoreOverrideCursor();
}

} // namespace mw
