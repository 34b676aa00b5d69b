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

    // Follow the end while the reader is there; a reader who scrolled up is left alone. The range also grows while
    // a large batch is still being laid out, so the end is followed through that as well.
    QScrollBar *bar = browser->verticalScrollBar();
    QObject::connect(bar, &QScrollBar::valueChanged, browser,
                     [this, bar](int value) { following = value >= bar->maximum(); });
    QObject::connect(bar, &QScrollBar::rangeChanged, browser, [this, bar](int, int maximum) {
        if (following)
            bar->setValue(maximum);
    });
}

QColor OutputLog::colour(Colour colour)
{
    static const char *const names[] = {"black", "red", "green", "blue"};
    return QColor(QLatin1String(names[colour]));
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
    // Equal to filling "%1 : %2" with QString::arg, text last (so a "%1" inside it stays literal), without
    // parsing the pattern for every line.
    const QString &time = timestamp();
    QString line;
    line.reserve(time.size() + 3 + qMin(text.size(), maxTextLength + 32));
    line += time;
    line += QLatin1String(" : ");
    if (text.size() > maxTextLength) {
        line += text.leftRef(maxTextLength);
        line += QStringLiteral(" ...(已省略%1个字符)").arg(text.size() - maxTextLength);
    } else {
        line += text;
    }
    // A break inside one text stays inside its entry: a line separator, not a new paragraph.
    const int textStart = time.size() + 3;
    for (int i = textStart; i < line.size(); ++i) {
        const QChar ch = line.at(i);
        if (ch == QLatin1Char('\r') && i + 1 < line.size() && line.at(i + 1) == QLatin1Char('\n'))
            line.remove(i, 1);
        if (ch == QLatin1Char('\n') || ch == QLatin1Char('\r') || ch == QChar::ParagraphSeparator)
            line[i] = QChar::LineSeparator;
    }

    begin();
    cursor.movePosition(QTextCursor::End);
    if (browser->document()->isEmpty())
        cursor.setCharFormat(formats[colour]);
    else
        cursor.insertBlock(QTextBlockFormat(), formats[colour]);
    cursor.insertText(line);
    end();
}

void OutputLog::begin()
{
    if (batchDepth++ > 0)
        return;
    batchStart = browser->document()->characterCount();
    batchBlocks = browser->document()->blockCount();
    cursor.beginEditBlock();
}

void OutputLog::end()
{
    if (--batchDepth > 0)
        return;
    QTextDocument *document = browser->document();
    const int added = document->characterCount() - batchStart;
    const int addedBlocks = document->blockCount() - batchBlocks;
    // Ending the edit lays out every new paragraph right away (several microseconds each). For a flood that makes
    // up most of the document, have the layout start over lazily instead: with no page size the edit is not laid
    // out, and setting the size back starts the layout's own incremental run, driven by its timer.
    const bool lazy = addedBlocks >= lazyBatchBlocks && added * 2 >= document->characterCount();
    const QSizeF pageSize = document->pageSize();
    if (lazy)
        document->setPageSize(QSizeF());
    cursor.endEditBlock();
    if (lazy)
        document->setPageSize(pageSize);
    if (following) {
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
