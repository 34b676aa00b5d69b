// New, Open, Save, Save As and the question on close, answered through the real dialogs as a user would.
#include "TestSupport.h"

#include "app/VelmoraWindow.h"

#include <Qsci/qsciscintilla.h>

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>


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
    QString text() const { return window->editor()->text(); }
    void setText(const QString &value) { window->editor()->setText(value); }
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
    bool saveAs(const QString &file)
    {
        TestSupport::answerModal(TestSupport::typeFileName(file));
        return TestSupport::invoke(window, "saveAsFile");
    }
};

void FileCommandsTest::init()
{
    dir = new QTemporaryDir;
    window = new VelmoraWindow;
    window->show();
    TestSupport::modalCount = 0;
    TestSupport::lastModalTitle.clear();
    TestSupport::lastModalText.clear();
}

void FileCommandsTest::cleanup()
{
    TestSupport::cancelAnswers();
    // Discard whatever the test left unsaved so that destroying the window asks nothing.
    delete window;
    delete dir;
}

void FileCommandsTest::roundTripIsByteExact()
{
    const QString original = QStringLiteral("// 中文注释\r\nfunction f() {\r\n\treturn '字符串';\r\n}\n\tlast line");
    setText(original);
    QVERIFY(saveAs(path(QStringLiteral("round.js"))));
    QCOMPARE(TestSupport::lastModalTitle, QStringLiteral("保存文件"));
    QCOMPARE(contents(path(QStringLiteral("round.js"))), original.toUtf8());
    QCOMPARE(window->filePath(), path(QStringLiteral("round.js")));
    QCOMPARE(window->savedCode(), original);

    setText(QString());
    TestSupport::answerModal(TestSupport::typeFileName(path(QStringLiteral("round.js"))));
    QVERIFY(TestSupport::invoke(window, "openFile"));
    QCOMPARE(TestSupport::lastModalTitle, QStringLiteral("打开文件"));
    QCOMPARE(text(), original);
    QCOMPARE(window->savedCode(), original);
}

void FileCommandsTest::saveAsksOnlyWithoutPath()
{
    setText(QStringLiteral("a"));
    TestSupport::answerModal(TestSupport::typeFileName(path(QStringLiteral("s.js"))));
    QVERIFY(TestSupport::invoke(window, "saveFile"));
    QCOMPARE(TestSupport::modalCount, 1);
    setText(QStringLiteral("b"));
    QVERIFY(TestSupport::invoke(window, "saveFile"));
    QCOMPARE(TestSupport::modalCount, 1);
    QCOMPARE(contents(path(QStringLiteral("s.js"))), QByteArray("b"));
}

void FileCommandsTest::cancelledSaveDialogEmptiesPath()
{
    setText(QStringLiteral("a"));
    QVERIFY(saveAs(path(QStringLiteral("first.js"))));
    TestSupport::answerModal(TestSupport::pressEscape());
    QVERIFY(!TestSupport::invoke(window, "saveAsFile"));
    QVERIFY(window->filePath().isEmpty());
    QCOMPARE(window->savedCode(), QStringLiteral("a"));
}

void FileCommandsTest::saveThatCannotOpenWarns()
{
    QVERIFY(QDir(dir->path()).mkdir(QStringLiteral("sub")));
    setText(QStringLiteral("first"));
    QVERIFY(saveAs(path(QStringLiteral("sub/t.js"))));
    QVERIFY(QDir(path(QStringLiteral("sub"))).removeRecursively());
    setText(QStringLiteral("second"));
    TestSupport::answerModal(TestSupport::pressButton(QMessageBox::Ok));
    QVERIFY(!TestSupport::invoke(window, "saveFile"));
    QCOMPARE(TestSupport::lastModalTitle, QStringLiteral("错误"));
    QCOMPARE(TestSupport::lastModalText, QStringLiteral("文件保存失败"));
    QCOMPARE(window->filePath(), path(QStringLiteral("sub/t.js")));
    QCOMPARE(window->savedCode(), QStringLiteral("first"));
}

void FileCommandsTest::saveWhoseWriteFailsKeepsOldFile()
{
    setText(QStringLiteral("old text"));
    QVERIFY(saveAs(path(QStringLiteral("w.js"))));
    setText(QString(200000, QLatin1Char('y')));

    bool saved = true;
    TestSupport::answerModal(TestSupport::pressButton(QMessageBox::Ok));
    QVERIFY(TestSupport::withFileSizeLimit(8192, [&] { saved = TestSupport::invoke(window, "saveFile"); }));
    QVERIFY(!saved);
    QCOMPARE(TestSupport::lastModalText, QStringLiteral("文件保存失败"));
    QCOMPARE(contents(path(QStringLiteral("w.js"))), QByteArray("old text"));
    QCOMPARE(window->savedCode(), QStringLiteral("old text"));
}

