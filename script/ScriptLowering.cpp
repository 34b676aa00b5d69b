#include "script/ScriptLowering.h"

#include "velmora_config.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

const QString notAvailable = QStringLiteral(" not available in the configured target environment");

bool runnable(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

} // namespace

QString ScriptLowering::esbuildPath()
{
    const QString chosen = qEnvironmentVariable("VELMORA_ESBUILD");
    if (!chosen.isEmpty())
        return runnable(chosen) ? chosen : QString();
    const QStringList candidates = {
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral(VELMORA_INSTALLED_ESBUILD)),
        QStringLiteral(VELMORA_BUILD_ESBUILD),
    };
    for (const QString &candidate : candidates) {
        if (runnable(candidate))
            return QFileInfo(candidate).canonicalFilePath();
    }
    return QStandardPaths::findExecutable(QStringLiteral("esbuild"));
}

QString ScriptLowering::featureName(const QString &esbuildMessage)
{
    QString subject = esbuildMessage.left(esbuildMessage.indexOf(notAvailable));
    subject.remove(QRegularExpression(QStringLiteral(" (is|are)$")));
    if (subject.startsWith(QLatin1String("Top-level await")))
        return QStringLiteral("顶层await");
    if (subject.startsWith(QLatin1String("Big integer literals")))
        return QStringLiteral("BigInt(大整数)");
    subject.remove(QLatin1Char('"'));
    return subject;
}

ScriptLowering::Result ScriptLowering::lower(const QString &source, int timeoutMs, bool exponent)
{
    Result result;
    const QString esbuild = esbuildPath();
    if (esbuild.isEmpty()) {
        result.status = Status::Missing;
        return result;
    }
    QProcess process;
    process.setProgram(esbuild);
    // --keep-names: functions and classes keep the names the user gave them, as the object tree and .name show them.
    QStringList arguments = {QStringLiteral("--target=es2016"), QStringLiteral("--sourcemap=inline"),
                             QStringLiteral("--keep-names"), QStringLiteral("--charset=utf8"), QStringLiteral("--loader=js"),
                             QStringLiteral("--color=false"), QStringLiteral("--log-level=warning")};
    if (exponent)
        arguments.append(QStringLiteral("--supported:exponent-operator=false"));
    process.setArguments(arguments);
    process.start(QIODevice::ReadWrite);
    if (!process.waitForStarted(timeoutMs > 0 ? timeoutMs : -1)) {
        result.status = Status::Missing;
        return result;
    }
    process.write(source.toUtf8());
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs > 0 ? timeoutMs : -1)) {
        process.kill();
        process.waitForFinished();
        result.status = Status::TimedOut;
        return result;
    }
    const QString diagnostics = QString::fromUtf8(process.readAllStandardError());
    // Every diagnostic starts with a marked line, its place follows as "    <stdin>:line:column:".
    static const QRegularExpression message(QStringLiteral("^(?:✘ \\[ERROR\\]|▲ \\[WARNING\\]) (.*?)(?: \\[[a-z-]+\\])?$"),
                                            QRegularExpression::MultilineOption);
    static const QRegularExpression place(QStringLiteral("^\\s+<stdin>:(\\d+):(\\d+):$"), QRegularExpression::MultilineOption);
    for (auto it = message.globalMatch(diagnostics); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QString text = match.captured(1);
        const bool error = diagnostics.at(match.capturedStart()) == QChar(0x2718);
        const QRegularExpressionMatch where = place.match(diagnostics, match.capturedEnd());
        const int line = where.hasMatch() ? where.captured(1).toInt() : 0;
        if (text.contains(notAvailable) && (error || text.startsWith(QLatin1String("Big integer")))) {
            // Lowered anyway, it would fail at run time (BigInt("1") here has no BigInt).
            result.status = Status::Unsupported;
            result.feature = featureName(text);
            result.message = text;
            result.line = line;
            return result;
        }
        if (error) {
            result.status = Status::SyntaxError;
            result.message = text;
            result.line = line;
            return result;
        }
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        result.status = Status::Failed;
        result.message = diagnostics.trimmed().left(1000);
        return result;
    }
    result.text = QString::fromUtf8(process.readAllStandardOutput());
    result.map = SourceMap::fromInline(result.text);
    result.status = Status::Lowered;
    return result;
}
