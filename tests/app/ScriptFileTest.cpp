// Script files on disk: UTF-8 decoding, refusing what is not UTF-8 or holds NUL bytes, and all-or-nothing saves.
#include "TestSupport.h"

#include "app/ScriptFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class ScriptFileTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void readRefusesWhatCannotBeShown_data();
    void readRefusesWhatCannotBeShown();
    void writeIsByteExact();
    void failedWriteKeepsOldFile_data();
    void failedWriteKeepsOldFile();
    void writeIntoMissingDirectoryFails();
    void writeKeepsPermissions();
    void specialFilesAreNeitherReadNorReplaced();
    void writeThroughSymlinkKeepsTheLink();
    void openThenSaveKeepsBytes_data();
    void openThenSaveKeepsBytes();
    void changeBehindSameSizeAndTimeIsSeen();
};

void ScriptFileTest::cleanup()
{
    TestSupport::verifyNoWindowsLeft();
}

void ScriptFileTest::readRefusesWhatCannotBeShown_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("status");
    QTest::newRow("utf-8") << QString("中文").toUtf8() << int(ScriptFile::Status::Ok);
    QTest::newRow("gbk") << QByteArray("\xD6\xD0\xCE\xC4") << int(ScriptFile::Status::NotUtf8);
    QTest::newRow("NUL inside") << QByteArray("before\0after", 12) << int(ScriptFile::Status::HasNul);
    QTest::newRow("ELF binary") << QByteArray("\x7F" "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0", 16)
                                << int(ScriptFile::Status::HasNul);
    QTest::newRow("UTF-16LE without BOM") << QByteArray("v\0a\0r\0", 6) << int(ScriptFile::Status::HasNul);
}

void ScriptFileTest::readRefusesWhatCannotBeShown()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, status);
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("a.js")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    const ScriptFile::ReadResult result = ScriptFile::read(file.fileName());
    QCOMPARE(int(result.status), status);
    QCOMPARE(result.text.isEmpty(), status != int(ScriptFile::Status::Ok));
    QCOMPARE(int(ScriptFile::read(dir.filePath(QStringLiteral("missing.js"))).status), int(ScriptFile::Status::CannotOpen));
    QCOMPARE(int(ScriptFile::read(dir.path()).status), int(ScriptFile::Status::CannotOpen));
}

void ScriptFileTest::writeIsByteExact()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("b.js"));
    const QString text = QStringLiteral("// 注释\r\n\tfunction f() {\n\t\treturn '字';\r}\n");
    QVERIFY(ScriptFile::write(path, text));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(bytes, text.toUtf8());
    QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
    QCOMPARE(ScriptFile::read(path).text, text);
}

void ScriptFileTest::failedWriteKeepsOldFile_data()
{
    QTest::addColumn<bool>("secondLink");
    QTest::newRow("new file renamed over the old one") << false;
    QTest::newRow("second hard link: written in place") << true;
}

void ScriptFileTest::failedWriteKeepsOldFile()
{
    QFETCH(bool, secondLink);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.js"));
    QVERIFY(ScriptFile::write(path, QStringLiteral("old content")));
    QStringList names{QStringLiteral("old.js")};
    if (secondLink) {
        QCOMPARE(link(QFile::encodeName(path).constData(), QFile::encodeName(dir.filePath(QStringLiteral("link.js"))).constData()), 0);
        names.prepend(QStringLiteral("link.js"));
    }

    bool written = true;
    QVERIFY(TestSupport::withFileSizeLimit(4096, [&] { written = ScriptFile::write(path, QString(100000, QLatin1Char('x'))); }));

    QVERIFY(!written);
    for (const QString &name : qAsConst(names)) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("old content"));
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), names);
}

void ScriptFileTest::writeIntoMissingDirectoryFails()
{
    QTemporaryDir dir;
    QVERIFY(!ScriptFile::write(dir.filePath(QStringLiteral("missing/c.js")), QStringLiteral("x")));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("missing"))));
}

void ScriptFileTest::writeKeepsPermissions()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.js"));
    QVERIFY(ScriptFile::write(path, QStringLiteral("first")));
    const QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ExeOwner;
    QVERIFY(QFile::setPermissions(path, permissions));
    QVERIFY(ScriptFile::write(path, QStringLiteral("second")));
    QCOMPARE(QFile::permissions(path) & 0x7077, permissions); // owner, group, other (not the "user" mirror)
}

void ScriptFileTest::specialFilesAreNeitherReadNorReplaced()
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe.js"));
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QCOMPARE(int(ScriptFile::read(fifo).status), int(ScriptFile::Status::CannotOpen));
    QVERIFY(!ScriptFile::write(fifo, QStringLiteral("x")));
    QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
    QVERIFY(!ScriptFile::write(dir.path(), QStringLiteral("x")));
    QVERIFY(QFileInfo(dir.path()).isDir());
}

void ScriptFileTest::writeThroughSymlinkKeepsTheLink()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("real.js"));
    const QString link = dir.filePath(QStringLiteral("link.js"));
    QVERIFY(ScriptFile::write(target, QStringLiteral("old")));
    QVERIFY(QFile::link(target, link));
    QVERIFY(ScriptFile::write(link, QStringLiteral("new")));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(ScriptFile::read(target).text, QStringLiteral("new"));
}

void ScriptFileTest::openThenSaveKeepsBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBFvar a = '中';\r\n");
    QTest::newRow("byte-order mark alone") << QByteArray("\xEF\xBB\xBF");
    QTest::newRow("no byte-order mark") << QByteArray("var a;\n");
}

void ScriptFileTest::openThenSaveKeepsBytes()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bom.js"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    const ScriptFile::ReadResult read = ScriptFile::read(path);
    QCOMPARE(int(read.status), int(ScriptFile::Status::Ok));
    QVERIFY(!read.text.startsWith(QChar(0xFEFF)));
    QVERIFY(ScriptFile::write(path, read.text, nullptr, read.stamp.byteOrderMark));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), bytes);
}

// Another program writes the same number of bytes and puts the modification time back: only the contents tell.
void ScriptFileTest::changeBehindSameSizeAndTimeIsSeen()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("c.js"));
    ScriptFile::Stamp stamp;
    QVERIFY(ScriptFile::write(path, QStringLiteral("var a = 1;"), &stamp));
    QVERIFY(!ScriptFile::changedSince(path, stamp));
    struct stat before {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &before), 0);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    file.write("var a = 2;");
    file.close();
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    struct stat after {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &after), 0);
    QCOMPARE(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    QVERIFY(ScriptFile::changedSince(path, stamp));
}

QTEST_MAIN(ScriptFileTest)
#include "ScriptFileTest.moc"
