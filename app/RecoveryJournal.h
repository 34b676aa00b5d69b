#pragma once

#include <QString>

// The crash journal: the editor text, kept on disk while script code runs, so that nothing typed is lost when a
// script takes the whole process down (some do, inside the engine, where no code of ours runs).
//
// Each journal is a file of its own in the directory given (by default "recovery" under the user's application
// data location), named uniquely, beside a lock file that its process holds locked for as long as it lives: the
// system releases the lock however the process ends, so a journal whose lock is free was left by a process that
// died. A normal end removes both files.
class RecoveryJournal
{
public:
    explicit RecoveryJournal(const QString &directory = defaultDirectory());
    ~RecoveryJournal();
    RecoveryJournal(const RecoveryJournal &) = delete;
    RecoveryJournal &operator=(const RecoveryJournal &) = delete;

    static QString defaultDirectory();

    enum class Save { Written, Unchanged, Failed };

    // Writes text, unless it is what the journal holds already. The file is replaced atomically (a new file renamed
    // over the old), without waiting for the disk: the journal guards against the process dying, and the page
    // cache outlives a process.
    Save save(const QString &text);
    // The same for text already encoded as UTF-8 (the editor's own buffer, with no conversion on the way).
    Save save(const QByteArray &utf8);
    // Why the last save failed.
    QString errorString() const { return lastError; }

    // Removes this journal: the text is safe (saved, or knowingly dropped by the user).
    void discard();

    // Takes over the newest journal left by a process that is no longer running: its text becomes this journal's
    // (so it survives another crash) and its files are removed. Older leftovers stay for later starts. False when
    // there is none.
    bool recover(QString *text);

private:
    bool lock();
    QString journalPath() const;

    QString directory;
    QString name;
    QString lockPath;
    QString lastError;
    QByteArray written;
    bool hasWritten = false;
    int lockFd = -1;
};
