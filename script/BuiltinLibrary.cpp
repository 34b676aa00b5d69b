#include "script/BuiltinLibrary.h"

#include "common/Utf8Text.h"
#include "script/EngineInternals.h"

#include <QFile>
#include <QJSEngine>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

// The library's source is a resource of the static library: keep it linked and registered.
// (Q_INIT_RESOURCE must be used outside any namespace.)
static void registerLibraryResource()
{
    Q_INIT_RESOURCE(builtins);
}

namespace {

const QString libraryFile = QStringLiteral("velmora-builtins");

// The engine's own built-ins the sections are compiled with, by parameter name and where they are found.
const char *const primordials[][2] = {
    {"Object", "Object"}, {"Array", "Array"}, {"String", "String"}, {"Symbol", "Symbol"},
    {"Math", "Math"}, {"Number", "Number"}, {"Boolean", "Boolean"}, {"RegExp", "RegExp"}, {"Reflect", "Reflect"},
    {"Error", "Error"}, {"TypeError", "TypeError"}, {"RangeError", "RangeError"}, {"Map", "Map"}, {"Set", "Set"},
    {"WeakMap", "WeakMap"}, {"WeakSet", "WeakSet"}, {"Date", "Date"},
    {"ArrayBuffer", "ArrayBuffer"}, {"SharedArrayBuffer", "SharedArrayBuffer"}, {"DataView", "DataView"},
    {"Atomics", "Atomics"}, {"Int8Array", "Int8Array"}, {"Uint8Array", "Uint8Array"},
    {"Uint8ClampedArray", "Uint8ClampedArray"}, {"Int16Array", "Int16Array"}, {"Uint16Array", "Uint16Array"},
    {"Int32Array", "Int32Array"}, {"Uint32Array", "Uint32Array"}, {"Float32Array", "Float32Array"},
    {"Float64Array", "Float64Array"}, {"ReflectApply", "Reflect.apply"}, {"defineProperty", "Object.defineProperty"},
    {"getOwnPropertyDescriptor", "Object.getOwnPropertyDescriptor"}, {"getPrototypeOf", "Object.getPrototypeOf"},
    {"hasOwnProperty", "Object.prototype.hasOwnProperty"}};

// A word a section waits for, and whether it must be seen as a property (after a dot, in a string, before a colon).
struct Trigger
{
    int word;
    bool asProperty;
};

// One section of the library source: the words that make it install (every trigger of one group) and the sections
// it needs installed before it.
struct Section
{
    QString name;
    QString body;
    std::vector<std::vector<Trigger>> groups;
    std::vector<int> needs;
    std::vector<bool> uses; // which of the primordials its text names
};

struct Library
{
    std::vector<Section> sections; // in the order of the file, each after the ones it needs
    std::vector<std::u16string> words;
    std::unordered_map<std::u16string_view, int> wordIds;
    int escapedSlash = -1;         // the word "\/"
    std::array<std::array<bool, 128>, 128> ends{}; // by first and last letter: could a word be the library's
    int shortest = 1000;
    int longest = 0;

    // Builds the lookup of the words collected.
    void index()
    {
        for (std::size_t i = 0; i < words.size(); ++i) {
            const std::u16string &word = words[i];
            if (word == u"\\/") {
                escapedSlash = int(i);
                continue;
            }
            wordIds.emplace(std::u16string_view(word), int(i));
            ends[word.front() & 127][word.back() & 127] = true;
            shortest = std::min(shortest, int(word.size()));
            longest = std::max(longest, int(word.size()));
        }
    }

