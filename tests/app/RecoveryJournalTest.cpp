// The crash journal on disk: what a save writes, what a normal end removes, and which journals a start takes over.
#include "TestSupport.h"

#include "app/RecoveryJournal.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

class RecoveryJournalTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void saveWritesTextAndNormalEndRemovesIt();
    void recoverTakesNewestJournalOfDeadProcess();
    void liveJournalIsLeftAlone();
    void unwritableDirectoryFails();

private:
    // What a process that died leaves: a journal and its lock file, the lock released with the process.
    static void leaveOrphan(const QString &dir, const QString &name, const QByteArray &text, int ageSeconds)
    {
        QFile journal(dir + QLatin1Char('/') + name + QStringLiteral(".js"));
        QVERIFY(journal.open(QIODevice::WriteOnly));
        journal.write(text);
        journal.flush();
        journal.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds), QFileDevice::FileModificationTime);
        journal.close();
        QFile lock(dir + QLatin1Char('/') + name + QStringLiteral(".lock"));
        QVERIFY(lock.open(QIODevice::WriteOnly));
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
        QCOMPARE(file.readAll(), text.toUtf8());
        QCOMPARE(int(file.permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup)), 0);
    }
    QCOMPARE(files(dir.path()), QStringList());
}

void RecoveryJournalTest::recoverTakesNewestJournalOfDeadProcess()
{
    QTemporaryDir dir;
    leaveOrphan(dir.path(), QStringLiteral("101-old"), "old text", 600);
    leaveOrphan(dir.path(), QStringLiteral("102-new"), "new text", 60);
    leaveOrphan(dir.path(), QStringLiteral("103-empty"), "", 1);
    RecoveryJournal journal(dir.path());
    QString text;
    QVERIFY(journal.recover(&text));
    QCOMPARE(text, QStringLiteral("new text"));
    // The newest moved into this journal; the older one waits for a later start; the empty one is gone.
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("102-new.js"))));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("103-empty.js"))));
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("101-old.js"))));
    QCOMPARE(journal.save(text), RecoveryJournal::Save::Unchanged);

    RecoveryJournal next(dir.path());
    QVERIFY(next.recover(&text));
    QCOMPARE(text, QStringLiteral("old text"));
    QVERIFY(!next.recover(&text));
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

    RecoveryJournal starting(dir.path());
    QString text;
    QVERIFY(!starting.recover(&text));
    QCOMPARE(files(dir.path()).size(), 4);
    ::close(fd);
    QVERIFY(starting.recover(&text));
    QCOMPARE(text, QStringLiteral("alive"));
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

QTEST_MAIN(RecoveryJournalTest)
#include "RecoveryJournalTest.moc"
