#include "Desktop.h"

#include "CloseRequest.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

const int pollMs = 100;

QString firstLine(const QByteArray &bytes)
{
    return QString::fromUtf8(bytes).section(QLatin1Char('\n'), 0, 0).trimmed();
}

} // namespace

// ---- ChildProcess ---------------------------------------------------------------------------------------------

ChildProcess::~ChildProcess()
{
    stop();
}

void ChildProcess::stop()
{
    if (state() == QProcess::NotRunning)
        return;
    // Politely first: Xvfb removes its lock file and socket on SIGTERM.
    terminate();
    if (!waitForFinished(3000)) {
        kill();
        waitForFinished(3000);
    }
}

void ChildProcess::setupChildProcess()
{
    // Runs in the child between fork and exec. SIGTERM reaches the child when the test process dies.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    // The test may have died between fork and prctl.
    if (::getppid() == 1)
        ::_exit(1);
}

// ---- Desktop --------------------------------------------------------------------------------------------------

Desktop::Desktop() = default;

Desktop::~Desktop()
{
    stop();
}

QStringList Desktop::missingTools()
{
    const struct
    {
        const char *tool;
        const char *package;
    } tools[] = {{"Xvfb", "xvfb"}, {"xdotool", "xdotool"}, {"xwininfo", "x11-utils"}, {"xprop", "x11-utils"},
                 {"import", "imagemagick"}};
    QStringList missing;
    for (const auto &entry : tools) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(entry.tool)).isEmpty())
            missing << QStringLiteral("%1 (install %2)").arg(QLatin1String(entry.tool), QLatin1String(entry.package));
    }
    return missing;
}

bool Desktop::start()
{
    stop();
    profile = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/velmora-desktop-XXXXXX"));
    if (!profile->isValid() || !QDir(profile->path()).mkpath(QStringLiteral("config"))
        || !QDir(profile->path()).mkpath(QStringLiteral("runtime"))
        || !QFile::setPermissions(profile->filePath(QStringLiteral("runtime")),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)) {
        lastError = QStringLiteral("cannot make a scratch profile directory");
        return false;
    }
    server = std::make_unique<ChildProcess>();
    server->setProcessChannelMode(QProcess::SeparateChannels);
    // -displayfd: Xvfb picks a free display number itself and writes it to stdout once it accepts clients, so
    // there is neither a race for the number nor a guess about when it is ready.
    server->start(QStringLiteral("Xvfb"),
                  {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                   QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                   QStringLiteral("-noreset")});
    if (!server->waitForStarted(10000)) {
        lastError = QStringLiteral("Xvfb did not start: %1").arg(server->errorString());
        return false;
    }
    QByteArray out;
    QElapsedTimer clock;
    clock.start();
    while (!out.contains('\n') && clock.elapsed() < 15000 && server->state() == QProcess::Running) {
        server->waitForReadyRead(pollMs);
        out += server->readAllStandardOutput();
    }
    bool ok = false;
    const int number = firstLine(out).toInt(&ok);
    if (!ok) {
        lastError = QStringLiteral("Xvfb gave no display number: %1").arg(
            QString::fromLocal8Bit(server->readAllStandardError()).right(2000));
        server->stop();
        return false;
    }
    displayName = QStringLiteral(":%1").arg(number);
    return true;
}

void Desktop::stop()
{
    if (server)
        server->stop();
    server.reset();
    profile.reset();
}

QProcessEnvironment Desktop::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), displayName);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("QT_QPA_PLATFORMTHEME"), QString());
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    if (profile) {
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), profile->filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), profile->filePath(QStringLiteral("runtime")));
    }
    return env;
}

QByteArray Desktop::run(const QString &program, const QStringList &arguments, bool *ok, int timeoutMs)
{
    ChildProcess process;
    process.setProcessEnvironment(environment());
    process.start(program, arguments);
    bool good = process.waitForStarted(timeoutMs) && process.waitForFinished(timeoutMs)
        && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    const QByteArray out = process.readAllStandardOutput();
    if (!good) {
        lastError = QStringLiteral("%1 %2 failed (exit %3): %4")
                        .arg(program, arguments.join(QLatin1Char(' ')))
                        .arg(process.exitCode())
                        .arg(QString::fromLocal8Bit(process.readAllStandardError()).trimmed().right(1000));
    }
    if (ok)
        *ok = good;
    return out;
}

bool Desktop::xdotool(const QStringList &arguments)
{
    bool ok = false;
    run(QStringLiteral("xdotool"), arguments, &ok);
    return ok;
}

