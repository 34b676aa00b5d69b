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
    void afterNewSaveWritesWithoutDialogAndSaveAsAsks();
    void escapeCountsAsNo();
    void openAfterFailedSaveKeepsText();
    void openTruncatesAtNul();
    void openRefusesGbk();
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
    QCOMPARE(window->filePath(), path(QStringLiteral("n.js")));
    QCOMPARE(window->savedCode(), QStringLiteral("saved"));
}

void FileCommandsTest::newYesThenCancelledSaveKeepsText()
{
    setText(QStringLiteral("keep me"));
    TestSupport::answerModal([](QWidget *box) {
        TestSupport::answerModal(TestSupport::pressEscape());
        TestSupport::pressButton(QMessageBox::Yes)(box);
    });
    QVERIFY(TestSupport::invoke(window, "newFile"));
    QCOMPARE(TestSupport::modalCount, 2);
    QCOMPARE(text(), QStringLiteral("keep me"));
}

void FileCommandsTest::afterNewSaveWritesWithoutDialogAndSaveAsAsks()
{
    setText(QStringLiteral("one"));
    QVERIFY(saveAs(path(QStringLiteral("x.js"))));
    TestSupport::answerModal(TestSupport::pressButton(QMessageBox::No));
    QVERIFY(TestSupport::invoke(window, "newFile"));
    setText(QStringLiteral("two"));
    const int before = TestSupport::modalCount;
    QVERIFY(TestSupport::invoke(window, "saveFile"));
    QCOMPARE(TestSupport::modalCount, before);
    QCOMPARE(contents(path(QStringLiteral("x.js"))), QByteArray("two"));
    QVERIFY(saveAs(path(QStringLiteral("y.js"))));
    QCOMPARE(TestSupport::modalCount, before + 1);
    QCOMPARE(contents(path(QStringLiteral("y.js"))), QByteArray("two"));
}

void FileCommandsTest::escapeCountsAsNo()
{
    setText(QStringLiteral("text"));
    TestSupport::answerModal(TestSupport::pressEscape());
    QVERIFY(TestSupport::invoke(window, "newFile"));
    QCOMPARE(text(), QString());

    setText(QStringLiteral("unsaved"));
    TestSupport::answerModal(TestSupport::pressEscape());
    QVERIFY(window->close());
    QCOMPARE(TestSupport::lastModalTitle, QStringLiteral("代码未保存"));
}

void FileCommandsTest::openAfterFailedSaveKeepsText()
{
    setText(QStringLiteral("precious"));
    // Yes to saving, then the save dialog is cancelled: no open dialog follows, the text stays.
    TestSupport::answerModal([](QWidget *box) {
        TestSupport::answerModal([](QWidget *saveDialog) {
            // An open dialog, if one came. The answer stays armed until cancelAnswers() counts it below: a short
            // timeout could run out first on a loaded machine and look like an answered dialog.
            TestSupport::answerModal(TestSupport::pressEscape());
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

void FileCommandsTest::openTruncatesAtNul()
{
    writeBytes(path(QStringLiteral("nul.js")), QByteArray("before\0after", 12));
    TestSupport::answerModal(TestSupport::typeFileName(path(QStringLiteral("nul.js"))));
    QVERIFY(TestSupport::invoke(window, "openFile"));
    QCOMPARE(text(), QStringLiteral("before"));
    QCOMPARE(window->savedCode(), QStringLiteral("before"));
}

void FileCommandsTest::openRefusesGbk()
{
    setText(QStringLiteral("current"));
    writeBytes(path(QStringLiteral("gbk.js")), QByteArray("var s = '\xD6\xD0\xCE\xC4';"));
    // Three dialogs in turn: the save question of New, the open dialog, the warning.
    TestSupport::answerModal([this](QWidget *box) {
        TestSupport::answerModal([this](QWidget *fileDialog) {
            TestSupport::answerModal(TestSupport::pressButton(QMessageBox::Ok));
            TestSupport::typeFileName(path(QStringLiteral("gbk.js")))(fileDialog);
        });
        TestSupport::pressButton(QMessageBox::No)(box);
    });
    QVERIFY(!TestSupport::invoke(window, "openFile"));
    QCOMPARE(TestSupport::lastModalTitle, QStringLiteral("错误"));
    QCOMPARE(TestSupport::lastModalText, QStringLiteral("文件不是UTF-8编码,未打开"));
    QCOMPARE(text(), QString());
    QVERIFY(window->filePath().isEmpty());
    QCOMPARE(contents(path(QStringLiteral("gbk.js"))), QByteArray("var s = '\xD6\xD0\xCE\xC4';"));
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
