// A workbench in a process of its own, for the tests of what may take a process down: it builds the real window
// in its working directory and home, does one thing to it and prints what the window shows.
//   WorkbenchChild start               the window as it starts (recovered text, log)
//   WorkbenchChild compile FILE [measure]  compiles FILE's text, then compiles "var ok = 1;"
//   WorkbenchChild run FILE EXPR       compiles FILE's text and evaluates EXPR in the expression dialog
//   WorkbenchChild expand FILE NAME    compiles FILE's text and double-clicks the global NAME in the object tree
//   WorkbenchChild click FILE NAME     runs FILE's text (the expression dialog opens) and clicks the global NAME
//   WorkbenchChild format FILE MS      formats FILE's text in the engine made ahead, then idles for MS milliseconds
//   WorkbenchChild edit FILE [compile] opens FILE, compiles it if asked, types a line, pauses and is killed (SIGKILL)
// Output: "TEXT <editor text as base64>", "PATH <document's file>", one "LOG <text>" per log entry, then for compile
// "NEXT <ms>": how long the second compile took, "FIRST <ms>" the first, "SCRIPT <ms>" (with measure) the same script in a
// bare engine with the same console and no log, and for expand "ITEMS <n>": how many children NAME got. After run,
// expand and click the window compiles "var ok = 1;": the log shows whether it still works.
#include "TestSupport.h"

#include "app/ProcessSetup.h"
#include "app/RecoveryJournal.h"
#include "app/VelmoraWindow.h"
#include "script/ExpressionDialog.h"
#include "script/JsConsole.h"

#include <Qsci/qsciscintilla.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJSEngine>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>

#include <csignal>
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
    say(QStringLiteral("PATH ") + parts(&window).filePath());
    for (const QString &text : TestSupport::texts(parts(&window).outputView()))
        say(QStringLiteral("LOG ") + QString(text).replace(QChar::LineSeparator, QLatin1Char(' ')));
}

QString fileText(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

// How long the script takes without the window: a bare engine, the same console, its output going nowhere.
qint64 bareScriptMs(const QString &script)
{
    QJSEngine engine;
    auto *console = new JsConsole(&engine);
    engine.globalObject().setProperty(QStringLiteral("console"), engine.newQObject(console));
    QElapsedTimer clock;
    clock.start();
    engine.evaluate(script);
    return clock.elapsed();
}

// Whether a journal in the recovery folder holds bytes.
bool journalHolds(const QByteArray &bytes)
{
    const QDir folder(RecoveryJournal::defaultDirectory());
    for (const QString &name : folder.entryList({QStringLiteral("*.js")}, QDir::Files)) {
        QFile journal(folder.filePath(name));
        if (journal.open(QIODevice::ReadOnly) && journal.readAll().contains(bytes))
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    ProcessSetup::ignoreFileSizeSignal(); // as the program does: a write past a size limit fails, it does not kill
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return 2;
    VelmoraWindow window;
    window.show();
    const QString mode = args.at(0);
    if (mode == QLatin1String("edit")) {
        {
            const ModalAnswer open(TestSupport::typeFileName(args.value(1)));
            TestSupport::invoke(&window, "openFile");
        }
        if (args.value(2) == QLatin1String("compile"))
            TestSupport::invoke(&window, "codeCompile");
        const QString typed = QStringLiteral("\n// 之后输入的\n");
        parts(&window).editor()->append(typed);
        // Typing pauses; the journal is due a second later (later on a loaded machine: the wait ends when the typed
        // text is on disk, the bound only catches a journal that never comes). Then the process dies without a word.
        QElapsedTimer pause;
        pause.start();
        while (!journalHolds(typed.toUtf8()) && pause.elapsed() < 60000)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        std::raise(SIGKILL);
    }
    if (mode != QLatin1String("start")) {
        parts(&window).editor()->setText(fileText(args.value(1)));
        if (mode == QLatin1String("compile")) {
            QElapsedTimer first;
            first.start();
            TestSupport::invoke(&window, "codeCompile");
            const qint64 firstMs = first.elapsed();
            // The window answers again: the next compile starts at once and runs as usual.
            QElapsedTimer clock;
            clock.start();
            QApplication::processEvents();
            parts(&window).editor()->setText(QStringLiteral("var ok = 1;"));
            TestSupport::invoke(&window, "codeCompile");
            QApplication::processEvents();
            report(window);
            say(QStringLiteral("NEXT %1").arg(clock.elapsed()));
            say(QStringLiteral("FIRST %1").arg(firstMs));
            if (args.value(2) == QLatin1String("measure"))
                say(QStringLiteral("SCRIPT %1").arg(bareScriptMs(fileText(args.value(1)))));
            return 0;
        }
        if (mode == QLatin1String("run")) {
            if (!TestSupport::invoke(&window, "codeRun"))
                return 3;
            ExpressionDialog::instance()->exprEdit->setText(args.value(2));
            ExpressionDialog::instance()->exprButton->click();
        } else if (mode == QLatin1String("expand") || mode == QLatin1String("click")) {
            TestSupport::invoke(&window, mode == QLatin1String("click") ? "codeRun" : "codeCompile");
            const auto found = parts(&window).globalsTree()->findItems(args.value(2), Qt::MatchExactly);
            if (found.isEmpty())
                return 3;
            if (mode == QLatin1String("click")) {
                emit parts(&window).globalsTree()->itemClicked(found.first(), 0);
            } else {
                emit parts(&window).globalsTree()->itemDoubleClicked(found.first(), 0);
                say(QStringLiteral("ITEMS %1").arg(found.first()->childCount()));
            }
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
        if (mode != QLatin1String("format")) {
            QApplication::processEvents();
            parts(&window).editor()->setText(QStringLiteral("var ok = 1;"));
            TestSupport::invoke(&window, "codeCompile");
        }
    }
    QApplication::processEvents();
    report(window);
    return 0;
}
