// Starts the workbench window offscreen and quits at the first turn of the event loop; with "flood" it first
// compiles a script printing 100 000 console lines. Prints the process's peak resident memory.
#include "BenchSupport.h"

#include "app/ProcessSetup.h"
#include "app/VelmoraWindow.h"

#include <Qsci/qsciscintilla.h>

#include <QApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    ProcessSetup::apply();               // as app/main.cpp does
    VelmoraWindow::useDesktopIdentity(); // as app/main.cpp does
    VelmoraWindow window(nullptr);
    window.show();
    if (argc > 1 && qstrcmp(argv[1], "flood") == 0) {
        window.findChild<QsciScintilla *>()->setText(BenchSupport::floodScript());
        QMetaObject::invokeMethod(&window, "codeCompile");
    }
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
    const int result = app.exec();
    std::printf("peak_rss_kib=%ld\n", BenchSupport::peakRssKib());
    return result;
}
