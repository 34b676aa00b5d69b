#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QImage>
#include <QList>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

// A process that dies together with the test, however the test ends: a CTest timeout kills only the test itself,
// and an X server or a workbench left behind would outlive the run.
class ChildProcess : public QProcess
{
public:
    using QProcess::QProcess;
    ~ChildProcess() override;

    // Kills the process (if it still runs) and reaps it.
    void stop();

protected:
    void setupChildProcess() override;
};

// One top-level window as the X server sees it.
struct XWindow
{
    quint64 id = 0;
    QString name;
    QRect geometry;
};

// A private X server (Xvfb) and the command-line tools that act on it like a person at the keyboard: xdotool for
// input and window queries, xwininfo/xprop for window properties, import for screenshots.
class Desktop
{
public:
    Desktop();
    ~Desktop();
    Desktop(const Desktop &) = delete;
    Desktop &operator=(const Desktop &) = delete;

    // The tools this needs that are not on PATH, each with the Debian package that has it (empty when all are there).
    static QStringList missingTools();

    // Starts Xvfb on a free display; false with a reason in error() when it does not come up.
    bool start();
    void stop();
    QString display() const { return displayName; }
    QString error() const { return lastError; }

    // The environment for a program shown on this display: xcb, Qt's own dialogs rather than a desktop's, and
    // settings kept in a scratch directory.
    QProcessEnvironment environment() const;

    // Runs a tool on this display; stdout when it exits 0, otherwise ok is false and error() tells why.
    QByteArray run(const QString &program, const QStringList &arguments, bool *ok = nullptr, int timeoutMs = 10000);
    bool xdotool(const QStringList &arguments);

    // The viewable top-level windows of one process (by _NET_WM_PID), with name and geometry.
    QList<XWindow> windowsOf(qint64 pid);
    // Polls until a viewable window of the process has exactly this name; id 0 when the deadline passes first.
    XWindow waitForWindow(qint64 pid, const QString &name, const QDeadlineTimer &deadline);
    // Polls until no viewable window of the process has this name.
    bool waitForWindowGone(qint64 pid, const QString &name, const QDeadlineTimer &deadline);

    // xwininfo's view of a window: its map state ("IsViewable", ...) and size.
    struct WindowInfo
    {
        QString mapState;
        QSize size;
    };
    WindowInfo windowInfo(quint64 window);
    // The atoms listed in a window's WM_PROTOCOLS property (xprop).
    QStringList wmProtocols(quint64 window);

    // Input, as a person gives it. Keys use xdotool's names ("ctrl+s", "Return", "Escape").
    bool focus(quint64 window);
    bool click(quint64 window, const QPoint &at);
    bool key(const QStringList &keys);
    bool type(const QString &text);
    // Asks the window to close the way a window manager does when its close button is pressed.
    bool requestClose(quint64 window);

    // The whole screen; a null image when import fails.
    QImage screenshot();

private:
    std::unique_ptr<ChildProcess> server;
    // Home-like directories for the programs on this display, so that nothing they remember (the file dialog's
    // history, for one) leaks into the user's settings or from one test run into the next.
    std::unique_ptr<QTemporaryDir> profile;
    QString displayName;
    QString lastError;
};
