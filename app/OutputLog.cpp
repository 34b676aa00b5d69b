#include "app/OutputLog.h"

#include <QDateTime>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>

OutputLog::OutputLog(QTextBrowser *browser)
    : browser(browser), cursor(browser->document())
{
    for (const Kind kind : {Kind::Info, Kind::Error, Kind::Success, Kind::Console})
        formats[int(kind)].setForeground(colour(kind));
    // Nobody undoes a log; the undo stack would keep a second copy of everything ever appended.
    browser->document()->setUndoRedoEnabled(false);
    // Lines wrap between words only. Breaking a word too long for a line anywhere (the text view's default) costs
    // time growing with the square of its length: the forty 50 000-character lines the log keeps of a flood of
    // unbroken Latin or Arabic text took six seconds to lay out, during which the window was frozen. Such a word
    // now runs past the right edge (the view scrolls sideways) and the whole log is laid out in about 0.3 s.
    browser->setWordWrapMode(QTextOption::WordWrap);
    // A vertical scroll bar that comes and goes changes the text width, and the view then lays out the whole
    // document again at once: with a flood of long lines that alone froze the window for most of a second.
    browser->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    // Follow the end while the reader is there; a reader who scrolled up is left alone. The range also grows while
    // a large batch is still being laid out, so the end is followed through that as well.
    QScrollBar *bar = browser->verticalScrollBar();
    followValue = QObject::connect(bar, &QScrollBar::valueChanged, browser,
                                   [this, bar](int value) { following = value >= bar->maximum(); });
    followRange = QObject::connect(bar, &QScrollBar::rangeChanged, browser, [this, bar](int, int maximum) {
        if (following)
            bar->setValue(maximum);
    });
}

OutputLog::~OutputLog()
{
    QObject::disconnect(followValue);
    QObject::disconnect(followRange);
}

QColor OutputLog::colour(Kind kind)
{
    static const char *const names[] = {"black", "red", "green", "blue"};
    return QColor(QLatin1String(names[int(kind)]));
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

void OutputLog::append(Kind kind, const QString &text)
{
    if (batchDepth == 0 || (pending.empty() && batchCharacters <= maxCharacters)) {
        insert(kind, timestamp(), text);
        return;
    }
    // What the document holds of this batch will all be trimmed: queue, keeping no more than the log would.
    pending.push_back({kind, timestamp(), text});
    pendingCharacters += qMin(text.size(), maxTextLength) + pending.back().time.size() + 4;
    while (pending.size() > 1 && (pendingCharacters > maxCharacters || int(pending.size()) > maxEntries)) {
        pendingCharacters -= qMin(pending.front().text.size(), maxTextLength) + pending.front().time.size() + 4;
        pending.pop_front();
    }
}

void OutputLog::insert(Kind kind, const QString &time, const QString &text)
{
    // Equal to filling "%1 : %2" with QString::arg, text last (so a "%1" inside it stays literal), without
    // parsing the pattern for every line.
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
    // Not movePosition(End): that lays out the last paragraph first, however long it is.
    cursor.setPosition(browser->document()->characterCount() - 1);
    if (browser->document()->isEmpty())
        cursor.setCharFormat(formats[int(kind)]);
    else
        cursor.insertBlock(QTextBlockFormat(), formats[int(kind)]);
    cursor.insertText(line);
    ++entries;
    ++batchEntries;
    characters += line.size() + 1;
    batchCharacters += line.size() + 1;
    // Trimming in slices keeps its cost per line small.
    if (entries > maxEntries + maxEntries / 10 || characters > maxCharacters)
        trim();
    end();
}

void OutputLog::begin()
{
    if (batchDepth++ > 0)
        return;
    batchCharacters = 0;
    batchEntries = 0;
    cursor.beginEditBlock();
}

void OutputLog::trim()
{
    QTextDocument *document = browser->document();
    // Entries go a tenth at a time; characters down to half, since every trim below also copies what is left.
    const int keepEntries = qMin(entries, maxEntries);
    const qint64 keepCharacters = characters > maxCharacters ? maxCharacters / 2 : characters;
    // Never the entry just appended: a log always shows the latest line, however long it is.
    QTextBlock block = document->begin();
    int removedEntries = 0;
    qint64 removedCharacters = 0;
    while (block.isValid() && block.next().isValid()
           && (entries - removedEntries > keepEntries || characters - removedCharacters > keepCharacters)) {
        removedCharacters += block.length();
        ++removedEntries;
        block = block.next();
    }
    if (removedEntries == 0)
        return;
    QTextCursor front(document);
    front.setPosition(block.position(), QTextCursor::KeepAnchor);
    front.removeSelectedText();
    entries -= removedEntries;
    characters -= removedCharacters;
    // Removed text stays in the document's buffer until an edit ends: a flood inside one batch would keep all of it.
    // End the edit here and go on in a new one; the layout waits for the end of the batch, like a lazy batch.
    holdLayout();
    cursor.endEditBlock();
    cursor.beginEditBlock();
}

void OutputLog::holdLayout()
{
    // With a null page size the document is not laid out at all; setting the size back starts the layout's own incremental
    // run, driven by its timer.
    if (layoutHeld)
        return;
    heldPageSize = browser->document()->pageSize();
    browser->document()->setPageSize(QSizeF(0, 0));
    layoutHeld = true;
}

void OutputLog::releaseLayout()
{
    if (!layoutHeld)
        return;
    layoutHeld = false;
    browser->document()->setPageSize(heldPageSize);
}

void OutputLog::end()
{
    if (batchDepth == 1) {
        for (const Pending &entry : pending)
            insert(entry.kind, entry.time, entry.text);
        pending.clear();
        pendingCharacters = 0;
    }
    if (--batchDepth > 0)
        return;
    QTextDocument *document = browser->document();
    const qint64 added = qMin(batchCharacters, qint64(document->characterCount()));
    const int addedBlocks = qMin(batchEntries, document->blockCount());
    // Ending the edit lays out every new paragraph right away (several microseconds each). For a flood that makes
    // up most of the document, of many lines or of long ones, have the layout start over lazily instead.
    if ((addedBlocks >= lazyBatchBlocks || added >= lazyBatchCharacters) && added * 2 >= document->characterCount())
        holdLayout();
    cursor.endEditBlock();
    releaseLayout();
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
