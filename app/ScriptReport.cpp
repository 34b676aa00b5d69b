#include "app/ScriptReport.h"

namespace {

QString withLine(const QString &text, int line)
{
    return line > 0 ? QStringLiteral("%1 (第%2行)").arg(text).arg(line) : text;
}

} // namespace

QString ScriptReport::timeout(int limitSeconds)
{
    return QStringLiteral("脚本运行超过%1秒,已中断").arg(limitSeconds);
}

void ScriptReport::error(const QString &text)
{
    lines.append(Line{OutputLog::Kind::Error, text});
}

void ScriptReport::addNotes(const ScriptOutcome &outcome)
{
    for (const QString &note : outcome.notes)
        error(note);
}

void ScriptReport::addAsyncErrors(const ScriptOutcome &outcome, bool select, bool nameLines)
{
    for (const ScriptOutcome::AsyncError &asyncError : outcome.asyncErrors) {
        const QString text = (asyncError.rejection ? QStringLiteral("未处理的Promise拒绝：%1")
                                                   : QStringLiteral("未捕获的异常：%1"))
                                 .arg(asyncError.text);
        error(nameLines ? withLine(text, asyncError.lineNumber) : text);
        if (select && selectLine < 0 && asyncError.lineNumber > 0)
            selectLine = asyncError.lineNumber - 1;
    }
}

ScriptReport ScriptReport::compile(const ScriptOutcome &outcome, int limitSeconds)
{
    ScriptReport report;
    switch (outcome.kind) {
    case ScriptOutcome::Kind::Interrupted:
        report.error(timeout(limitSeconds));
        break;
    case ScriptOutcome::Kind::Error:
        report.selectLine = qMax(outcome.lineNumber - 1, 0);
        report.error(QStringLiteral("编译错误：%1").arg(outcome.text));
        report.addNotes(outcome);
        break;
    case ScriptOutcome::Kind::Value:
        // A rejection nobody handled is an error of the script's, though its top level ran to the end.
        report.addAsyncErrors(outcome, true, false);
        report.ranToEnd = outcome.asyncErrors.isEmpty();
        break;
    }
    return report;
}

ScriptReport ScriptReport::expression(const ScriptOutcome &outcome, int limitSeconds)
{
    ScriptReport report;
    switch (outcome.kind) {
    case ScriptOutcome::Kind::Interrupted:
        report.error(timeout(limitSeconds));
        return report;
    case ScriptOutcome::Kind::Error:
        report.error(QStringLiteral("运行错误"));
        report.error(QStringLiteral("错误行号：%1").arg(outcome.lineNumber));
        report.error(QStringLiteral("堆栈调用：%1").arg(outcome.stack));
        report.error(QStringLiteral("错误原因：%1").arg(outcome.text));
        report.addNotes(outcome);
        report.selectLine = outcome.lineNumber - 1;
        break;
    case ScriptOutcome::Kind::Value:
        report.lines.append(Line{OutputLog::Kind::Success, QStringLiteral("运行成功")});
        report.lines.append(Line{OutputLog::Kind::Success, QStringLiteral("计算结果：%1").arg(outcome.valueText)});
        report.ranToEnd = true;
        break;
    }
    report.addAsyncErrors(outcome, report.ranToEnd, false);
    return report;
}

ScriptReport ScriptReport::callback(const ScriptOutcome &outcome, int limitSeconds)
{
    ScriptReport report;
    switch (outcome.kind) {
    case ScriptOutcome::Kind::Interrupted:
        report.error(timeout(limitSeconds));
        report.error(QStringLiteral("已取消这段脚本的所有定时器"));
        return report;
    case ScriptOutcome::Kind::Error:
        report.error(withLine(QStringLiteral("未捕获的异常：%1").arg(outcome.text), outcome.lineNumber));
        break;
    case ScriptOutcome::Kind::Value:
        report.ranToEnd = true;
        break;
    }
    report.addAsyncErrors(outcome, false, true);
    return report;
}
