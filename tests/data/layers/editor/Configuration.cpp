#include "editor/Configuration.h"
#include "browser/ObjectTree.h"