    int wordId(const QString &word)
    {
        const std::u16string key(reinterpret_cast<const char16_t *>(word.utf16()), std::size_t(word.size()));
        for (std::size_t i = 0; i < words.size(); ++i)
            if (words[i] == key)
                return int(i);
        words.push_back(key);
        return int(words.size() - 1);
    }
};

// What each character is to the scan: part of a word, the start of something to look at (a backslash, a quote, a
// slash, a line end), or nothing. A table over all of UTF-16, so the scan's inner loop is one load per character.
enum : unsigned char { Other, Word, Special };

constexpr std::array<unsigned char, 65536> characterKinds = [] {
    std::array<unsigned char, 65536> table{};
    for (int c = 'a'; c <= 'z'; ++c)
        table[std::size_t(c)] = table[std::size_t(c - 'a' + 'A')] = Word;
    for (int c = '0'; c <= '9'; ++c)
        table[std::size_t(c)] = Word;
    table['_'] = table['$'] = Word;
    table['\\'] = table['\''] = table['"'] = table['`'] = table['/'] = table['\n'] = Special;
    table[0] = Special; // ends the runs the scan skips: QString's text ends in a NUL
    return table;
}();

bool isSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

// The library's words a text holds outside comments, and which of them it holds as a property: after a dot, in a
// string (a computed property name) or before a colon. Regular expressions are not told from code: a quote in one
// makes the rest of its line count as a string, which only finds more.
struct Found
{
    std::vector<bool> anywhere;
    std::vector<bool> asProperty;
};

Found wordsIn(const QString &text, const Library &lib)
{
    Found found{std::vector<bool>(lib.words.size(), false), std::vector<bool>(lib.words.size(), false)};
    const char16_t *data = reinterpret_cast<const char16_t *>(text.utf16());
    const int size = text.size();
    char16_t quote = 0;    // the quote of the string being read, or 0 in code
    bool member = false;   // the string is a property name: o['at']
    for (int i = 0; i < size;) {
        while (characterKinds[data[i]] == Other)
            ++i;
        if (i >= size)
            break;
        const char16_t c = data[i];
        const unsigned char kind = characterKinds[c];
        if (kind == Word) {
            int end = i + 1;
            while (characterKinds[data[end]] == Word)
                ++end;
            const int length = end - i;
            // Most words of a text are none of the library's: the first and last letters rule them out cheaply.
            if (length >= lib.shortest && length <= lib.longest && lib.ends[c & 127][data[end - 1] & 127]) {
                const auto it = lib.wordIds.find(std::u16string_view(data + i, std::size_t(length)));
                if (it != lib.wordIds.end()) {
                    const std::size_t word = std::size_t(it->second);
                    found.anywhere[word] = true;
                    int before = i - 1;
                    while (before >= 0 && isSpace(data[before]))
                        --before;
                    int after = end;
                    while (after < size && isSpace(data[after]))
                        ++after;
                    // A template's substitutions are code, so its words count as code's do.
                    if (quote && quote != u'`' ? member && data[i - 1] == quote && after < size && data[after] == quote
                                               : (before >= 0 && data[before] == u'.') || (after < size && data[after] == u':'))
                        found.asProperty[word] = true;
                }
            }
            i = end;
            continue;
        }
        if (c == u'\\') {
            if (i + 1 < size && data[i + 1] == u'/' && lib.escapedSlash >= 0)
                found.anywhere[std::size_t(lib.escapedSlash)] = true;
            i += 2;
            continue;
        }
        if (quote) {
            if (c == quote || (c == u'\n' && quote != u'`'))
                quote = 0;
        } else if (c == u'\'' || c == u'"' || c == u'`') {
            quote = c;
            // The string is a property name when it stands right after the '[' of a member access.
            int before = i - 1;
            while (before >= 0 && isSpace(data[before]))
                --before;
            member = before > 0 && data[before] == u'[';
            if (member) {
                int owner = before - 1;
                while (owner >= 0 && isSpace(data[owner]))
                    --owner;
                member = owner >= 0 && (characterKinds[data[owner]] == Word || data[owner] == u')' || data[owner] == u']');
            }
        } else if (c == u'/' && i + 1 < size && data[i + 1] == u'/') {
            while (i < size && data[i] != u'\n')
                ++i;
            continue;
        } else if (c == u'/' && i + 1 < size && data[i + 1] == u'*') {
            i += 2;
            while (i + 1 < size && !(data[i] == u'*' && data[i + 1] == u'/'))
                ++i;
            i += 2;
            continue;
        }
        ++i;
    }
    return found;
}

// The primordials' names as a word table, each word's id its index in primordials.
const Library &primordialWords()
{
    static const std::unique_ptr<Library> names = [] {
        auto lib = std::make_unique<Library>();
        for (const auto &primordial : primordials)
            lib->wordId(QLatin1String(primordial[0]));
        lib->index();
        return lib;
    }();
    return *names;
}

// Parses the resource once per process: "//@ name : words < needs" starts a section.
const Library &library()
{
    static const std::unique_ptr<Library> parsed = [] {
        registerLibraryResource();
        auto lib = std::make_unique<Library>();
        QFile resource(QStringLiteral(":/hex/res/builtins.js"));
        const QString source = resource.open(QIODevice::ReadOnly) ? Utf8Text::decode(resource.readAll()) : QString();
        std::vector<QStringList> needNames;
        QStringList body;
        const auto close = [&] {
            if (!lib->sections.empty())
                lib->sections.back().body = body.join(QLatin1Char('\n'));
            body.clear();
        };
        for (const QString &line : source.split(QLatin1Char('\n'))) {
            if (!line.startsWith(QLatin1String("//@ "))) {
                body.append(line);
                continue;
            }
            close();
            const QString header = line.mid(4);
            const QString name = header.section(QLatin1Char(':'), 0, 0).section(QLatin1Char('<'), 0, 0).trimmed();
            const QString triggers = header.contains(QLatin1Char(':'))
                                         ? header.section(QLatin1Char(':'), 1).section(QLatin1Char('<'), 0, 0)
                                         : QString();
            lib->sections.emplace_back();
            Section &section = lib->sections.back();
            section.name = name;
            for (const QString &group : triggers.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                std::vector<Trigger> all;
                for (const QString &word : group.split(QLatin1Char('+'))) {
                    const bool asProperty = word.startsWith(QLatin1Char('.'));
                    all.push_back({lib->wordId(asProperty ? word.mid(1) : word), asProperty});
                }
                section.groups.push_back(all);
            }
            needNames.push_back(header.contains(QLatin1Char('<'))
                                    ? header.section(QLatin1Char('<'), 1).split(QLatin1Char(' '), Qt::SkipEmptyParts)
                                    : QStringList());
        }
        close();
        for (std::size_t i = 0; i < lib->sections.size(); ++i)
            for (const QString &need : needNames[i])
                for (std::size_t j = 0; j < i; ++j)
                    if (lib->sections[j].name == need)
                        lib->sections[i].needs.push_back(int(j));
        lib->index();
        // A compile pays for every parameter of the function around the sections: each batch gets only the
        // built-ins its sections name.
        for (Section &section : lib->sections) {
            const Found named = wordsIn(section.body, primordialWords());
            section.uses = named.anywhere;
        }
        return lib;
    }();
    return *parsed;
}

} // namespace

