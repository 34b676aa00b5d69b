// New, Open, Save, Save As and the question on close, answered through the real dialogs as a user would.
#include "TestSupport.h"

#include "app/VelmoraWindow.h"

#include <Qsci/qsciscintilla.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#include <sys/stat.h>


class FileCommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void roundTripIsByteExact();
    void saveAsksOnlyWithoutPath();
    void cancelledSaveDialogEmptiesPath();
    void saveThatCannotOpenWarns();
    void saveWhoseWriteFailsKeepsOldFile();
    void saveAsksWhenChangedOnDisk_data();
    void saveAsksWhenChangedOnDisk();
    void newOnEmptyAsksNothing();
    void newAfterSaveAsksAndNoEmpties();
    void newYesThenCancelledSaveKeepsText();
    void afterNewSaveAsksForAName();
    void escapeOrTitleBarCancels_data();
    void escapeOrTitleBarCancels();
    void openAfterFailedSaveKeepsText();
    void openRefusesWhatCannotBeShown_data();
    void openRefusesWhatCannotBeShown();
    void openDropsByteOrderMark();
    void cancelledOpenAfterNewLeavesEditorAndPathEmpty();
    void closeWithUnsavedTextYesThenCancelKeepsWindowOpen();
    void closeWithUnsavedTextNoCloses();
    void closeAfterSaveAsksNothing();
    void closeAfterNewOnSavedDocumentAsks();

private:
    VelmoraWindow *window = nullptr;
    QTemporaryDir *dir = nullptr;
    QString path(const QString &name) const { return dir->filePath(name); }
    QString text() const { return parts(window).editor()->text(); }
    void setText(const QString &value) { parts(window).editor()->setText(value); }
    static QByteArray contents(const QString &file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    static void writeBytes(const QString &file, const QByteArray &bytes)
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // Saves through the save dialog; false also when no dialog asked for the name.
    bool saveAs(const QString &file)
    {
        ModalAnswer fileDialog(TestSupport::typeFileName(file));
        const bool saved = TestSupport::invoke(window, "saveAsFile");
        return saved && fileDialog.answered();
    }
};

void FileCommandsTest::init()
{
    dir = new QTemporaryDir;
    window = new VelmoraWindow;
    window->show();
}

void FileCommandsTest::cleanup()
{
    // Destroying the window asks nothing, whatever the test left unsaved.
    delete window;
    window = nullptr;
    delete dir;
    dir = nullptr;
    TestSupport::verifyNoWindowsLeft();
}

void FileCommandsTest::roundTripIsByteExact()
{
    const QString original = QStringLiteral("// 中文注释\r\nfunction f() {\r\n\treturn '字符串';\r\n}\n\tlast line");
    setText(original);
    {
        ModalAnswer saveDialog(TestSupport::typeFileName(path(QStringLiteral("round.js"))));
        QVERIFY(TestSupport::invoke(window, "saveAsFile"));
        QCOMPARE(saveDialog.modalTitle, QStringLiteral("保存文件"));
    }
    QCOMPARE(contents(path(QStringLiteral("round.js"))), original.toUtf8());
    QCOMPARE(parts(window).filePath(), path(QStringLiteral("round.js")));
    QCOMPARE(parts(window).savedCode(), original);

    setText(QString());
    ModalAnswer openDialog(TestSupport::typeFileName(path(QStringLiteral("round.js"))));
    QVERIFY(TestSupport::invoke(window, "openFile"));
    QCOMPARE(openDialog.modalTitle, QStringLiteral("打开文件"));
    QCOMPARE(text(), original);
    QCOMPARE(parts(window).savedCode(), original);
}

void FileCommandsTest::saveAsksOnlyWithoutPath()
{
    setText(QStringLiteral("a"));
    {
        ModalAnswer saveDialog(TestSupport::typeFileName(path(QStringLiteral("s.js"))));
        QVERIFY(TestSupport::invoke(window, "saveFile"));
        QVERIFY(saveDialog.answered());
    }
    setText(QStringLiteral("b"));
    ModalAnswer unasked(TestSupport::pressEscape()); // a dialog, should one come
    QVERIFY(TestSupport::invoke(window, "saveFile"));
    QVERIFY(!unasked.answered());
    QCOMPARE(contents(path(QStringLiteral("s.js"))), QByteArray("b"));
}

