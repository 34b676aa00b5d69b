#include "app/OutputLog.h"

#include <QDateTime>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTextDocument>

OutputLog::OutputLog(QTextBrowser *browser)
    : browser(browser), cursor(browser->document())
{
    for (int c = Black; c <= Blue; ++c)
        formats[c].setForeground(colour(static_cast<Colour>(c)));
}

QColor OutputLog::colour(Colour colour)
{
    static const char *const names[] = {"black", "red", "green", "blue"};
    return QColor(QLatin1String(names[colour]));
}

QString OutputLog::entryText(const QString &timestamp, const QString &text)
{
    // The text goes in last, so a "%1" inside it stays literal.
    return QStringLiteral("%1 : %2").arg(timestamp).arg(text);
}

const QString &OutputLog::timestamp()
{
    // Formatting the local time costs more than inserting the line: format it once per second.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const qint64 second = now >= 0 ? now / 1000 : (now - 999) / 1000;
    if (second != stampSecond) {
        stampSecond = second;
        stamp = QDateTime::fromMSecsSinceEpoch(second * 1000).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    }
    return stamp;
}

void OutputLog::append(Colour colour, const QString &text)
{
    QString line = entryText(timestamp(), text);
    // A break inside one text stays inside its entry: a line separator, not a new paragraph.
    for (QChar &ch : line) {
        if (ch == QLatin1Char('\n') || ch == QChar::ParagraphSeparator)
            ch = QChar::LineSeparator;
    }
    line.replace(QStringLiteral("\r\u2028"), QString(QChar::LineSeparator));
    line.replace(QLatin1Char('\r'), QChar::LineSeparator);

    begin();
    cursor.movePosition(QTextCursor::End);
    if (browser->document()->isEmpty())
        cursor.setCharFormat(formats[colour]);
    else
        cursor.insertBlock(QTextBlockFormat(), formats[colour]);
    cursor.insertText(line, formats[colour]);
    end();
}

void OutputLog::begin()
{
    if (batchDepth++ > 0)
        return;
    const QScrollBar *bar = browser->verticalScrollBar();
    followEnd = bar->value() >= bar->maximum();
    cursor.beginEditBlock();
}

void OutputLog::end()
{
    if (--batchDepth > 0)
        return;
    cursor.endEditBlock();
    if (followEnd) {
        QScrollBar *bar = browser->verticalScrollBar();
        bar->setValue(bar->maximum());
    }
}

OutputLog::Batch::Batch(OutputLog &log) : log(log)
{
    log.begin();
}

OutputLog::Batch::~Batch()
{
    log.end();
}
