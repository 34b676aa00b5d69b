#pragma once

#include <QHash>
#include <QJSValue>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

class IcuBridge;
class QJSEngine;
class ScriptWatchdog;

// Intl (ECMA-402) on the system's ICU, the locale-sensitive methods of the built-ins, and dates as browsers read and
// write them, for one engine. Installed lazily: a text that names none of Intl, toLocale..., localeCompare (or
// Date, for the dates) costs a few substring searches and nothing else. What is installed lives in the engine
// alone; a script that replaces or breaks it affects only its own engine.
class IntlLibrary
{
public:
    explicit IntlLibrary(QJSEngine *engine);  // a fresh engine: nothing of the user's has run in it yet
    ~IntlLibrary();
    IntlLibrary(const IntlLibrary &) = delete;
    IntlLibrary &operator=(const IntlLibrary &) = delete;

    // Called before each text runs in the engine: installs what that text may need and the engine lacks, once.
    // Cheap when nothing is needed; never throws into the script.
    void prepareFor(const QString &text);

    // Names of global-object properties it defined (Intl), to be hidden from the object tree while they hold its
    // value.
    QStringList globalNames() const;
    // Whether the global property name still holds the value this library gave it.
    bool holdsOwnValue(const QString &name, const QJSValue &value) const;

private:
    // Runs a resource as the body of a function of (icu, global, reader); reader is the companion resource's text.
    void install(const QString &resource, const QString &companion = QString());

    QJSEngine *engine;
    QPointer<IcuBridge> bridge;
    mutable QJSValue functionConstructor; // the engine's own, taken before any script could replace it
    bool intlInstalled = false;
    bool datesInstalled = false;
    QHash<QString, QJSValue> installed;
    QStringList names;
    // After the first text the script may have replaced the built-ins the installed code calls, with one that never
    // returns: later installations run under a time limit of their own.
    bool scriptMayHaveRun = false;
    std::unique_ptr<ScriptWatchdog> watchdog;
};
