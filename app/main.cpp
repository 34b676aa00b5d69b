#include "app/ProcessSetup.h"
#include "app/VelmoraWindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    ProcessSetup::apply();
    VelmoraWindow::useDesktopIdentity();
    VelmoraWindow window(nullptr);
    window.show();
    return app.exec();
}
