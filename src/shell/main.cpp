// Placeholder entry point until the main window lands.
#include <QApplication>
#include <QLabel>
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName("QM Mountwell");
    QLabel label("Mountwell");
    label.show();
    return app.exec();
}
