#pragma once

#include "app/ScriptFile.h"

#include <QString>
#include <QStringList>

// The crash journal: the editor text and the file it belongs to, kept on disk so that nothing typed is lost when the
// process dies (a script taking Qt's engine down, a crash of Qt or X, the out-of-memory killer, a logout).
//
// Each journal is a file of its own in a private directory (by default "recovery" under the user's application
// data location), beside a lock file that its process holds locked for as long as it lives: the system releases
// the lock however the process ends, so a journal whose lock is free, or gone, was left by a process that died. A
// normal end removes both files.
//
// The directory is created 0700 whatever the umask, and refused when it is not the user's own or others may write
// it; every file in it is opened relative to it, never through a symbolic link, and created 0600.
//
// Not thread-safe: one thread at a time (JournalWriter serialises its own worker and the window).
class RecoveryJournal
{
public:
    explicit RecoveryJournal(const QString &directory = defaultDirectory());
    ~RecoveryJournal();
    RecoveryJournal(const RecoveryJournal &) = delete;
    RecoveryJournal &operator=(const RecoveryJournal &) = delete;

    static QString defaultDirectory();
    QString directoryPath() const { return directory; }

    // What a journal keeps beside the text: the file the text belongs to (empty for an untitled one) and that
    // file's stamp as last read or written, so that a restored text saves to its file, asking first if another
    // program has changed it meanwhile.
    struct Origin
    {
        QString path;
        ScriptFile::Stamp stamp;

        bool operator==(const Origin &other) const { return path == other.path && stamp == other.stamp; }
    };

    enum class Save { Written, Unchanged, Failed };

    // Writes text and origin, unless they are what the journal holds already. The file is replaced atomically (a
    // new file renamed over the old), without waiting for the disk: the journal guards against the process dying,
    // and the page cache outlives a process.
    Save save(const QString &text, const Origin &origin = Origin());
    // The same for text already encoded as UTF-8 (the editor's own buffer, with no conversion on the way).
    Save save(const QByteArray &utf8, const Origin &origin = Origin());
    // Why the last save failed.
    QString errorString() const { return lastError; }

    // Removes this journal: the text is safe (saved, or knowingly dropped by the user).
    void discard();

    struct Recovery
    {
        bool found = false; // text and origin come from a journal this one took over
        QString text;
        Origin origin;
        int remaining = 0;      // further journals of dead processes, for later starts
        QStringList unreadable; // journals kept on disk that cannot be restored (not UTF-8, a NUL, unreadable)
        QString problem;        // why the directory was not used, empty when it was
    };

    // Takes over the newest journal left by a process that is no longer running: it becomes this journal (its
    // files stay where they are until this one is discarded, so no moment exists without them, and a restart on a
    // disk that cannot be written still finds the text). Older leftovers stay for later starts. Call it before the
    // first save; afterwards it takes nothing over.
    Recovery recover();

    // The journal's file format: a header naming the origin, then the text. Text alone (the format before origins
    // were kept) decodes with an empty origin. False for bytes that are not UTF-8 text without NUL characters.
    static QByteArray encode(const QByteArray &utf8, const Origin &origin);
    static bool decode(const QByteArray &bytes, QString *text, Origin *origin);

private:
    bool openDirectory();
    bool lock();
    QString journalName() const;

    QString directory;
    QString name;
    QString lastError;
    QByteArray writtenText;
    Origin writtenOrigin;
    bool hasWritten = false;
    int directoryFd = -1;
    int lockFd = -1;
};
