// The crash journal on disk: what a save writes, what a normal end removes, and which journals a start takes over.
#include "TestSupport.h"

#include "app/RecoveryJournal.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <QProcess>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

class RecoveryJournalTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void saveWritesTextAndNormalEndRemovesIt();
    void leftoverIsRestoredOrKept_data();
    void leftoverIsRestoredOrKept();
    void recoverTakesNewestJournalOfDeadProcess();
    void liveJournalIsLeftAlone();
    void unwritableDirectoryFails();
    void unsafeDirectoryIsRefused_data();
    void unsafeDirectoryIsRefused();
    void privateUnderAnyUmaskAsAnotherUser();

private:
    // What a process that died leaves: a journal and its lock file, the lock released with the process.
    static void leaveOrphan(const QString &dir, const QString &name, const QByteArray &text, int ageSeconds,
                            bool withLock = true)
    {
        QFile journal(dir + QLatin1Char('/') + name + QStringLiteral(".js"));
        QVERIFY(journal.open(QIODevice::WriteOnly));
        journal.write(text);
        journal.flush();
        journal.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds), QFileDevice::FileModificationTime);
        journal.close();
        QFile lock(dir + QLatin1Char('/') + name + QStringLiteral(".lock"));
        QVERIFY(!withLock || lock.open(QIODevice::WriteOnly));
    }
    static int mode(const QString &path)
    {
        struct stat st {};
        return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
    }
    static QStringList files(const QString &dir) { return QDir(dir).entryList(QDir::Files, QDir::Name); }
};

void RecoveryJournalTest::cleanup()
{
    TestSupport::verifyNoWindowsLeft();
}

void RecoveryJournalTest::saveWritesTextAndNormalEndRemovesIt()
{
    QTemporaryDir dir;
    const QString text = QStringLiteral("var s = '中文';\r\n\tconsole.log(s);\n");
    {
        RecoveryJournal journal(dir.path());
        QCOMPARE(journal.save(text), RecoveryJournal::Save::Written);
        QCOMPARE(journal.save(text), RecoveryJournal::Save::Unchanged);
        const QStringList written = files(dir.path()).filter(QStringLiteral(".js"));
        QCOMPARE(written.size(), 1);
        QFile file(dir.filePath(written.first()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QString read;
        RecoveryJournal::Origin origin;
        QVERIFY(RecoveryJournal::decode(file.readAll(), &read, &origin));
        QCOMPARE(read, text);
        QCOMPARE(mode(file.fileName()), 0600);
    }
    QCOMPARE(files(dir.path()), QStringList());
}

void RecoveryJournalTest::leftoverIsRestoredOrKept_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("withLock");
    QTest::addColumn<QString>("text"); // restored; null when the journal must stay on disk unrestored
    QTest::addColumn<QString>("path");
    RecoveryJournal::Origin origin;
    origin.path = QStringLiteral("/home/用户/a b.js");
    origin.stamp.known = true;
    origin.stamp.size = 12;
    origin.stamp.modifiedNs = 1700000000123456789;
    origin.stamp.inode = 42;
    origin.stamp.hash = "\x01\xFF";
    origin.stamp.byteOrderMark = true;
    const QString text = QStringLiteral("var 中 = 1;\r\n\n");
    QTest::newRow("older plain text") << text.toUtf8() << true << text << QString();
    QTest::newRow("text and its file") << RecoveryJournal::encode(text.toUtf8(), origin) << true << text << origin.path;
    QTest::newRow("without its lock") << RecoveryJournal::encode(text.toUtf8(), origin) << false << text << origin.path;
    QTest::newRow("invalid UTF-8") << QByteArray("var s = '\xC3(';") << true << QString() << QString();
    QTest::newRow("a NUL") << QByteArray("var s;\0// rest", 15) << false << QString() << QString();
    QTest::newRow("NUL after a header") << RecoveryJournal::encode(QByteArray("a\0b", 3), origin) << true << QString()
                                        << QString();
}

void RecoveryJournalTest::leftoverIsRestoredOrKept()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, withLock);
    QFETCH(QString, text);
    QFETCH(QString, path);
    QTemporaryDir dir;
    leaveOrphan(dir.path(), QStringLiteral("105-left"), bytes, 1, withLock);
    RecoveryJournal journal(dir.path());
    const RecoveryJournal::Recovery found = journal.recover();
    QCOMPARE(found.found, !text.isNull());
    QCOMPARE(found.text, text.isNull() ? QString() : text);
    QCOMPARE(found.origin.path, path);
    const QString file = dir.filePath(QStringLiteral("105-left.js"));
    QCOMPARE(found.unreadable, text.isNull() ? QStringList{file} : QStringList());
    RecoveryJournal::Origin expected;
    QString decoded;
    RecoveryJournal::decode(bytes, &decoded, &expected);
    QVERIFY(found.origin == (text.isNull() ? RecoveryJournal::Origin() : expected));
    // Kept on disk, byte for byte, whatever happens to it.
    QFile kept(file);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), bytes);
}

void RecoveryJournalTest::recoverTakesNewestJournalOfDeadProcess()
{
    QTemporaryDir dir;
    leaveOrphan(dir.path(), QStringLiteral("101-old"), "old text", 600);
    leaveOrphan(dir.path(), QStringLiteral("102-new"), "new text", 60);
    leaveOrphan(dir.path(), QStringLiteral("103-empty"), "", 1);
    {
        RecoveryJournal journal(dir.path());
        const RecoveryJournal::Recovery found = journal.recover();
        QVERIFY(found.found);
        QCOMPARE(found.text, QStringLiteral("new text"));
        QCOMPARE(found.remaining, 1);
        // The newest became this journal; the older one waits for a later start; the empty one is gone.
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("102-new.js"))));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("103-empty.js"))));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("101-old.js"))));
    }
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("102-new.js"))));
    RecoveryJournal next(dir.path());
    const RecoveryJournal::Recovery older = next.recover();
    QCOMPARE(older.text, QStringLiteral("old text"));
    QCOMPARE(older.remaining, 0);
    QVERIFY(!next.recover().found);
}

