#include "script/ExpressionDialog.h"

#include "app/VelmoraWindow.h"
#include "browser/ObjectTree.h"