QList<XWindow> Desktop::windowsOf(qint64 pid)
{
    QList<XWindow> windows;
    // Exits 1 when nothing matches: that is just an empty list.
    const QByteArray ids = run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                           QStringLiteral("--pid"), QString::number(pid)});
    for (const QByteArray &line : ids.split('\n')) {
        bool ok = false;
        const quint64 id = line.trimmed().toULongLong(&ok);
        if (!ok)
            continue;
        XWindow window;
        window.id = id;
        bool named = false;
        window.name = QString::fromUtf8(
            run(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), QString::number(id)}, &named));
        if (window.name.endsWith(QLatin1Char('\n')))
            window.name.chop(1);
        bool placed = false;
        const QByteArray shell = run(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"),
                                                                 QStringLiteral("--shell"), QString::number(id)},
                                     &placed);
        if (!named || !placed)
            continue; // gone in between
        int x = 0, y = 0, width = 0, height = 0;
        for (const QByteArray &entry : shell.split('\n')) {
            const int eq = entry.indexOf('=');
            const QByteArray key = entry.left(eq);
            const int value = entry.mid(eq + 1).toInt();
            if (key == "X")
                x = value;
            else if (key == "Y")
                y = value;
            else if (key == "WIDTH")
                width = value;
            else if (key == "HEIGHT")
                height = value;
        }
        window.geometry = QRect(x, y, width, height);
        windows << window;
    }
    return windows;
}

XWindow Desktop::waitForWindow(qint64 pid, const QString &name, const QDeadlineTimer &deadline)
{
    forever {
        for (const XWindow &window : windowsOf(pid)) {
            if (window.name == name)
                return window;
        }
        if (deadline.hasExpired())
            return XWindow();
        QThread::msleep(pollMs);
    }
}

bool Desktop::waitForWindowGone(qint64 pid, const QString &name, const QDeadlineTimer &deadline)
{
    forever {
        bool seen = false;
        for (const XWindow &window : windowsOf(pid))
            seen = seen || window.name == name;
        if (!seen)
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(pollMs);
    }
}

Desktop::WindowInfo Desktop::windowInfo(quint64 window)
{
    WindowInfo info;
    bool ok = false;
    const QString out = QString::fromUtf8(run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(window)}, &ok));
    if (!ok)
        return info;
    const QRegularExpression field(QStringLiteral("^\\s*(Width|Height|Map State):\\s*(\\S+)\\s*$"),
                                   QRegularExpression::MultilineOption);
    int width = -1, height = -1;
    for (auto it = field.globalMatch(out); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        if (match.captured(1) == QLatin1String("Width"))
            width = match.captured(2).toInt();
        else if (match.captured(1) == QLatin1String("Height"))
            height = match.captured(2).toInt();
        else
            info.mapState = match.captured(2);
    }
    info.size = QSize(width, height);
    return info;
}

QStringList Desktop::wmProtocols(quint64 window)
{
    bool ok = false;
    const QString out = QString::fromUtf8(
        run(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window), QStringLiteral("WM_PROTOCOLS")}, &ok));
    const int at = out.indexOf(QLatin1String("protocols"));
    if (!ok || at < 0)
        return {};
    QStringList atoms;
    for (const QString &atom : out.mid(at + int(qstrlen("protocols"))).split(QLatin1Char(',')))
        atoms << atom.trimmed();
    return atoms;
}

bool Desktop::focus(quint64 window)
{
    return xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(window)});
}

bool Desktop::click(quint64 window, const QPoint &at)
{
    // No --sync: it waits for the pointer to move, forever when it already is at that spot.
    return xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), QString::number(window),
                    QString::number(at.x()), QString::number(at.y()), QStringLiteral("click"), QStringLiteral("1")});
}

bool Desktop::key(const QStringList &keys)
{
    return xdotool(QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("30")} + keys);
}

bool Desktop::type(const QString &text)
{
    return xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("15"), QStringLiteral("--"), text});
}

bool Desktop::requestClose(quint64 window)
{
    return sendCloseRequest(displayName.toLatin1(), window, &lastError);
}

QImage Desktop::screenshot()
{
    bool ok = false;
    const QByteArray png = run(QStringLiteral("import"),
                               {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("png:-")}, &ok);
    QImage image;
    if (!ok || !image.loadFromData(png, "PNG")) {
        if (ok)
            lastError = QStringLiteral("import gave no PNG picture");
        return QImage();
    }
    return image.convertToFormat(QImage::Format_RGB32);
}
