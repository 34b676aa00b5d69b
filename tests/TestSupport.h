#pragma once

#include <QColor>
#include <QList>
#include <QString>

#include <functional>

#include "app/OutputLog.h"
#include "app/VelmoraWindow.h"
#include "editor/QsciLexerJavaScriptPlus.h"
#include "script/JsConsole.h"
#include "script/ScriptWatchdog.h"
#include "tools/CodeFormatter.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

class QTextBrowser;
class QWidget;

// The window's parts and state, as the tests and benchmarks see them. The window befriends this class instead of
// publishing accessors.
class WindowParts
{
public:
    explicit WindowParts(const VelmoraWindow *window) : window(window) {}

    QsciScintilla *editor() const { return window->codeEditor; }
    QTextBrowser *outputView() const { return window->outputBrowser; }
    QTreeWidget *globalsTree() const { return window->objectTree; }
    QDockWidget *objectListDock() const { return window->objectDock; }
    QDockWidget *outputLogDock() const { return window->outputDock; }
    QJSEngine *engine() const { return window->jsEngine; }
    JsConsole *console() const { return window->jsConsole; }
    QsciLexerJavaScriptPlus *codeLexer() const { return window->lexer; }
    QString filePath() const { return window->strFilePath; }
    QString compiledCode() const { return window->strCompiledCode; }
    QString savedCode() const { return window->strSavedCode; }
    OutputLog &log() const { return *window->outputLog; }
    ScriptWatchdog &scriptWatchdog() const { return *window->watchdog; }
    CodeFormatter &formatter() const { return *window->formatter; }

private:
    const VelmoraWindow *window;
};

inline WindowParts parts(const VelmoraWindow *window)
{
    return WindowParts(window);
}

// Helpers shared by the tests: reading the output log, calling the window's commands, answering modal dialogs.
class TestSupport
{
public:
    struct Entry
    {
        QString timestamp;
        QString text;
        QColor colour;
    };

    // One entry per paragraph of the log, split at " : " after the timestamp.
    static QList<Entry> entries(const QTextBrowser *browser);
    // The texts (after the timestamp) of the entries from index first on.
    static QStringList texts(const QTextBrowser *browser, int first = 0);
    static int entryCount(const QTextBrowser *browser);

    // Calls one of the window's slots by name through its meta-object, as a menu action does, and returns its result.
    static bool invoke(VelmoraWindow *window, const char *slot);

    // Common answers for ModalAnswer: press the message box button with this standard button; type a path into a file dialog and
    // press Enter; cancel a file dialog.
    static std::function<void(QWidget *)> pressButton(int standardButton);
    static std::function<void(QWidget *)> pressEscape();
    // Closes the dialog as its title bar's close button does.
    static std::function<void(QWidget *)> closeWindow();
    static std::function<void(QWidget *)> typeFileName(const QString &path);

    // Runs work with the process's file size limit lowered to bytes, so that writing more fails with EFBIG (tests
    // run as root: permissions cannot make a write fail). Every test process ignores SIGXFSZ as the program does;
    // were that lost, the test would die here. Returns false when the limit could not be set.
    static bool withFileSizeLimit(long bytes, const std::function<void()> &work);

    // The node tests compare with: npm's pinned release, or the system's where that is missing.
    static QString nodeProgram();
    // Runs node, the reference for what JavaScript does, with arguments and input on its standard input. Its standard
    // output; *failure, when given, says why the run failed (node missing, an exit code other than 0) or stays empty.
    static QString runNode(const QStringList &arguments, const QByteArray &input = QByteArray(),
                           QString *failure = nullptr);

    // Deletes objects released with deleteLater.
    static void flushDeferredDeletes();

    // Fails the running test when a top-level widget it made is still alive (once deferred deletions have run): a
    // window or dialog left behind would carry one test's state into the next. Call from cleanup().
    static void verifyNoWindowsLeft();
};

// Answers the next modal dialog as a user would, for as long as it lives (Qt's own tests answer their message boxes
// the same way): a timer waits until a modal widget is active and hands it to the answer. Create it before the code
// that opens the dialog; one answer per object. Going out of scope withdraws an answer that found no dialog, so no
// answer meant for one step can click in the next.
class ModalAnswer
{
public:
    explicit ModalAnswer(const std::function<void(QWidget *)> &answer, int timeoutMs = 10000);
    ~ModalAnswer();
    ModalAnswer(const ModalAnswer &) = delete;
    ModalAnswer &operator=(const ModalAnswer &) = delete;

    bool answered() const { return done; }

    // What the answered dialog showed: its class, window title and (for message boxes) text.
    QString modalClass;
    QString modalTitle;
    QString modalText;

private:
    void poll();

    QTimer timer;
    QElapsedTimer clock;
    std::function<void(QWidget *)> answer;
    int timeoutMs;
    bool done = false;
};
