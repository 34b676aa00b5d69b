#pragma once

#include "app/RecoveryJournal.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QObject>
#include <QTimer>
#include <QWaitCondition>

#include <functional>

class QThread;

// Keeps the crash journal up to date while the user types, without a keystroke ever waiting for the disk: an edit
// only notes the time; about a second after the last edit (and every few seconds during continuous typing) the
// text is copied and handed to a worker thread, which writes it. Before script code runs, writeNow() puts the
// current text on disk synchronously; a write still queued or under way for an older text never overwrites it.
class JournalWriter : public QObject
{
    Q_OBJECT

public:
    struct Snapshot
    {
        QByteArray utf8; // may point into the editor's own buffer for writeNow (fromRawData)
        RecoveryJournal::Origin origin;
    };
    using Take = std::function<Snapshot()>;

    static constexpr int idleMs = 1000;
    static constexpr int longestMs = 4000;

    // take reads the document on the GUI thread; the journal is used only through this writer from now on.
    JournalWriter(RecoveryJournal &journal, Take take, QObject *parent = nullptr);
    ~JournalWriter() override;

    // The document changed (an edit, or the file it belongs to). Cheap: called for every keystroke.
    void changed();
    // Writes the current document now, on this thread; errorString() tells why it failed.
    RecoveryJournal::Save writeNow();
    QString errorString() const { return lastError; }
    // Drops whatever is queued, waits for a write under way and stops the worker: the journal is free again.
    void stop();

signals:
    // A write on the worker failed; delivered on the writer's thread.
    void failed(const QString &error);

private:
    void due();
    void post();
    void run();
    RecoveryJournal::Save write(const Snapshot &snapshot, quint64 sequence, QString *error);

    RecoveryJournal &journal;
    Take take;
    QTimer timer;
    QElapsedTimer clock;
    qint64 firstChange = 0;
    qint64 lastChange = 0;
    bool dirty = false;
    bool clean = false; // the journal holds the document as writeNow last wrote it, and nothing changed since
    QString lastError;

    QThread *worker = nullptr;
    QMutex stateMutex; // the queue below
    QWaitCondition wake;
    Snapshot queued;
    quint64 queuedSequence = 0;
    bool stopping = false;
    quint64 nextSequence = 0; // GUI thread only
    QMutex writeMutex;        // the journal itself, and the sequence written last
    quint64 writtenSequence = 0;
};