void FileCommandsTest::newOnEmptyAsksNothing()
{
    QVERIFY(TestSupport::invoke(window, "newFile"));
    QCOMPARE(TestSupport::modalCount, 0);
    // Emptied by hand, the editor still stood for the saved file; New unties it without asking.
    setText(QStringLiteral("a"));
    QVERIFY(saveAs(path(QStringLiteral("emptied.js"))));
    setText(QString());
    QVERIFY(TestSupport::invoke(window, "newFile"));
    QCOMPARE(TestSupport::modalCount, 1);
    QVERIFY(window->filePath().isEmpty());
}

void FileCommandsTest::newAfterSaveAsksAndNoEmpties()
{
    setText(QStringLiteral("saved"));
    QVERIFY(saveAs(path(QStringLiteral("n.js"))));
    TestSupport::answerModal(TestSupport::pressButton(QMessageBox::No));
    QVERIFY(TestSupport::invoke(window, "newFile"));
    QCOMPARE(TestSupport::lastModalTitle, QStringLiteral("提示"));
    QCOMPARE(TestSupport::lastModalText, QStringLiteral("是否保存代码?"));
    QCOMPARE(text(), QString());
    QVERIFY(window->filePath().isEmpty());
    QCOMPARE(window->savedCode(), QStringLiteral("saved"));
}

void FileCommandsTest::newYesThenCancelledSaveKeepsText()
{
    setText(QStringLiteral("keep me"));
    TestSupport::answerModal([](QWidget *box) {
        TestSupport::answerModal(TestSupport::pressEscape());
        TestSupport::pressButton(QMessageBox::Yes)(box);
    });
    QVERIFY(!TestSupport::invoke(window, "newFile"));
    QCOMPARE(TestSupport::modalCount, 2);
    QCOMPARE(text(), QStringLiteral("keep me"));
}

// The old file is not replaced by a script typed after New: Save asks where to write it.
void FileCommandsTest::afterNewSaveAsksForAName()
{
    writeBytes(path(QStringLiteral("keep.js")), "kept");
    TestSupport::answerModal(TestSupport::typeFileName(path(QStringLiteral("keep.js"))));
    QVERIFY(TestSupport::invoke(window, "openFile"));
    TestSupport::answerModal(TestSupport::pressButton(QMessageBox::No));
    QVERIFY(TestSupport::invoke(window, "newFile"));
    setText(QStringLiteral("another script"));
    TestSupport::answerModal(TestSupport::pressEscape());
    QVERIFY(!TestSupport::invoke(window, "saveFile"));
    QCOMPARE(TestSupport::lastModalTitle, QStringLiteral("保存文件"));
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
    const int before = TestSupport::modalCount;
    TestSupport::answerModal([escape](QWidget *box) {
        TestSupport::answerModal(TestSupport::pressEscape(), 1000); // a dialog after it, if one came
        (escape ? TestSupport::pressEscape() : TestSupport::closeWindow())(box);
    });
    if (command == QLatin1String("close")) {
        QVERIFY(!window->close());
        QVERIFY(window->isVisible());
    } else {
        QVERIFY(!TestSupport::invoke(window, qPrintable(command)));
    }
    QCOMPARE(TestSupport::lastModalTitle, title);
    QCOMPARE(TestSupport::modalCount, before + 1);
    QCOMPARE(TestSupport::cancelAnswers(), 1);
    QCOMPARE(text(), QStringLiteral("kept, edited"));
    QCOMPARE(window->filePath(), path(QStringLiteral("kept.js")));
    QCOMPARE(window->savedCode(), QStringLiteral("kept"));
    QCOMPARE(contents(path(QStringLiteral("kept.js"))), QByteArray("kept"));
}

void FileCommandsTest::openAfterFailedSaveKeepsText()
{
    setText(QStringLiteral("precious"));
    // Yes to saving, then the save dialog is cancelled: no open dialog follows, the text stays.
    TestSupport::answerModal([](QWidget *box) {
        TestSupport::answerModal([](QWidget *saveDialog) {
            TestSupport::answerModal(TestSupport::pressEscape(), 1000); // an open dialog, if one came
            TestSupport::pressEscape()(saveDialog);
        });
        TestSupport::pressButton(QMessageBox::Yes)(box);
    });
    QVERIFY(!TestSupport::invoke(window, "openFile"));
    QCOMPARE(TestSupport::lastModalTitle, QStringLiteral("保存文件"));
    QCOMPARE(TestSupport::modalCount, 2);
    QCOMPARE(TestSupport::cancelAnswers(), 1);
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
}

