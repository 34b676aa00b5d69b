// The floor of this stack: a bare main window with a QScintilla editor and its JavaScript lexer, shown offscreen
// and quit at the first turn of the event loop. Prints the process's peak resident memory.
#include "BenchSupport.h"

#include <Qsci/qscilexerjavascript.h>
#include <Qsci/qsciscintilla.h>

#include <QApplication>
#include <QMainWindow>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    auto *editor = new QsciScintilla(&window);
    auto *lexer = new QsciLexerJavaScript(editor);
    editor->setLexer(lexer);
    window.setCentralWidget(editor);
    window.resize(800, 600);
    window.show();
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
    const int result = app.exec();
    std::printf("peak_rss_kib=%ld\n", BenchSupport::peakRssKib());
    return result;
}
