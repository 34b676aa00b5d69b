#include "script/ScriptError.h"

ScriptError::ScriptError(const QJSValue &error)
    : lineNumber(error.property(QStringLiteral("lineNumber")).toInt()),
      stack(error.property(QStringLiteral("stack")).toString()),
      text(error.toString())
{
}
