#include "app/KeyBindings.h"

QKeySequence KeyBindings::firstFree(const QList<QKeySequence> &bindings, const QList<QKeySequence> &taken)
{
    for (const QKeySequence &binding : bindings) {
        if (!binding.isEmpty() && !taken.contains(binding))
            return binding;
    }
    return QKeySequence();
}
