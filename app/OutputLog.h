#pragma once

#include <QString>
#include <QTextCharFormat>
#include <QTextCursor>

#include <deque>

class QTextBrowser;

// The output log: timestamped lines of four kinds, each in its colour, only ever appended to a QTextBrowser.
// Every line reads "yyyy-MM-dd hh:mm:ss : text". The text is shown literally (no mark-up is interpreted) and a line
// break inside it stays a break inside the same entry, so each entry is exactly one paragraph of the document.
// While the view shows the end of the log it keeps following it, as QTextEdit::append does.
class OutputLog
{
public:
    // What a line says, which decides its colour.
    enum class Kind
    {
        Info,    // progress and information, black
        Error,   // red
        Success, // a successful evaluation, green
        Console  // the script's own console output, blue
    };

    explicit OutputLog(QTextBrowser *browser);
    ~OutputLog();
    OutputLog(const OutputLog &) = delete;
    OutputLog &operator=(const OutputLog &) = delete;

    void append(Kind kind, const QString &text);

    static QColor colour(Kind kind);

    // Laying out one paragraph grows faster than its length (a million characters take most of a minute), so an
    // entry shows at most this many characters of its text, then how many were left out.
    static constexpr int maxTextLength = 10000;

    // Batches of at least this many lines or characters that make up half the log or more are laid out in the
    // background.
    static constexpr int lazyBatchBlocks = 1000;
    static constexpr int lazyBatchCharacters = 200000;

    // The scrollback: the oldest entries go once the log holds more than this many entries or characters, so an
    // endless console.log loop leaves a log that is laid out in well under a second instead of one that grows until
    // the layout freezes the window for minutes or the text passes what a string can hold.
    static constexpr int maxEntries = 50000;
    static constexpr int maxCharacters = 2000000;

    // Lines appended while a Batch lives go into the document at once (readable right away) but the view lays
    // them out and scrolls once, when the outermost Batch ends: a script printing 100 000 lines costs one layout
    // pass, not 100 000. A batch that makes up most of the log is laid out in the background, in steps between
    // events, so the window answers at once instead of after the whole flood has been laid out.
    //
    // Once a batch has put more into the document than the log keeps, further lines wait in a queue holding no more
    // than the log keeps (the oldest dropped, as the scrollback would drop them) and go into the document when the
    // batch ends: a flood of long lines then costs the script almost nothing per line instead of copying every
    // character into the document only to trim it again (25 000 lines of 50 000 characters: 2.5 s).
    class Batch
    {
    public:
        explicit Batch(OutputLog &log);
        ~Batch();
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;

    private:
        OutputLog &log;
    };

private:
    struct Pending
    {
        Kind kind;
        QString time;
        QString text;
    };

    const QString &timestamp();
    void insert(Kind kind, const QString &time, const QString &text);
    void begin();
    void end();
    void trim();
    void holdLayout();
    void releaseLayout();

    QTextBrowser *browser;
    QTextCursor cursor;
    QTextCharFormat formats[4];
    // The scroll bar outlives this log (the browser owns it): the connections go with the log.
    QMetaObject::Connection followValue;
    QMetaObject::Connection followRange;
    qint64 stampSecond = -1;
    QString stamp;
    int batchDepth = 0;
    qint64 batchCharacters = 0;
    int batchEntries = 0;
    qint64 characters = 0;
    int entries = 0;
    std::deque<Pending> pending;
    qint64 pendingCharacters = 0;
    bool following = true;
    bool layoutHeld = false;
    QSizeF heldPageSize;
};