void FileCommandsTest::cancelledSaveDialogEmptiesPath()
{
    setText(QStringLiteral("a"));
    QVERIFY(saveAs(path(QStringLiteral("first.js"))));
    ModalAnswer saveDialog(TestSupport::pressEscape());
    QVERIFY(!TestSupport::invoke(window, "saveAsFile"));
    QVERIFY(parts(window).filePath().isEmpty());
    QCOMPARE(parts(window).savedCode(), QStringLiteral("a"));
}

void FileCommandsTest::saveThatCannotOpenWarns()
{
    QVERIFY(QDir(dir->path()).mkdir(QStringLiteral("sub")));
    setText(QStringLiteral("first"));
    QVERIFY(saveAs(path(QStringLiteral("sub/t.js"))));
    QVERIFY(QDir(path(QStringLiteral("sub"))).removeRecursively());
    setText(QStringLiteral("second"));
    ModalAnswer warning(TestSupport::pressButton(QMessageBox::Ok));
    QVERIFY(!TestSupport::invoke(window, "saveFile"));
    QCOMPARE(warning.modalTitle, QStringLiteral("错误"));
    QCOMPARE(warning.modalText, QStringLiteral("文件保存失败"));
    QCOMPARE(parts(window).filePath(), path(QStringLiteral("sub/t.js")));
    QCOMPARE(parts(window).savedCode(), QStringLiteral("first"));
}

void FileCommandsTest::saveWhoseWriteFailsKeepsOldFile()
{
    setText(QStringLiteral("old text"));
    QVERIFY(saveAs(path(QStringLiteral("w.js"))));
    setText(QString(200000, QLatin1Char('y')));

    bool saved = true;
    ModalAnswer warning(TestSupport::pressButton(QMessageBox::Ok));
    QVERIFY(TestSupport::withFileSizeLimit(8192, [&] { saved = TestSupport::invoke(window, "saveFile"); }));
    QVERIFY(!saved);
    QCOMPARE(warning.modalText, QStringLiteral("文件保存失败"));
    QCOMPARE(contents(path(QStringLiteral("w.js"))), QByteArray("old text"));
    QCOMPARE(parts(window).savedCode(), QStringLiteral("old text"));
}

namespace {
// The answers to the changed-file question in the rows below.
const int noQuestion = -1;
const int escape = 0;
}

void FileCommandsTest::saveAsksWhenChangedOnDisk_data()
{
    QTest::addColumn<bool>("opened");
    QTest::addColumn<QByteArray>("onDisk"); // what another program leaves in the file; empty: it deleted the file
    QTest::addColumn<bool>("saveAs");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("written");
    const int yes = QMessageBox::Yes;
    const int no = QMessageBox::No;
    QTest::newRow("other text, same size: Yes") << false << QByteArray("MINE") << false << yes << true;
    QTest::newRow("other text, same size: No") << false << QByteArray("MINE") << false << no << false;
    QTest::newRow("other text, same size: Escape") << false << QByteArray("MINE") << false << escape << false;
    QTest::newRow("opened, then other size: No") << true << QByteArray("theirs, longer") << false << no << false;
    QTest::newRow("opened, then only touched") << true << QByteArray("mine") << false << noQuestion << true;
    QTest::newRow("only touched") << false << QByteArray("mine") << false << noQuestion << true;
    QTest::newRow("deleted") << false << QByteArray() << false << noQuestion << true;
    QTest::newRow("Save As another name") << false << QByteArray("MINE") << true << noQuestion << true;
}

