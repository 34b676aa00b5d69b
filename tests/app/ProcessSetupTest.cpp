// The process-wide set-up of the entry point: an over-limit write fails instead of killing the process, and Qt's
// standard dialogs speak Chinese when Qt's catalogue is installed.
#include "TestSupport.h"

#include "app/ProcessSetup.h"

#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include <csignal>

class ProcessSetupTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void writePastFileSizeLimitFails();
    void qtTranslations_data();
    void qtTranslations();
};

void ProcessSetupTest::cleanup()
{
    TestSupport::verifyNoWindowsLeft();
}

void ProcessSetupTest::writePastFileSizeLimitFails()
{
    // Start from the default (death), which the test processes otherwise share with the program's set-up.
    std::signal(SIGXFSZ, SIG_DFL);
    ProcessSetup::ignoreFileSizeSignal();
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("big")));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    qint64 written = -1;
    QVERIFY(TestSupport::withFileSizeLimit(4096, [&] { written = file.write(QByteArray(8192, 'x')); }));
    QVERIFY(written < 8192);
}

void ProcessSetupTest::qtTranslations_data()
{
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("yes");
    QTest::addColumn<QString>("no");
    QTest::newRow("Qt's catalogue") << QLibraryInfo::location(QLibraryInfo::TranslationsPath) << QStringLiteral("是(&Y)") << QStringLiteral("否(&N)");
    QTest::newRow("no catalogue") << QStringLiteral("/nonexistent") << QStringLiteral("&Yes") << QStringLiteral("&No");
}

void ProcessSetupTest::qtTranslations()
{
    QFETCH(QString, directory);
    QFETCH(QString, yes);
    QFETCH(QString, no);
    const bool present = QFileInfo::exists(directory + QStringLiteral("/qtbase_zh_CN.qm"));
    if (directory != QLatin1String("/nonexistent") && !present)
        QSKIP("Qt's Chinese catalogue is not installed (package qttranslations5-l10n)");
    QTranslator *translator = ProcessSetup::installQtTranslations(directory);
    QCOMPARE(translator != nullptr, present);
    QMessageBox box(QMessageBox::Information, QStringLiteral("提示"), QStringLiteral("?"), QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.button(QMessageBox::Yes)->text(), yes);
    QCOMPARE(box.button(QMessageBox::No)->text(), no);
    delete translator;
}

QTEST_MAIN(ProcessSetupTest)
#include "ProcessSetupTest.moc"
