#include "TestSupport.h"

#include "app/ProcessSetup.h"
#include "app/VelmoraWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>

#include <sys/resource.h>

namespace {
// Each test starts without crash journals: one left by a test that crashed would be recovered into the next run's
// first window. Only the scratch data location that CTest gives the test is cleared.
[[maybe_unused]] const bool freshData = [] {
    const QByteArray data = qgetenv("VELMORA_TEST_DATA_HOME");
    if (!data.isEmpty() && qgetenv("XDG_DATA_HOME") == data)
        QDir(QString::fromLocal8Bit(data)).removeRecursively();
    return true;
}();

// Test processes, like the program's entry point, turn a write past the file size limit into an EFBIG error.
[[maybe_unused]] const bool fileSizeSignalIgnored = (ProcessSetup::ignoreFileSizeSignal(), true);
}

QList<TestSupport::Entry> TestSupport::entries(const QTextBrowser *browser)
{
    QList<Entry> result;
    for (QTextBlock block = browser->document()->begin(); block.isValid(); block = block.next()) {
        const QString line = block.text();
        Entry entry;
        const int separator = line.indexOf(QStringLiteral(" : "));
        entry.timestamp = line.left(separator);
        entry.text = line.mid(separator + 3);
        entry.colour = block.begin() != block.end() ? block.begin().fragment().charFormat().foreground().color()
                                                    : QColor();
        result.append(entry);
    }
    return result;
}

QStringList TestSupport::texts(const QTextBrowser *browser, int first)
{
    QStringList result;
    const QList<Entry> all = entries(browser);
    for (int i = first; i < all.size(); ++i)
        result.append(all.at(i).text);
    return result;
}

int TestSupport::entryCount(const QTextBrowser *browser)
{
    return browser->document()->blockCount();
}

bool TestSupport::invoke(VelmoraWindow *window, const char *slot)
{
    bool result = false;
    if (!QMetaObject::invokeMethod(window, slot, Qt::DirectConnection, Q_RETURN_ARG(bool, result)))
        qFatal("no slot %s", slot);
    return result;
}

std::function<void(QWidget *)> TestSupport::pressButton(int standardButton)
{
    return [standardButton](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY2(box, "the modal dialog is not a message box");
        QAbstractButton *button = box->button(static_cast<QMessageBox::StandardButton>(standardButton));
        QVERIFY2(button, "the message box has no such button");
        QTest::mouseClick(button, Qt::LeftButton);
    };
}

std::function<void(QWidget *)> TestSupport::pressEscape()
{
    return [](QWidget *modal) { QTest::keyClick(modal, Qt::Key_Escape); };
}

std::function<void(QWidget *)> TestSupport::closeWindow()
{
    return [](QWidget *modal) { modal->close(); };
}

std::function<void(QWidget *)> TestSupport::typeFileName(const QString &path)
{
    return [path](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        QVERIFY2(dialog, "the modal dialog is not a file dialog");
        auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY2(edit, "the file dialog has no file name field");
        edit->setFocus();
        edit->clear();
        QTest::keyClicks(edit, path);
        QTest::keyClick(edit, Qt::Key_Return);
    };
}

QString TestSupport::nodeProgram()
{
    return QStringLiteral(VELMORA_NODE);
}

QString TestSupport::runNode(const QStringList &arguments, const QByteArray &input, QString *failure)
{
    QProcess node;
    node.start(nodeProgram(), arguments);
    QString problem;
    if (!node.waitForStarted()) {
        problem = QStringLiteral("node is not installed (./velmora.sh test installs nodejs)");
    } else {
        node.write(input);
        node.closeWriteChannel();
        if (!node.waitForFinished(120000))
            problem = QStringLiteral("node did not finish");
        else if (node.exitStatus() != QProcess::NormalExit || node.exitCode() != 0)
            problem = QString::fromUtf8(node.readAllStandardError());
    }
    if (failure)
        *failure = problem;
    return QString::fromUtf8(node.readAllStandardOutput());
}

void TestSupport::flushDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool TestSupport::withFileSizeLimit(long bytes, const std::function<void()> &work)
{
    rlimit saved {};
    if (getrlimit(RLIMIT_FSIZE, &saved) != 0)
        return false;
    rlimit small = saved;
    small.rlim_cur = rlim_t(bytes);
    if (setrlimit(RLIMIT_FSIZE, &small) != 0)
        return false;
    work();
    setrlimit(RLIMIT_FSIZE, &saved);
    return true;
}

void TestSupport::verifyNoWindowsLeft()
{
    flushDeferredDeletes();
    QStringList left;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        const QString name = QString::fromLatin1(widget->metaObject()->className());
        // Qt's own: the desktop and a tooltip, made once per process.
        if (name == QLatin1String("QDesktopWidget") || name == QLatin1String("QDesktopScreenWidget")
            || name == QLatin1String("QTipLabel"))
            continue;
        left << name + QStringLiteral(" \"") + widget->windowTitle() + QLatin1Char('"');
    }
    QVERIFY2(left.isEmpty(), qPrintable(QStringLiteral("top-level widgets left behind: ") + left.join(QStringLiteral(", "))));
}

ModalAnswer::ModalAnswer(const std::function<void(QWidget *)> &answer, int timeoutMs)
    : answer(answer), timeoutMs(timeoutMs)
{
    clock.start();
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [this] { poll(); });
    timer.start();
}

ModalAnswer::~ModalAnswer()
{
    timer.stop();
}

void ModalAnswer::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal) {
        if (clock.elapsed() > timeoutMs) {
            timer.stop();
            qWarning("no modal dialog appeared");
        }
        return;
    }
    timer.stop();
    done = true;
    modalClass = QString::fromLatin1(modal->metaObject()->className());
    modalTitle = modal->windowTitle();
    if (auto *box = qobject_cast<QMessageBox *>(modal))
        modalText = box->text();
    answer(modal);
}