// Another program changed the file since it was opened or saved: Save asks before overwriting that change.
void FileCommandsTest::saveAsksWhenChangedOnDisk()
{
    QFETCH(bool, opened);
    QFETCH(QByteArray, onDisk);
    QFETCH(bool, saveAs);
    QFETCH(int, answer);
    QFETCH(bool, written);
    const QString shared = path(QStringLiteral("shared.js"));
    if (opened) {
        writeBytes(shared, "mine");
        ModalAnswer openDialog(TestSupport::typeFileName(shared));
        QVERIFY(TestSupport::invoke(window, "openFile"));
        QVERIFY(openDialog.answered());
    } else {
        setText(QStringLiteral("mine"));
        QVERIFY(this->saveAs(shared));
    }
    setText(QStringLiteral("mine, edited"));
    if (onDisk.isEmpty()) {
        QVERIFY(QFile::remove(shared));
    } else {
        writeBytes(shared, onDisk);
        // An old time: the change shows however soon after the save it comes.
        QFile file(shared);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC), QFileDevice::FileModificationTime));
    }

    const QString target = saveAs ? path(QStringLiteral("other.js")) : shared;
    std::optional<ModalAnswer> question;
    bool result = false;
    if (saveAs) {
        result = this->saveAs(target);
    } else {
        // A question that should not come is answered No, and found out below.
        question.emplace(answer == escape ? TestSupport::pressEscape()
                                          : TestSupport::pressButton(answer == noQuestion ? int(QMessageBox::No) : answer));
        result = TestSupport::invoke(window, "saveFile");
        QCOMPARE(question->answered(), answer != noQuestion);
    }
    QCOMPARE(result, written);
    if (answer != noQuestion) {
        QVERIFY(question);
        QCOMPARE(question->modalTitle, QStringLiteral("提示"));
        QCOMPARE(question->modalText, QStringLiteral("文件已被其他程序修改,是否覆盖?"));
    }
    QCOMPARE(contents(target), written ? QByteArray("mine, edited") : onDisk);
    if (saveAs)
        QCOMPARE(contents(shared), onDisk);
    QCOMPARE(parts(window).savedCode(), written ? QStringLiteral("mine, edited") : QStringLiteral("mine"));
}

void FileCommandsTest::newOnEmptyAsksNothing()
{
    {
        ModalAnswer unasked(TestSupport::pressEscape()); // a question, should one come
        QVERIFY(TestSupport::invoke(window, "newFile"));
        QVERIFY(!unasked.answered());
    }
    // Emptied by hand, the editor still stood for the saved file; New unties it without asking.
    setText(QStringLiteral("a"));
    QVERIFY(saveAs(path(QStringLiteral("emptied.js"))));
    setText(QString());
    ModalAnswer unasked(TestSupport::pressEscape());
    QVERIFY(TestSupport::invoke(window, "newFile"));
    QVERIFY(!unasked.answered());
    QVERIFY(parts(window).filePath().isEmpty());
}

void FileCommandsTest::newAfterSaveAsksAndNoEmpties()
{
    setText(QStringLiteral("saved"));
    QVERIFY(saveAs(path(QStringLiteral("n.js"))));
    ModalAnswer question(TestSupport::pressButton(QMessageBox::No));
    QVERIFY(TestSupport::invoke(window, "newFile"));
    QCOMPARE(question.modalTitle, QStringLiteral("提示"));
    QCOMPARE(question.modalText, QStringLiteral("是否保存代码?"));
    QCOMPARE(text(), QString());
    QVERIFY(parts(window).filePath().isEmpty());
    QCOMPARE(parts(window).savedCode(), QStringLiteral("saved"));
}

void FileCommandsTest::newYesThenCancelledSaveKeepsText()
{
    setText(QStringLiteral("keep me"));
    // The save dialog's answer starts only once the question is answered, so that it cannot take the question.
    std::optional<ModalAnswer> saveDialog;
    ModalAnswer question([&saveDialog](QWidget *box) {
        saveDialog.emplace(TestSupport::pressEscape());
        TestSupport::pressButton(QMessageBox::Yes)(box);
    });
    QVERIFY(!TestSupport::invoke(window, "newFile"));
    QVERIFY(question.answered());
    QVERIFY(saveDialog);
    QVERIFY(saveDialog->answered());
    QCOMPARE(text(), QStringLiteral("keep me"));
}

// The old file is not replaced by a script typed after New: Save asks where to write it.
void FileCommandsTest::afterNewSaveAsksForAName()
{
    writeBytes(path(QStringLiteral("keep.js")), "kept");
    {
        ModalAnswer openDialog(TestSupport::typeFileName(path(QStringLiteral("keep.js"))));
        QVERIFY(TestSupport::invoke(window, "openFile"));
        QVERIFY(openDialog.answered());
    }
    {
        ModalAnswer question(TestSupport::pressButton(QMessageBox::No));
        QVERIFY(TestSupport::invoke(window, "newFile"));
        QVERIFY(question.answered());
    }
    setText(QStringLiteral("another script"));
    ModalAnswer saveDialog(TestSupport::pressEscape());
    QVERIFY(!TestSupport::invoke(window, "saveFile"));
    QCOMPARE(saveDialog.modalTitle, QStringLiteral("保存文件"));
    QCOMPARE(contents(path(QStringLiteral("keep.js"))), QByteArray("kept"));
}

