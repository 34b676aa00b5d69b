#include "app/VelmoraWindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    VelmoraWindow window(nullptr);
    window.show();
    return app.exec();
}
