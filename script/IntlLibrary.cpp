#include "script/IntlLibrary.h"

#include "common/Utf8Text.h"
#include "script/IcuBridge.h"
#include "script/ScriptSyntax.h"
#include "script/ScriptWatchdog.h"

#include <QFile>
#include <QJSEngine>

// The resources live in the static library, which the linker would otherwise leave out (outside any namespace, as
// Q_INIT_RESOURCE requires).
static void initIntlResources()
{
    Q_INIT_RESOURCE(velmora);
}

namespace {

// Installing takes milliseconds; a built-in a script replaced with a loop must not hold the window for long.
constexpr int installLimitSeconds = 3;

} // namespace

IntlLibrary::IntlLibrary(QJSEngine *engine)
    : engine(engine), functionConstructor(engine->globalObject().property(QStringLiteral("Function")))
{
}

// The bridge belongs to the engine: the installed code may outlive this object.
IntlLibrary::~IntlLibrary() = default;

void IntlLibrary::prepareFor(const QString &text)
{
    // The names that reach the dates and the locale machinery. A mention anywhere (a comment included) is enough;
    // missing a name only leaves the engine's own answer.
    const quint32 named = datesInstalled && intlInstalled
                              ? 0
                              : ScriptSyntax::mentions(text, {QLatin1String("Date"), QLatin1String("Intl"),
                                                              QLatin1String("toLocale"), QLatin1String("localeCompare")});
    if (!datesInstalled && (named & 1)) {
        datesInstalled = true;
        install(QStringLiteral(":/hex/res/dates.js"), QStringLiteral(":/hex/res/date-reader.js"));
    }
    if (!intlInstalled && (named & ~1u)) {
        intlInstalled = true;
        install(QStringLiteral(":/hex/res/intl.js"));
    }
    scriptMayHaveRun = true;
}

void IntlLibrary::install(const QString &resource, const QString &companion)
{
    static const bool resourcesReady = (initIntlResources(), true);
    Q_UNUSED(resourcesReady)
    QFile file(resource);
    QFile companionFile(companion.isEmpty() ? resource : companion);
    if (!file.open(QIODevice::ReadOnly) || !companionFile.open(QIODevice::ReadOnly))
        return;
    if (!bridge) {
        // Owned by the engine, so it lives exactly as long as the code that holds it.
        bridge = new IcuBridge(engine);
    }
    // A Function body compiles with the engine's property-lookup caches, which evaluate() leaves out.
    QJSValue installer = functionConstructor.callAsConstructor(
        {QJSValue(QStringLiteral("icu")), QJSValue(QStringLiteral("global")), QJSValue(QStringLiteral("reader")),
         QJSValue(Utf8Text::decode(file.readAll()))});
    if (!installer.isCallable())
        return;
    const QJSValue global = engine->globalObject();
    std::unique_ptr<ScriptWatchdog::Scope> limit;
    if (scriptMayHaveRun) {
        if (!watchdog) {
            watchdog = std::make_unique<ScriptWatchdog>();
            watchdog->setLimit(installLimitSeconds);
        }
        limit = std::make_unique<ScriptWatchdog::Scope>(*watchdog, engine);
    }
    const QJSValue reader = companion.isEmpty() ? QJSValue() : QJSValue(Utf8Text::decode(companionFile.readAll()));
    const QJSValue result = installer.call({engine->newQObject(bridge.data()), global, reader});
    limit.reset();
    if (result.isError() || !result.isArray())
        return;
    const int count = result.property(QStringLiteral("length")).toInt();
    for (int i = 0; i < count; ++i) {
        const QString name = result.property(quint32(i)).toString();
        installed.insert(name, global.property(name));
        names.append(name);
    }
}

QStringList IntlLibrary::globalNames() const
{
    return names;
}

bool IntlLibrary::holdsOwnValue(const QString &name, const QJSValue &value) const
{
    const auto it = installed.find(name);
    return it != installed.end() && it->strictlyEquals(value);
}
