// Saves a text as the workbench's Save does, in a process of its own, so that a test can run it as another user:
//   velmora_save_helper PATH TEXT
// Exit code 0 when the text was saved, 1 when not, 2 on wrong use.
#include "app/ProcessSetup.h"
#include "app/ScriptFile.h"

#include <QFile>

int main(int argc, char *argv[])
{
    ProcessSetup::ignoreFileSizeSignal(); // as the program does
    if (argc != 3)
        return 2;
    return ScriptFile::write(QFile::decodeName(argv[1]), QString::fromUtf8(argv[2])) ? 0 : 1;
}
