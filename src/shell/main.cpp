// The desktop program: one main window, run until it closes.
#include "shell/app.h"
#include "shell/mw_main.h"

#include <QApplication>
#include <QStyleFactory>

#include <exception>
#include <memory>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("mountwell"));
    QApplication::setApplicationDisplayName(mw::applicationTitle());
    QApplication::setOrganizationName(QStringLiteral("Quillmoor"));
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(fusion);

    std::unique_ptr<mw::TMWMainForm> window;
    try {
        window = std::make_unique<mw::TMWMainForm>();
    } catch (...) {
        mw::reportException(nullptr, std::current_exception());
        return 1;
    }
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    window->setCommandLine(arguments);
    window->show();
    return QApplication::exec();
}