void RecoveryJournalTest::liveJournalIsLeftAlone()
{
    QTemporaryDir dir;
    RecoveryJournal running(dir.path());
    QCOMPARE(running.save(QStringLiteral("still typing")), RecoveryJournal::Save::Written);
    // Another process's journal, its lock held.
    leaveOrphan(dir.path(), QStringLiteral("104-alive"), "alive", 1);
    const int fd = ::open(QFile::encodeName(dir.filePath(QStringLiteral("104-alive.lock"))).constData(), O_RDWR);
    QVERIFY(fd >= 0);
    QCOMPARE(::flock(fd, LOCK_EX | LOCK_NB), 0);

    {
        RecoveryJournal starting(dir.path());
        QVERIFY(!starting.recover().found);
        QCOMPARE(files(dir.path()).size(), 4);
    }
    ::close(fd);
    RecoveryJournal later(dir.path());
    QCOMPARE(later.recover().text, QStringLiteral("alive"));
}

void RecoveryJournalTest::unwritableDirectoryFails()
{
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("file")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    RecoveryJournal journal(blocker.fileName() + QStringLiteral("/recovery"));
    QCOMPARE(journal.save(QStringLiteral("x")), RecoveryJournal::Save::Failed);
    QVERIFY(!journal.errorString().isEmpty());
}

void RecoveryJournalTest::unsafeDirectoryIsRefused_data()
{
    QTest::addColumn<int>("dirMode");
    QTest::addColumn<uint>("owner");
    QTest::newRow("world-writable") << 0777 << uint(::geteuid());
    QTest::newRow("group-writable") << 0770 << uint(::geteuid());
    QTest::newRow("another user's") << 0700 << 65534u;
}

void RecoveryJournalTest::unsafeDirectoryIsRefused()
{
    QFETCH(int, dirMode);
    QFETCH(uint, owner);
    if (owner != ::geteuid() && ::geteuid() != 0)
        QSKIP("giving a directory to another user needs root");
    QTemporaryDir dir;
    const QString recovery = dir.filePath(QStringLiteral("recovery"));
    QVERIFY(QDir().mkdir(recovery));
    QCOMPARE(::chmod(QFile::encodeName(recovery).constData(), mode_t(dirMode)), 0);
    QCOMPARE(::chown(QFile::encodeName(recovery).constData(), owner, gid_t(-1)), 0);
    // What another user planted: a journal to be "restored", and a link by which a write would reach a file.
    leaveOrphan(recovery, QStringLiteral("106-planted"), "planted", 1);
    const QString victim = dir.filePath(QStringLiteral("victim"));
    QVERIFY(QFile::link(victim, recovery + QStringLiteral("/107-x.js")));
    RecoveryJournal journal(recovery);
    const RecoveryJournal::Recovery found = journal.recover();
    QVERIFY(!found.found);
    QVERIFY(found.problem.contains(recovery));
    QCOMPARE(journal.save(QStringLiteral("secret")), RecoveryJournal::Save::Failed);
    QVERIFY(!QFile::exists(victim));
}

// Another user (nobody), under umask 000, keeps a journal and dies: its folders are 0700 and its files 0600, so a
// third user can neither read them nor plant anything beside them.
void RecoveryJournalTest::privateUnderAnyUmaskAsAnotherUser()
{
    if (::geteuid() != 0)
        QSKIP("running as other users needs root");
    QTemporaryDir scratch(QStringLiteral("/tmp/velmora-journal-XXXXXX"));
    QCOMPARE(::chmod(QFile::encodeName(scratch.path()).constData(), 0777), 0);
    const QString helper = scratch.filePath(QStringLiteral("helper"));
    QVERIFY(QFile::copy(QStringLiteral(VELMORA_JOURNAL_HELPER), helper));
    QCOMPARE(::chmod(QFile::encodeName(helper).constData(), 0755), 0);
    const QString recovery = scratch.filePath(QStringLiteral("home/velmora/recovery"));
    const auto as = [](int uid, const QStringList &command) {
        QProcess process;
        const QString id = QString::number(uid);
        process.start(QStringLiteral("setpriv"), QStringList{QStringLiteral("--reuid=") + id, QStringLiteral("--regid=") + id,
                                                             QStringLiteral("--clear-groups")} + command);
        return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    };
    const mode_t previous = ::umask(0);
    const int saved = as(65534, {helper, recovery, QStringLiteral("var secret = 1;")});
    ::umask(previous);
    QCOMPARE(saved, 0);
    for (const QString &level : {QStringLiteral("home"), QStringLiteral("home/velmora"), QStringLiteral("home/velmora/recovery")})
        QCOMPARE(mode(scratch.filePath(level)), 0700);
    const QStringList left = files(recovery);
    QCOMPARE(left.size(), 2);
    for (const QString &file : left)
        QCOMPARE(mode(recovery + QLatin1Char('/') + file), 0600);
    QVERIFY(as(65533, {QStringLiteral("cat"), recovery + QLatin1Char('/') + left.first()}) != 0);
    QVERIFY(as(65533, {QStringLiteral("ln"), QStringLiteral("-s"), QStringLiteral("/tmp"), recovery + QStringLiteral("/x.js")}) != 0);
}

QTEST_MAIN(RecoveryJournalTest)
#include "RecoveryJournalTest.moc"
