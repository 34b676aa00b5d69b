// Saving keeps what the user relies on: owner, group, mode, hard and symbolic links, extended attributes. The
// permission cases run as the unprivileged user nobody (root ignores permissions), through a helper process, on real
// files in a scratch directory under /tmp (the build tree may be out of nobody's reach).
#include "TestSupport.h"

#include "app/ScriptFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <memory>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

const uint nobody = 65534;
const QByteArray oldText = "old text\n";
const QString newText = QStringLiteral("// 新的内容\nvar x = 1;\n");

enum Link { NoLink, HardLink, SymbolicLink };

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

// A POSIX access ACL in the kernel's xattr form: user::rw-, user:nobody:rw-, group::r--, mask::rw-, other::r--.
QByteArray accessAcl()
{
    QByteArray acl;
    const auto add = [&acl](quint32 value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            acl.append(char((value >> (8 * i)) & 0xff));
    };
    const quint32 undefinedId = 0xffffffff;
    add(2, 4); // version
    const struct
    {
        quint16 tag;
        quint16 permissions;
        quint32 id;
    } entries[] = {{0x01, 6, undefinedId}, {0x02, 6, nobody}, {0x04, 4, undefinedId}, {0x10, 6, undefinedId},
                   {0x20, 4, undefinedId}};
    for (const auto &entry : entries) {
        add(entry.tag, 2);
        add(entry.permissions, 2);
        add(entry.id, 4);
    }
    return acl;
}

} // namespace

class SaveStrategyTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void keepsWhatTheUserReliesOn_data();
    void keepsWhatTheUserReliesOn();
    void keepsExtendedAttributes_data();
    void keepsExtendedAttributes();

private:
    // Runs the helper, as nobody or as root, and returns its exit code (-1 when it did not end normally).
    int saveInProcess(const QString &path, bool asNobody);
    QString newCaseDir();

    std::unique_ptr<QTemporaryDir> scratch;
    QString helper;
    int cases = 0;
};

void SaveStrategyTest::cleanup()
{
    TestSupport::verifyNoWindowsLeft();
}

void SaveStrategyTest::initTestCase()
{
    if (geteuid() != 0)
        QSKIP("setting up files of other users needs root");
    if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
        QSKIP("running as nobody needs setpriv (package util-linux)");
    scratch = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/velmora-save-XXXXXX"));
    QVERIFY(scratch->isValid());
    QCOMPARE(chmod(native(scratch->path()).constData(), 0755), 0);
    helper = scratch->filePath(QStringLiteral("save-helper"));
    QVERIFY(QFile::copy(QStringLiteral(VELMORA_SAVE_HELPER), helper));
    QCOMPARE(chmod(native(helper).constData(), 0755), 0);
}

int SaveStrategyTest::saveInProcess(const QString &path, bool asNobody)
{
    QProcess process;
    const QStringList arguments{path, newText};
    if (asNobody) {
        process.start(QStringLiteral("setpriv"), QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                                             QStringLiteral("--clear-groups"), helper}
                                                     + arguments);
    } else {
        process.start(helper, arguments);
    }
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        qWarning("the helper did not end normally: %s", process.readAllStandardError().constData());
        return -1;
    }
    return process.exitCode();
}

QString SaveStrategyTest::newCaseDir()
{
    const QString dir = scratch->filePath(QStringLiteral("case%1").arg(++cases));
    return QDir().mkdir(dir) ? dir : QString();
}

void SaveStrategyTest::keepsWhatTheUserReliesOn_data()
{
    QTest::addColumn<bool>("asNobody");
    QTest::addColumn<uint>("dirOwner");
    QTest::addColumn<int>("dirMode");
    QTest::addColumn<uint>("fileOwner");
    QTest::addColumn<uint>("fileGroup");
    QTest::addColumn<int>("fileMode");
    QTest::addColumn<int>("link");
    QTest::addColumn<bool>("saved");
    // Whether a new file took the old one's place (atomic) or the old one was written in place.
    QTest::addColumn<bool>("replaced");

    QTest::newRow("nobody: own file, own directory") << true << nobody << 0755 << nobody << nobody << 0644 << int(NoLink) << true << true;
    QTest::newRow("nobody: writable file, directory it cannot write") << true << 0u << 0755 << nobody << nobody << 0644 << int(NoLink) << true << false;
    QTest::newRow("nobody: root's world-writable file, sticky directory") << true << 0u << 01777 << 0u << 0u << 0666 << int(NoLink) << true << false;
    QTest::newRow("nobody: own file, group it is not in") << true << nobody << 0755 << nobody << 0u << 0664 << int(NoLink) << true << false;
    QTest::newRow("nobody: own read-only file") << true << nobody << 0755 << nobody << nobody << 0444 << int(NoLink) << false << false;
    QTest::newRow("root: nobody's file") << false << 0u << 0755 << nobody << nobody << 0640 << int(NoLink) << true << true;
    QTest::newRow("root: nobody's set-group-id file") << false << 0u << 0755 << nobody << nobody << 02755 << int(NoLink) << true << true;
    QTest::newRow("root: second hard link") << false << 0u << 0755 << 0u << 0u << 0644 << int(HardLink) << true << false;
    QTest::newRow("root: through a symbolic link") << false << 0u << 0755 << 0u << 0u << 0644 << int(SymbolicLink) << true << true;
    QTest::newRow("nobody: through a symbolic link, directory it cannot write") << true << 0u << 0755 << nobody << nobody << 0644 << int(SymbolicLink) << true << false;
}

