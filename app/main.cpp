#include "app/VelmoraWindow.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Ties the window to its installed desktop entry and icon (docks and task bars match them by this id).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.velmora.Velmora"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.velmora.Velmora")));
    VelmoraWindow window(nullptr);
    window.show();
    return app.exec();
}
