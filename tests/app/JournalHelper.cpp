// Keeps a crash journal as whichever user runs it, then dies without removing it: velmora_journal_helper DIR TEXT.
// Exit code 0 when the journal was written.
#include "app/RecoveryJournal.h"

#include <QFile>

#include <unistd.h>

int main(int argc, char *argv[])
{
    if (argc != 3)
        return 2;
    RecoveryJournal journal(QFile::decodeName(argv[1]));
    const bool written = journal.save(QString::fromUtf8(argv[2])) == RecoveryJournal::Save::Written;
    ::_exit(written ? 0 : 1);
}