void SaveStrategyTest::keepsWhatTheUserReliesOn()
{
    QFETCH(bool, asNobody);
    QFETCH(uint, dirOwner);
    QFETCH(int, dirMode);
    QFETCH(uint, fileOwner);
    QFETCH(uint, fileGroup);
    QFETCH(int, fileMode);
    QFETCH(int, link);
    QFETCH(bool, saved);
    QFETCH(bool, replaced);

    const QString dir = newCaseDir();
    QVERIFY(!dir.isEmpty());
    const QString file = dir + QStringLiteral("/script.js");
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(oldText) == oldText.size());
    }
    QCOMPARE(chown(native(file).constData(), fileOwner, fileGroup), 0);
    QCOMPARE(chmod(native(file).constData(), mode_t(fileMode)), 0);
    QString saveAt = file;
    const QString other = dir + QStringLiteral("/other.js");
    if (link == HardLink)
        QCOMPARE(::link(native(file).constData(), native(other).constData()), 0);
    if (link == SymbolicLink) {
        saveAt = dir + QStringLiteral("/link.js");
        QCOMPARE(symlink("script.js", native(saveAt).constData()), 0);
    }
    QCOMPARE(chown(native(dir).constData(), dirOwner, dirOwner), 0);
    QCOMPARE(chmod(native(dir).constData(), mode_t(dirMode)), 0);
    struct stat before {};
    QCOMPARE(stat(native(file).constData(), &before), 0);

    QCOMPARE(saveInProcess(saveAt, asNobody), saved ? 0 : 1);

    struct stat after {};
    QCOMPARE(stat(native(file).constData(), &after), 0);
    QCOMPARE(contents(file), saved ? newText.toUtf8() : oldText);
    QCOMPARE(after.st_uid, before.st_uid);
    QCOMPARE(after.st_gid, before.st_gid);
    QCOMPARE(after.st_mode & 07777, before.st_mode & 07777);
    QCOMPARE(after.st_nlink, before.st_nlink);
    QCOMPARE(after.st_ino != before.st_ino, replaced);
    if (link == HardLink)
        QCOMPARE(contents(other), contents(file));
    if (link == SymbolicLink)
        QVERIFY(QFileInfo(saveAt).isSymLink());
    // No temporary file left behind.
    QCOMPARE(QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System).size(),
             link == NoLink ? 1 : 2);
}

void SaveStrategyTest::keepsExtendedAttributes_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("value");
    QTest::newRow("user attribute") << QByteArray("user.velmora.note") << QByteArray("kept");
    QTest::newRow("access control list") << QByteArray("system.posix_acl_access") << accessAcl();
}

// Carried over to the new file, which still takes the old one's place.
void SaveStrategyTest::keepsExtendedAttributes()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, value);
    const QString dir = newCaseDir();
    QVERIFY(!dir.isEmpty());
    const QString file = dir + QStringLiteral("/script.js");
    QVERIFY(ScriptFile::write(file, QString::fromUtf8(oldText)));
    if (setxattr(native(file).constData(), name.constData(), value.constData(), size_t(value.size()), 0) != 0)
        QSKIP(qPrintable(QStringLiteral("this file system takes no %1: %2").arg(QString::fromLatin1(name), qt_error_string(errno))));
    struct stat before {};
    QCOMPARE(stat(native(file).constData(), &before), 0);

    QVERIFY(ScriptFile::write(file, newText));

    struct stat after {};
    QCOMPARE(stat(native(file).constData(), &after), 0);
    QVERIFY(after.st_ino != before.st_ino);
    QCOMPARE(contents(file), newText.toUtf8());
    QCOMPARE(after.st_mode & 07777, before.st_mode & 07777);
    QByteArray kept(256, '\0');
    const ssize_t size = getxattr(native(file).constData(), name.constData(), kept.data(), size_t(kept.size()));
    QVERIFY2(size >= 0, qPrintable(qt_error_string(errno)));
    kept.truncate(int(size));
    QCOMPARE(kept, value);
}

QTEST_MAIN(SaveStrategyTest)
#include "SaveStrategyTest.moc"
