#include "tools/CodeFormatter.h"

#include "app/ScriptFile.h"
#include "script/ScriptWatchdog.h"