void FileCommandsTest::escapeOrTitleBarCancels_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("escape");
    QTest::addColumn<QString>("title");
    const QString newTitle = QStringLiteral("提示");
    const QString closeTitle = QStringLiteral("代码未保存");
    QTest::newRow("New, Escape") << QStringLiteral("newFile") << true << newTitle;
    QTest::newRow("New, title bar") << QStringLiteral("newFile") << false << newTitle;
    QTest::newRow("Open, Escape") << QStringLiteral("openFile") << true << newTitle;
    QTest::newRow("close, Escape") << QStringLiteral("close") << true << closeTitle;
    QTest::newRow("close, title bar") << QStringLiteral("close") << false << closeTitle;
}

// Backing out of the question changes nothing: no text cleared, no dialog after it, the window stays.
void FileCommandsTest::escapeOrTitleBarCancels()
{
    QFETCH(QString, command);
    QFETCH(bool, escape);
    QFETCH(QString, title);
    setText(QStringLiteral("kept"));
    QVERIFY(saveAs(path(QStringLiteral("kept.js"))));
    setText(QStringLiteral("kept, edited"));
    std::optional<ModalAnswer> next; // a dialog after the question, if one came
    ModalAnswer question([escape, &next](QWidget *box) {
        next.emplace(TestSupport::pressEscape());
        (escape ? TestSupport::pressEscape() : TestSupport::closeWindow())(box);
    });
    if (command == QLatin1String("close")) {
        QVERIFY(!window->close());
        QVERIFY(window->isVisible());
    } else {
        QVERIFY(!TestSupport::invoke(window, qPrintable(command)));
    }
    QCOMPARE(question.modalTitle, title);
    QVERIFY(question.answered());
    QVERIFY(next);
    QVERIFY(!next->answered());
    QCOMPARE(text(), QStringLiteral("kept, edited"));
    QCOMPARE(parts(window).filePath(), path(QStringLiteral("kept.js")));
    QCOMPARE(parts(window).savedCode(), QStringLiteral("kept"));
    QCOMPARE(contents(path(QStringLiteral("kept.js"))), QByteArray("kept"));
}

void FileCommandsTest::openAfterFailedSaveKeepsText()
{
    setText(QStringLiteral("precious"));
    // Yes to saving, then the save dialog is cancelled: no open dialog follows, the text stays. Each answer starts
    // once the dialog before it is answered.
    std::optional<ModalAnswer> saveDialog;
    std::optional<ModalAnswer> openDialog; // an open dialog, if one came
    ModalAnswer question([&saveDialog, &openDialog](QWidget *box) {
        saveDialog.emplace([&openDialog](QWidget *dialog) {
            openDialog.emplace(TestSupport::pressEscape());
            TestSupport::pressEscape()(dialog);
        });
        TestSupport::pressButton(QMessageBox::Yes)(box);
    });
    QVERIFY(!TestSupport::invoke(window, "openFile"));
    QVERIFY(saveDialog);
    QCOMPARE(saveDialog->modalTitle, QStringLiteral("保存文件"));
    QVERIFY(question.answered());
    QVERIFY(saveDialog->answered());
    QVERIFY(openDialog);
    QVERIFY(!openDialog->answered());
    QCOMPARE(text(), QStringLiteral("precious"));
    setText(QString());
}

void FileCommandsTest::openRefusesWhatCannotBeShown_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    const QString notUtf8 = QStringLiteral("文件不是UTF-8编码,未打开");
    const QString hasNul = QStringLiteral("文件包含NUL字节,未打开");
    QTest::newRow("GBK") << QByteArray("var s = '\xD6\xD0\xCE\xC4';") << notUtf8;
    QTest::newRow("NUL inside") << QByteArray("before\0after", 12) << hasNul;
    QTest::newRow("ELF binary") << QByteArray("\x7F" "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0", 16) << hasNul;
    QTest::newRow("UTF-16LE without BOM") << QByteArray("v\0a\0r\0", 6) << hasNul;
    // No bytes: a FIFO, which is not read.
    QTest::newRow("FIFO") << QByteArray() << QStringLiteral("文件打开失败");
}