// Shown cut short or garbled, the file would be destroyed by the next Save: it is not opened, and the path is
// forgotten.
void FileCommandsTest::openRefusesWhatCannotBeShown()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    setText(QStringLiteral("current"));
    writeBytes(path(QStringLiteral("refused.js")), bytes);
    // Three dialogs in turn: the save question of New, the open dialog, the warning.
    TestSupport::answerModal([this](QWidget *box) {
        TestSupport::answerModal([this](QWidget *fileDialog) {
            TestSupport::answerModal(TestSupport::pressButton(QMessageBox::Ok));
            TestSupport::typeFileName(path(QStringLiteral("refused.js")))(fileDialog);
        });
        TestSupport::pressButton(QMessageBox::No)(box);
    });
    QVERIFY(!TestSupport::invoke(window, "openFile"));
    QCOMPARE(TestSupport::lastModalTitle, QStringLiteral("错误"));
    QCOMPARE(TestSupport::lastModalText, message);
    QCOMPARE(text(), QString());
    QVERIFY(window->filePath().isEmpty());
    QCOMPARE(contents(path(QStringLiteral("refused.js"))), bytes);
}

void FileCommandsTest::openDropsByteOrderMark()
{
    writeBytes(path(QStringLiteral("bom.js")), QByteArray("\xEF\xBB\xBFvar b;"));
    TestSupport::answerModal(TestSupport::typeFileName(path(QStringLiteral("bom.js"))));
    QVERIFY(TestSupport::invoke(window, "openFile"));
    QCOMPARE(text(), QStringLiteral("var b;"));
}

void FileCommandsTest::cancelledOpenAfterNewLeavesEditorAndPathEmpty()
{
    setText(QStringLiteral("a"));
    QVERIFY(saveAs(path(QStringLiteral("c.js"))));
    TestSupport::answerModal([](QWidget *box) {
        TestSupport::answerModal(TestSupport::pressEscape());
        TestSupport::pressButton(QMessageBox::No)(box);
    });
    QVERIFY(!TestSupport::invoke(window, "openFile"));
    QCOMPARE(text(), QString());
    QVERIFY(window->filePath().isEmpty());
}

void FileCommandsTest::closeWithUnsavedTextYesThenCancelKeepsWindowOpen()
{
    setText(QStringLiteral("typed"));
    TestSupport::answerModal([](QWidget *box) {
        TestSupport::answerModal(TestSupport::pressEscape());
        TestSupport::pressButton(QMessageBox::Yes)(box);
    });
    QVERIFY(!window->close());
    QVERIFY(window->isVisible());
    QCOMPARE(TestSupport::modalCount, 2);
    QCOMPARE(text(), QStringLiteral("typed"));
    setText(QString()); // let cleanup close quietly
}

void FileCommandsTest::closeWithUnsavedTextNoCloses()
{
    setText(QStringLiteral("typed"));
    TestSupport::answerModal(TestSupport::pressButton(QMessageBox::No));
    QVERIFY(window->close());
    QCOMPARE(TestSupport::lastModalText, QStringLiteral("你的代码还未保存,你要保存代码吗?"));
    QVERIFY(!window->isVisible());
}

void FileCommandsTest::closeAfterSaveAsksNothing()
{
    setText(QStringLiteral("saved text"));
    QVERIFY(saveAs(path(QStringLiteral("d.js"))));
    const int before = TestSupport::modalCount;
    TestSupport::answerModal(TestSupport::pressButton(QMessageBox::No));
    QVERIFY(window->close());
    QCOMPARE(TestSupport::modalCount, before);
}

void FileCommandsTest::closeAfterNewOnSavedDocumentAsks()
{
    setText(QStringLiteral("content"));
    QVERIFY(saveAs(path(QStringLiteral("e.js"))));
    TestSupport::answerModal(TestSupport::pressButton(QMessageBox::No));
    QVERIFY(TestSupport::invoke(window, "newFile"));
    TestSupport::answerModal(TestSupport::pressButton(QMessageBox::No));
    QVERIFY(window->close());
    QCOMPARE(TestSupport::lastModalTitle, QStringLiteral("代码未保存"));
}

QTEST_MAIN(FileCommandsTest)
#include "FileCommandsTest.moc"