BuiltinLibrary::BuiltinLibrary(QJSEngine *engine) : engine(engine)
{
    const Library &lib = library();
    installed.assign(lib.sections.size(), false);
    remaining = int(lib.sections.size());
    // Only property reads now: compiling waits until a text needs something.
    kit = engine->newObject();
    const QJSValue global = engine->globalObject();
    for (const auto &primordial : primordials) {
        QJSValue value = global;
        for (const QString &part : QString::fromLatin1(primordial[1]).split(QLatin1Char('.')))
            value = value.property(part);
        values.append(value);
    }
}

void BuiltinLibrary::prepareFor(const QString &text)
{
    if (remaining == 0)
        return;
    const Library &lib = library();
    const Found found = wordsIn(text, lib);
    std::vector<bool> wanted(lib.sections.size(), false);
    bool any = false;
    // Sections come after the ones they need, so one backward pass marks the needs of everything wanted.
    for (std::size_t i = lib.sections.size(); i-- > 1;) {
        const Section &section = lib.sections[i];
        bool want = wanted[i];
        for (std::size_t g = 0; !want && g < section.groups.size(); ++g)
            want = std::all_of(section.groups[g].begin(), section.groups[g].end(), [&found](const Trigger &t) {
                return t.asProperty ? found.asProperty[std::size_t(t.word)] : found.anywhere[std::size_t(t.word)];
            });
        if (!want || installed[i])
            continue;
        wanted[i] = any = true;
        for (int need : section.needs)
            wanted[std::size_t(need)] = true;
    }
    if (!any)
        return;
    // Each section is compiled once for the process, as a function of the built-ins it names (parameters bound
    // to this engine's own), and run in each engine from that: an engine pays no compile.
    static std::vector<std::shared_ptr<const EngineInternals::Compiled>> compiled(lib.sections.size());
    const QJSValue global = engine->globalObject();
    for (std::size_t i = 0; i < lib.sections.size(); ++i) {
        if (!wanted[i] || installed[i])
            continue;
        installed[i] = true;
        --remaining;
        const Section &section = lib.sections[i];
        QString parameters;
        QJSValueList arguments;
        for (std::size_t p = 0; p < section.uses.size(); ++p) {
            if (!section.uses[p])
                continue;
            parameters += (parameters.isEmpty() ? QString() : QStringLiteral(", ")) + QLatin1String(primordials[p][0]);
            arguments.append(values.at(int(p)));
        }
        if (!compiled[i])
            compiled[i] = EngineInternals::compile(engine, QStringLiteral("(function (") + parameters
                                                               + QStringLiteral(") { 'use strict'; return (\n")
                                                               + section.body + QStringLiteral("\n); })"),
                                                   libraryFile);
        if (!compiled[i])
            continue;
        // Each on its own: one that fails (it never should) leaves the others working, and throws nowhere.
        QJSValue make = EngineInternals::run(engine, *compiled[i]);
        QJSValue install = make.isCallable() ? make.call(arguments) : QJSValue();
        if (install.isCallable())
            install.call({kit, global});
    }

    const QJSValue names = kit.property(QStringLiteral("globals"));
    const QJSValue defined = kit.property(QStringLiteral("globalValues"));
    const int total = names.property(QStringLiteral("length")).toInt();
    for (int i = globals.size(); i < total; ++i)
        globals.append({names.property(quint32(i)).toString(), defined.property(quint32(i))});
}

QStringList BuiltinLibrary::globalNames() const
{
    QStringList names;
    for (const auto &global : globals)
        names.append(global.first);
    return names;
}

bool BuiltinLibrary::isLibraryValue(const QString &name, const QJSValue &value) const
{
    for (const auto &global : globals)
        if (global.first == name)
            return global.second.strictlyEquals(value);
    return false;
}

QString BuiltinLibrary::userFrames(const QString &stack)
{
    QStringList frames = stack.split(QLatin1Char('\n'));
    frames.erase(std::remove_if(frames.begin(), frames.end(), [](const QString &frame) {
        const QStringRef place = frame.midRef(frame.indexOf(QLatin1Char('@')) + 1);
        return place.isEmpty() || place.contains(libraryFile + QLatin1Char(':'));
    }), frames.end());
    return frames.join(QLatin1Char('\n'));
}

QStringList BuiltinLibrary::knownWords()
{
    QStringList words;
    for (const std::u16string &word : library().words)
        words.append(QString::fromUtf16(word.data(), int(word.size())));
    return words;
}
