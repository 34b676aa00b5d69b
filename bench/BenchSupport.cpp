#include "BenchSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <cstdio>

QString BenchSupport::floodScript()
{
    return QStringLiteral("for (var i = 0; i < 100000; i++) console.log(i);");
}

long BenchSupport::peakRssKib()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QRegularExpression line(QStringLiteral("^VmHWM:\\s+(\\d+) kB"), QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = line.match(QString::fromLatin1(status.readAll()));
    return match.hasMatch() ? match.captured(1).toLong() : -1;
}

double BenchSupport::median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double BenchSupport::time(const std::function<void()> &work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    return clock.nsecsElapsed() / 1e6;
}

double BenchSupport::runProcess(const QString &program, const QStringList &arguments, QString *output,
                                const QString &standardInputFile)
{
    QProcess process;
    if (!standardInputFile.isEmpty())
        process.setStandardInputFile(standardInputFile);
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return -1;
    const double elapsed = clock.nsecsElapsed() / 1e6;
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput());
    return elapsed;
}

QString BenchSupport::nodeProgram()
{
    return QStringLiteral(VELMORA_NODE);
}

bool BenchSupport::haveNode()
{
    return QFileInfo(nodeProgram()).isExecutable();
}

double BenchSupport::runNode(const QString &script, const QStringList &arguments)
{
    if (!haveNode())
        return -1;
    QProcess process;
    // Standard output goes to a pipe that this process drains, as for any program writing to a pipe.
    process.start(nodeProgram(), QStringList{QStringLiteral("-e"), script, QStringLiteral("--")} + arguments);
    QByteArray sink;
    while (process.state() != QProcess::NotRunning) {
        process.waitForReadyRead(100);
        sink += process.readAllStandardOutput();
        sink.clear();
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return -1;
    const QStringList lines = QString::fromUtf8(process.readAllStandardError()).trimmed().split(QLatin1Char('\n'));
    bool ok = false;
    const double ms = lines.last().toDouble(&ok);
    return ok ? ms : -1;
}

void BenchSupport::print(const std::vector<Row> &rows, const QString &machine)
{
    const auto number = [](double value, const QString &unit) {
        if (value < 0)
            return QStringLiteral("—");
        return QString::number(value, 'f', value < 10 ? 2 : (value < 100 ? 1 : 0)) + QLatin1Char(' ') + unit;
    };
    std::printf("\n%s\n\n", qPrintable(machine));
    std::printf("| work | Velmora | reference | ratio | target | result |\n|---|---|---|---|---|---|\n");
    for (const Row &row : rows) {
        const double value = row.ratio > 0 ? row.ratio : row.reference > 0 ? row.velmora / row.reference : -1;
        const QString ratio = value > 0 ? QString::number(value, 'f', 2) + QStringLiteral("×") : QStringLiteral("—");
        std::printf("| %s | %s | %s | %s | %s | %s |\n", qPrintable(row.work), qPrintable(number(row.velmora, row.unit)),
                    qPrintable(number(row.reference, row.unit) + (row.note.isEmpty() ? QString() : QStringLiteral(" (") + row.note + QLatin1Char(')'))),
                    qPrintable(ratio), qPrintable(row.target),
                    qPrintable(row.pass ? QStringLiteral("pass") : row.explained.isEmpty() ? QStringLiteral("FAIL") : row.explained));
    }
    std::fflush(stdout);
}
