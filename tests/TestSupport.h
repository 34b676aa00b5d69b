#pragma once

#include <QColor>
#include <QList>
#include <QString>

#include <functional>

class QTextBrowser;
class QWidget;
class VelmoraWindow;

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

    // Answers the next modal dialog as a user would: a timer waits until a modal widget is active and hands it to
    // answer. Call before the code that opens the dialog; one answer per call.
    static void answerModal(const std::function<void(QWidget *)> &answer, int timeoutMs = 10000);
    // Withdraws answers that found no dialog; returns how many there were.
    static int cancelAnswers();
    // Common answers: press the message box button with this standard button; type a path into a file dialog and
    // press Enter; cancel a file dialog.
    static std::function<void(QWidget *)> pressButton(int standardButton);
    static std::function<void(QWidget *)> pressEscape();
    // Closes the dialog as its title bar's close button does.
    static std::function<void(QWidget *)> closeWindow();
    static std::function<void(QWidget *)> typeFileName(const QString &path);

    // What the last answered modal widget showed: its class, window title and (for message boxes) text.
    static QString lastModalClass;
    static QString lastModalTitle;
    static QString lastModalText;
    static int modalCount;

    // Runs work with the process's file size limit lowered to bytes, so that writing more fails with EFBIG (tests
    // run as root: permissions cannot make a write fail). Every test process ignores SIGXFSZ as the program does;
    // were that lost, the test would die here. Returns false when the limit could not be set.
    static bool withFileSizeLimit(long bytes, const std::function<void()> &work);

    // Deletes objects released with deleteLater.
    static void flushDeferredDeletes();
};
