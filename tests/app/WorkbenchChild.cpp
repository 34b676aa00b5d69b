// A workbench in a process of its own, for the tests of what may take a process down: it builds the real window
// in its working directory and home, does one thing to it and prints what the window shows.
//   WorkbenchChild start               the window as it starts (recovered text, log)
//   WorkbenchChild compile FILE        compiles FILE's text, then compiles "var ok = 1;"
//   WorkbenchChild run FILE EXPR       compiles FILE's text and evaluates EXPR in the expression dialog
//   WorkbenchChild expand FILE NAME    compiles FILE's text and double-clicks the global NAME in the object tree
//   WorkbenchChild format FILE MS      formats FILE's text in the engine made ahead, then idles for MS milliseconds
// Output: "TEXT <editor text as base64>", one "LOG <text>" per log entry, then for compile "NEXT <ms>": how long the
// second compile took, and for expand "ITEMS <n>": how many children NAME got.
#include "TestSupport.h"

#include "app/VelmoraWindow.h"
#include "script/ExpressionDialog.h"

#include <Qsci/qsciscintilla.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>

namespace {

void say(const QString &line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void report(VelmoraWindow &window)
{
    say(QStringLiteral("TEXT ") + QString::fromLatin1(parts(&window).editor()->text().toUtf8().toBase64()));
    for (const QString &text : TestSupport::texts(parts(&window).outputView()))
        say(QStringLiteral("LOG ") + QString(text).replace(QChar::LineSeparator, QLatin1Char(' ')));
}

QString fileText(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return 2;
    VelmoraWindow window;
    window.show();
    const QString mode = args.at(0);
    if (mode != QLatin1String("start")) {
        parts(&window).editor()->setText(fileText(args.value(1)));
        if (mode == QLatin1String("compile")) {
            TestSupport::invoke(&window, "codeCompile");
            // The window answers again: the next compile starts at once and runs as usual.
            QElapsedTimer clock;
            clock.start();
            QApplication::processEvents();
            parts(&window).editor()->setText(QStringLiteral("var ok = 1;"));
            TestSupport::invoke(&window, "codeCompile");
            QApplication::processEvents();
            report(window);
            say(QStringLiteral("NEXT %1").arg(clock.elapsed()));
            return 0;
        }
        if (mode == QLatin1String("run")) {
            TestSupport::invoke(&window, "codeRun");
            ExpressionDialog::instance()->exprEdit->setText(args.value(2));
            ExpressionDialog::instance()->exprButton->click();
        } else if (mode == QLatin1String("expand")) {
            TestSupport::invoke(&window, "codeCompile");
            const auto found = parts(&window).globalsTree()->findItems(args.value(2), Qt::MatchExactly);
            if (found.isEmpty())
                return 3;
            emit parts(&window).globalsTree()->itemDoubleClicked(found.first(), 0);
            say(QStringLiteral("ITEMS %1").arg(found.first()->childCount()));
        } else if (mode == QLatin1String("format")) {
            // As on a window that has been idle since start-up: the formatter's engine is ready.
            parts(&window).formatter().prepare();
            TestSupport::invoke(&window, "codeFormat");
            // What the window does after a format (dropping its engine, preparing the next) happens while it idles.
            QTimer idle;
            idle.setSingleShot(true);
            QObject::connect(&idle, &QTimer::timeout, &app, &QApplication::quit);
            idle.start(args.value(2).toInt());
            app.exec();
        }
    }
    QApplication::processEvents();
    report(window);
    return 0;
}