// Shown cut short or garbled, the file would be destroyed by the next Save: it is not opened, and the path is
// forgotten (also for a file that could not be read at all, which the user has never seen).
void FileCommandsTest::openRefusesWhatCannotBeShown()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    setText(QStringLiteral("current"));
    if (bytes.isEmpty())
        QCOMPARE(mkfifo(QFile::encodeName(path(QStringLiteral("refused.js"))).constData(), 0600), 0);
    else
        writeBytes(path(QStringLiteral("refused.js")), bytes);
    // Three dialogs in turn: the save question, the open dialog, the warning. Each answer starts once the dialog
    // before it is answered.
    std::optional<ModalAnswer> openDialog;
    std::optional<ModalAnswer> warning;
    ModalAnswer question([this, &openDialog, &warning](QWidget *box) {
        openDialog.emplace([this, &warning](QWidget *fileDialog) {
            warning.emplace(TestSupport::pressButton(QMessageBox::Ok));
            TestSupport::typeFileName(path(QStringLiteral("refused.js")))(fileDialog);
        });
        TestSupport::pressButton(QMessageBox::No)(box);
    });
    QVERIFY(!TestSupport::invoke(window, "openFile"));
    QVERIFY(warning);
    QCOMPARE(warning->modalTitle, QStringLiteral("错误"));
    QCOMPARE(warning->modalText, message);
    QCOMPARE(text(), QString());
    QVERIFY(parts(window).filePath().isEmpty());
    if (!bytes.isEmpty())
        QCOMPARE(contents(path(QStringLiteral("refused.js"))), bytes);
}

void FileCommandsTest::openDropsByteOrderMark()
{
    writeBytes(path(QStringLiteral("bom.js")), QByteArray("\xEF\xBB\xBFvar b;"));
    ModalAnswer openDialog(TestSupport::typeFileName(path(QStringLiteral("bom.js"))));
    QVERIFY(TestSupport::invoke(window, "openFile"));
    QCOMPARE(text(), QStringLiteral("var b;"));
}

void FileCommandsTest::cancelledOpenAfterNewLeavesEditorAndPathEmpty()
{
    setText(QStringLiteral("a"));
    QVERIFY(saveAs(path(QStringLiteral("c.js"))));
    std::optional<ModalAnswer> openDialog;
    ModalAnswer question([&openDialog](QWidget *box) {
        openDialog.emplace(TestSupport::pressEscape());
        TestSupport::pressButton(QMessageBox::No)(box);
    });
    QVERIFY(!TestSupport::invoke(window, "openFile"));
    QCOMPARE(text(), QString());
    QVERIFY(parts(window).filePath().isEmpty());
}

void FileCommandsTest::closeWithUnsavedTextYesThenCancelKeepsWindowOpen()
{
    setText(QStringLiteral("typed"));
    std::optional<ModalAnswer> saveDialog;
    ModalAnswer question([&saveDialog](QWidget *box) {
        saveDialog.emplace(TestSupport::pressEscape());
        TestSupport::pressButton(QMessageBox::Yes)(box);
    });
    QVERIFY(!window->close());
    QVERIFY(window->isVisible());
    QVERIFY(question.answered());
    QVERIFY(saveDialog);
    QVERIFY(saveDialog->answered());
    QCOMPARE(text(), QStringLiteral("typed"));
    setText(QString()); // let cleanup close quietly
}

void FileCommandsTest::closeWithUnsavedTextNoCloses()
{
    setText(QStringLiteral("typed"));
    ModalAnswer question(TestSupport::pressButton(QMessageBox::No));
    QVERIFY(window->close());
    QCOMPARE(question.modalText, QStringLiteral("你的代码还未保存,你要保存代码吗?"));
    QVERIFY(!window->isVisible());
}

void FileCommandsTest::closeAfterSaveAsksNothing()
{
    setText(QStringLiteral("saved text"));
    QVERIFY(saveAs(path(QStringLiteral("d.js"))));
    ModalAnswer unasked(TestSupport::pressButton(QMessageBox::No));
    QVERIFY(window->close());
    QVERIFY(!unasked.answered());
}

void FileCommandsTest::closeAfterNewOnSavedDocumentAsks()
{
    setText(QStringLiteral("content"));
    QVERIFY(saveAs(path(QStringLiteral("e.js"))));
    {
        ModalAnswer question(TestSupport::pressButton(QMessageBox::No));
        QVERIFY(TestSupport::invoke(window, "newFile"));
        QVERIFY(question.answered());
    }
    ModalAnswer question(TestSupport::pressButton(QMessageBox::No));
    QVERIFY(window->close());
    QCOMPARE(question.modalTitle, QStringLiteral("代码未保存"));
}

QTEST_MAIN(FileCommandsTest)
#include "FileCommandsTest.moc"
