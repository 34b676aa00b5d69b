// The benchmark suite: every measured piece of work against a reference measured in the same run, interleaved,
// median of several runs each, printed as one table.
#include "BenchSupport.h"

#include "app/OutputLog.h"
#include "app/RecoveryJournal.h"
#include "app/VelmoraWindow.h"
#include "browser/ObjectTree.h"
#include "browser/ValueDescription.h"
#include "script/BuiltinLibrary.h"
#include "script/IntlLibrary.h"
#include "script/ValueText.h"

#include <Qsci/qsciscintilla.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJSEngine>
#include <QKeyEvent>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>
#include <ctime>

namespace {

using Row = BenchSupport::Row;

int runs = 5;
int corpusRuns = 3;    // fewer: the corpus alone takes most of the suite's time
QString benchDir;      // where the probe programs are
QString beautifyDir;   // node_modules/js-beautify/js/lib
QString corpusList;    // the fetched library files, one path a line (bench/fetch-corpus.sh)

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The installed js-beautify release, as its package names it.
QString beautifyVersion()
{
    QFile file(QDir(beautifyDir).filePath(QStringLiteral("../../package.json")));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("(unknown release)");
    return QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("version")).toString();
}

bool invoke(VelmoraWindow &window, const char *slot)
{
    bool result = false;
    QMetaObject::invokeMethod(&window, slot, Qt::DirectConnection, Q_RETURN_ARG(bool, result));
    return result;
}

void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// Interleaves runs of mine and of the reference and returns both medians.
std::pair<double, double> interleave(const std::function<double()> &mine, const std::function<double()> &reference)
{
    std::vector<double> a, b;
    for (int i = 0; i < runs; ++i) {
        a.push_back(mine());
        if (reference)
            b.push_back(reference());
    }
    return {BenchSupport::median(a), reference ? BenchSupport::median(b) : -1};
}

Row ratioRow(const QString &work, std::pair<double, double> medians, double targetRatio, const QString &note = {})
{
    Row row;
    row.work = work;
    row.velmora = medians.first;
    row.reference = medians.second;
    row.note = note;
    if (targetRatio > 0) {
        row.target = QStringLiteral("≤ %1×").arg(targetRatio);
        row.pass = row.velmora > 0 && row.reference > 0 && row.velmora <= targetRatio * row.reference;
    } else {
        row.target = QStringLiteral("report");
        row.pass = row.velmora > 0;
    }
    return row;
}

Row limitRow(const QString &work, double median, double limitMs)
{
    Row row;
    row.work = work;
    row.velmora = median;
    row.target = QStringLiteral("< %1 ms").arg(limitMs);
    row.pass = median >= 0 && median < limitMs;
    return row;
}

double probe(const QString &program, const QStringList &arguments, long *rssKib = nullptr)
{
    QString output;
    const double ms = BenchSupport::runProcess(QDir(benchDir).filePath(program), arguments, &output);
    if (rssKib) {
        const int at = output.indexOf(QStringLiteral("peak_rss_kib="));
        *rssKib = at < 0 ? -1 : output.mid(at + 13).trimmed().toLong();
    }
    return ms;
}

void startup(std::vector<Row> &rows)
{
    probe(QStringLiteral("velmora_startup_probe"), {}); // warm the page cache for both
    probe(QStringLiteral("velmora_startup_floor"), {});
    std::vector<double> rssMine, rssFloor;
    const auto medians = interleave(
        [&] {
            long rss = 0;
            const double ms = probe(QStringLiteral("velmora_startup_probe"), {}, &rss);
            rssMine.push_back(rss / 1024.0);
            return ms;
        },
        [&] {
            long rss = 0;
            const double ms = probe(QStringLiteral("velmora_startup_floor"), {}, &rss);
            rssFloor.push_back(rss / 1024.0);
            return ms;
        });
    rows.push_back(ratioRow(QStringLiteral("start-up to window shown (process, offscreen)"), medians, 1.2,
                            QStringLiteral("bare QMainWindow + QsciScintilla")));
    // The menu bar and the dock title buttons make Qt scan and load its image and icon plugins, and the Chinese
    // texts load a CJK fallback font: costs of the widgets themselves, which the next row measures.
    rows.back().explained = QStringLiteral("missed: Qt's own cost of the menu bar, docks and CJK font, see next row");
    probe(QStringLiteral("velmora_startup_widgets"), {});
    const auto sameWidgets = interleave([&] { return probe(QStringLiteral("velmora_startup_probe"), {}); },
                                        [&] { return probe(QStringLiteral("velmora_startup_widgets"), {}); });
    rows.push_back(ratioRow(QStringLiteral("start-up to window shown (process, offscreen)"), sameWidgets, 1.2,
                            QStringLiteral("the same widgets and texts, no workbench code")));
    Row memory = ratioRow(QStringLiteral("peak RSS after start-up"),
                          {BenchSupport::median(rssMine), BenchSupport::median(rssFloor)}, 0,
                          QStringLiteral("bare floor"));
    memory.unit = QStringLiteral("MiB");
    rows.push_back(memory);

    std::vector<double> rssFlood;
    for (int i = 0; i < runs; ++i) {
        long rss = 0;
        probe(QStringLiteral("velmora_startup_probe"), {QStringLiteral("flood")}, &rss);
        rssFlood.push_back(rss / 1024.0);
    }
    Row flood = ratioRow(QStringLiteral("peak RSS after the 100 000-line console flood"),
                         {BenchSupport::median(rssFlood), BenchSupport::median(rssFloor)}, 0, QStringLiteral("bare floor"));
    flood.unit = QStringLiteral("MiB");
    rows.push_back(flood);
}

void outputLog(std::vector<Row> &rows)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QTextBrowser browser;
        browser.resize(700, 200);
        browser.show();
        OutputLog log(&browser);
        times.push_back(BenchSupport::time([&] {
            OutputLog::Batch batch(log);
            for (int line = 0; line < 100000; ++line)
                log.append(OutputLog::Kind::Console, QStringLiteral("Log：%1").arg(line));
        }));
        settle();
    }
    rows.push_back(limitRow(QStringLiteral("output log: append 100 000 lines (console path)"), BenchSupport::median(times), 1500));
}

double compileInWindow(const QString &code, int *lines = nullptr)
{
    VelmoraWindow window;
    window.show();
    settle();
    window.findChild<QsciScintilla *>()->setText(code);
    bool ok = false;
    const double ms = BenchSupport::time([&] { ok = invoke(window, "codeCompile"); });
    if (lines)
        *lines = window.findChild<QTextBrowser *>()->document()->blockCount();
    return ok ? ms : -1;
}

// The crash journal is written before every compile, expression and tree lookup whose text changed.
void journal(std::vector<Row> &rows)
{
    QTemporaryDir dir;
    const QString ordinary = QStringLiteral("function add(a, b) {\n\treturn a + b; // 加法\n}\n").repeated(200);
    const QString large = readText(QDir(beautifyDir).filePath(QStringLiteral("beautify.js")));
    for (const QString &text : {ordinary, large}) {
        RecoveryJournal journal(dir.path());
        std::vector<double> times;
        for (int i = 0; i < runs * 20; ++i) {
            const QString changed = text + QString::number(i);
            times.push_back(BenchSupport::time([&] { journal.save(changed); }));
        }
        rows.push_back(limitRow(QStringLiteral("crash journal: write a changed %1 KB script").arg(text.toUtf8().size() / 1000),
                                BenchSupport::median(times), 1));
    }
}

// Typing into a 50 MB text: each keystroke's own cost with the journal following the edits and with it cut off
// (its connection to the editor removed), and the longest pause between keystrokes, where the journal's timer
// copies the text for its thread. Five seconds of typing each, so the journal is due during each.
void keystrokes(std::vector<Row> &rows)
{
    std::vector<double> medians[2];
    double longestPause[2] = {0, 0};
    for (int round = 0; round < 2 * ((runs + 1) / 2); ++round) {
        const bool journalOn = round % 2 == 0;
        VelmoraWindow window;
        window.show();
        auto *editor = window.findChild<QsciScintilla *>();
        editor->setText(QStringLiteral("var line = 'abcdefghijklmnopqrstuvwxyz0123456789';\n").repeated(1000000));
        if (!journalOn)
            QObject::disconnect(editor, &QsciScintilla::textChanged, nullptr, nullptr);
        QCoreApplication::processEvents();
        std::vector<double> times;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 5000) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
            times.push_back(BenchSupport::time([&] { QCoreApplication::sendEvent(editor, &press); }));
            QThread::msleep(2);
            const double pause = BenchSupport::time([] { QCoreApplication::processEvents(); });
            longestPause[journalOn ? 0 : 1] = qMax(longestPause[journalOn ? 0 : 1], pause);
        }
        medians[journalOn ? 0 : 1].push_back(BenchSupport::median(times));
    }
    rows.push_back(ratioRow(QStringLiteral("keystroke in a 50 MB text, journal on"),
                            {BenchSupport::median(medians[0]), BenchSupport::median(medians[1])}, 1.1,
                            QStringLiteral("the same keystrokes, journal off")));
    rows.push_back(ratioRow(QStringLiteral("longest pause between keystrokes in a 50 MB text, journal on"),
                            {longestPause[0], longestPause[1]}, 0, QStringLiteral("journal off")));
}

void consoleFlood(std::vector<Row> &rows)
{
    const QString script = BenchSupport::floodScript();
    const QString nodeScript = QStringLiteral("const t0 = process.hrtime.bigint(); %1\n"
                                              "process.stderr.write(String(Number(process.hrtime.bigint() - t0) / 1e6));")
                                   .arg(script);
    const auto medians = interleave([&] { return compileInWindow(script); },
                                    BenchSupport::haveNode() ? std::function<double()>([&] { return BenchSupport::runNode(nodeScript); })
                                                             : std::function<double()>());
    rows.push_back(ratioRow(QStringLiteral("console flood: compile printing 100 000 lines"), medians,
                            BenchSupport::haveNode() ? 3 : 0,
                            BenchSupport::haveNode() ? QStringLiteral("node, output to a pipe") : QStringLiteral("node missing")));
}

void compileLargeScript(std::vector<Row> &rows)
{
    const QString path = QDir(beautifyDir).filePath(QStringLiteral("beautify.js"));
    const QString code = readText(path);
    const QString nodeScript = QStringLiteral("const t0 = process.hrtime.bigint(); require(process.argv[1]);\n"
                                              "process.stderr.write(String(Number(process.hrtime.bigint() - t0) / 1e6));");
    const auto medians = interleave([&] { return compileInWindow(code); },
                                    BenchSupport::haveNode() ? std::function<double()>([&] { return BenchSupport::runNode(nodeScript, {path}); })
                                                             : std::function<double()>());
    rows.push_back(ratioRow(QStringLiteral("compile js-beautify's beautify.js (%1 KB)").arg(code.toUtf8().size() / 1000), medians, 0,
                            QStringLiteral("node loading the file")));
}

// A short script of today's syntax, which the engine refuses: the compile lowers it with esbuild first.
void compileModernScript(std::vector<Row> &rows)
{
    const QString code = QStringLiteral(
        "class Account {\n"
        "  static count = 0;\n"
        "  #balance = 0;\n"
        "  owner;\n"
        "  constructor(owner) { this.owner = owner; Account.count++; }\n"
        "  deposit(n) { this.#balance += n ?? 0; return this; }\n"
        "  get balance() { return this.#balance; }\n"
        "  static isAccount(o) { return #balance in o; }\n"
        "}\n"
        "const accounts = ['ann', 'bob', 'cy'].map(name => new Account(name).deposit(10));\n"
        "const byOwner = { ...Object.fromEntries?.([]) };\n"
        "for (const a of accounts) byOwner[a.owner] ?\?= a.balance;\n"
        "const total = accounts.reduce((sum, a) => sum + (a?.balance ?? 0), 0);\n"
        "let limit = 1_000;\n"
        "try { JSON.parse('{'); } catch { limit ||= 0; }\n"
        "async function settle(list) {\n"
        "  for (const a of list) await Promise.resolve(a.deposit(1));\n"
        "  return list.map(a => a.balance);\n"
        "}\n"
        "settle(accounts).then(b => console.log(total, b.join(','), Account.isAccount(accounts[0])));\n");
    const QString nodeScript = QStringLiteral("const t0 = process.hrtime.bigint();\n%1\n"
                                              "process.stderr.write(String(Number(process.hrtime.bigint() - t0) / 1e6));")
                                   .arg(code);
    const auto medians = interleave([&] { return compileInWindow(code); },
                                    BenchSupport::haveNode() ? std::function<double()>([&] { return BenchSupport::runNode(nodeScript); })
                                                             : std::function<double()>());
    Row row = limitRow(QStringLiteral("compile a 20-line script of today's syntax (lowered with esbuild)"), medians.first, 60);
    row.reference = medians.second;
    row.note = QStringLiteral("node running it");
    rows.push_back(row);
}

// The built-in library before a compile: the scan of the text and the pieces it mentions, in the fresh engine each
// compile gets, against the same compile without the library.
void builtins(std::vector<Row> &rows)
{
    const QString path = QDir(beautifyDir).filePath(QStringLiteral("beautify.js"));
    const QString code = readText(path);
    const auto compile = [&code](bool prepared) {
        return BenchSupport::time([&] {
            QJSEngine engine;
            if (prepared) {
                BuiltinLibrary library(&engine);
                library.prepareFor(code);
            }
            engine.evaluate(code);
        });
    };
    // Many short runs: one compile takes a few milliseconds and the difference sought is a tenth of that.
    std::vector<double> mine, bare;
    for (int i = 0; i < runs * 8; ++i) {
        mine.push_back(compile(true));
        bare.push_back(compile(false));
    }
    const QString nodeScript = QStringLiteral("const t0 = process.hrtime.bigint(); require(process.argv[1]);\n"
                                              "process.stderr.write(String(Number(process.hrtime.bigint() - t0) / 1e6));");
    std::vector<double> node;
    for (int i = 0; BenchSupport::haveNode() && i < runs; ++i)
        node.push_back(BenchSupport::runNode(nodeScript, {path}));
    rows.push_back(ratioRow(QStringLiteral("built-in library: prepare and evaluate beautify.js in a fresh engine"),
                            {BenchSupport::median(mine), BenchSupport::median(bare)}, 1.1,
                            node.empty() ? QStringLiteral("the same without the library")
                                         : QStringLiteral("the same without the library; node loading the file: %1 ms")
                                               .arg(BenchSupport::median(node), 0, 'f', 1)));
    const QString everything = QLatin1Char('.') + BuiltinLibrary::knownWords().join(QStringLiteral(" ."));
    std::vector<double> all;
    for (int i = 0; i < runs * 4; ++i)
        all.push_back(BenchSupport::time([&] {
            QJSEngine engine;
            BuiltinLibrary library(&engine);
            library.prepareFor(everything);
        }) - BenchSupport::time([] { QJSEngine engine; }));
    rows.push_back(ratioRow(QStringLiteral("built-in library: install every piece in a fresh engine"),
                            {BenchSupport::median(all), -1}, 0));
}

// Intl: what a compile pays for it, against the same compile without it and against node doing the same work.
double compileInFreshEngine(const QString &code, bool withIntl)
{
    return BenchSupport::time([&] {
        QJSEngine engine;
        if (withIntl) {
            IntlLibrary library(&engine);
            library.prepareFor(code);
            engine.evaluate(code);
        } else {
            engine.evaluate(code);
        }
    });
}

void intl(std::vector<Row> &rows)
{
    const QString beautify = readText(QDir(beautifyDir).filePath(QStringLiteral("beautify.js")));
    // The library's whole cost for a text that names nothing of it is its construction and the scan in prepareFor
    // (no script code runs): measured apart over many runs, since two compiles of a few milliseconds each differ by
    // more than that from run to run on a busy machine.
    std::vector<double> compiles, overheads;
    for (int i = 0; i < 25; ++i) {
        compiles.push_back(compileInFreshEngine(beautify, false));
        QJSEngine engine;
        overheads.push_back(BenchSupport::time([&] {
            IntlLibrary library(&engine);
            library.prepareFor(beautify);
        }));
    }
    const double compileMs = BenchSupport::median(compiles);
    rows.push_back(ratioRow(QStringLiteral("compile beautify.js in a fresh engine, with IntlLibrary prepared"),
                            {compileMs + BenchSupport::median(overheads), compileMs}, 1.05,
                            QStringLiteral("the same compile without it; the library's part measured apart, median of 25")));

    const bool node = BenchSupport::haveNode();
    const auto timed = [](const QString &work) {
        return QStringLiteral("const t0 = process.hrtime.bigint(); %1\n"
                              "process.stderr.write(String(Number(process.hrtime.bigint() - t0) / 1e6));").arg(work);
    };
    const struct
    {
        QString work;
        QString setup;
        QString loop;
    } cases[] = {
        {QStringLiteral("Intl.NumberFormat"), QStringLiteral("var f = new Intl.NumberFormat('de-DE', {style: 'currency', currency: 'EUR'}); f.format(1234.5);"),
         QStringLiteral("for (var i = 0; i < 10000; i++) f.format(i * 1.25);")},
        {QStringLiteral("Intl.DateTimeFormat"), QStringLiteral("var f = new Intl.DateTimeFormat('zh-CN', {dateStyle: 'full', timeStyle: 'long'}); f.format(0);"),
         QStringLiteral("for (var i = 0; i < 10000; i++) f.format(i * 86400000);")},
    };
    for (const auto &c : cases) {
        // The first formatter of a compile: installing Intl in the fresh engine, making the formatter, one format.
        const auto first = interleave(
            [&] { return compileInFreshEngine(c.setup, true); },
            node ? std::function<double()>([&] { return BenchSupport::runNode(timed(c.setup)); }) : std::function<double()>());
        rows.push_back(ratioRow(QStringLiteral("first %1 of a compile, one format").arg(c.work), first, 0,
                                node ? QStringLiteral("node, first in its process") : QStringLiteral("node missing")));
        // Formatting itself: 10 000 calls on one formatter.
        QJSEngine engine;
        IntlLibrary library(&engine);
        library.prepareFor(c.setup);
        engine.evaluate(c.setup);
        const auto many = interleave(
            [&] { return BenchSupport::time([&] { engine.evaluate(c.loop); }); },
            node ? std::function<double()>([&] { return BenchSupport::runNode(c.setup + timed(c.loop)); }) : std::function<double()>());
        rows.push_back(ratioRow(QStringLiteral("10 000 %1 format calls").arg(c.work), many, 0,
                                node ? QStringLiteral("node, same loop") : QStringLiteral("node missing")));
    }
}

void format(std::vector<Row> &rows)
{
    const QString code = readText(QDir(beautifyDir).filePath(QStringLiteral("beautify.js"))) + QLatin1Char('\n')
                         + readText(QDir(beautifyDir).filePath(QStringLiteral("beautify-css.js")));
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("input.js"));
    {
        QFile file(input);
        file.open(QIODevice::WriteOnly);
        file.write(code.toUtf8());
    }
    const QString nodeScript =
        QStringLiteral("const fs = require('fs'); const src = fs.readFileSync(process.argv[1], 'utf8');\n"
                       "const t0 = process.hrtime.bigint();\n"
                       "const out = require(process.argv[2]).js_beautify(src, {indent_size: 1, indent_char: '\\t'});\n"
                       "process.stderr.write(String(Number(process.hrtime.bigint() - t0) / 1e6));");
    const QString beautify = QDir(beautifyDir).filePath(QStringLiteral("beautify.js"));
    const auto medians = interleave(
        [&] {
            VelmoraWindow window;
            window.findChild<QsciScintilla *>()->setText(code);
            bool ok = false;
            const double ms = BenchSupport::time([&] { ok = invoke(window, "codeFormat"); });
            window.findChild<QsciScintilla *>()->setText(QString());
            return ok ? ms : -1;
        },
        BenchSupport::haveNode() ? std::function<double()>([&] { return BenchSupport::runNode(nodeScript, {input, beautify}); })
                                 : std::function<double()>());
    rows.push_back(ratioRow(QStringLiteral("format %1 KB with js-beautify %2").arg(code.toUtf8().size() / 1000).arg(beautifyVersion()), medians,
                            BenchSupport::haveNode() ? 3 : 0, QStringLiteral("node, same release and options")));
}

// node running js-beautify for the corpus, kept running so that its compiler has warmed up on everything formatted
// before: for each file it is asked for, one warm-up call (whose output it writes for the comparison), then three
// timed calls, of which it reports the median (node's calls vary up to threefold with its garbage collector).
class NodeBeautifier
{
public:
    explicit NodeBeautifier(const QString &beautify)
    {
        const QString script = QStringLiteral(
            "const fs = require('fs'); const readline = require('readline');\n"
            "const beautify = require(process.argv[1]).js_beautify;\n"
            "const options = {indent_size: 1, indent_char: '\\t'};\n"
            "readline.createInterface({input: process.stdin}).on('line', (line) => {\n"
            "  const [input, output] = line.split('\\t');\n"
            "  const src = fs.readFileSync(input, 'utf8');\n"
            "  fs.writeFileSync(output, beautify(src, options));\n"
            "  const walls = [], cpus = [];\n"
            "  for (let i = 0; i < 3; i++) {\n"
            "    const c0 = process.cpuUsage(); const t0 = process.hrtime.bigint();\n"
            "    beautify(src, options);\n"
            "    walls.push(Number(process.hrtime.bigint() - t0) / 1e6);\n"
            "    const cpu = process.cpuUsage(c0); cpus.push((cpu.user + cpu.system) / 1e3);\n"
            "  }\n"
            "  const middle = (values) => values.sort((a, b) => a - b)[1];\n"
            "  process.stdout.write(middle(walls) + ' ' + middle(cpus) + '\\n');\n"
            "});");
        process.start(BenchSupport::nodeProgram(), {QStringLiteral("-e"), script, QStringLiteral("--"), beautify});
        process.waitForStarted();
    }
    ~NodeBeautifier()
    {
        process.closeWriteChannel();
        if (!process.waitForFinished(5000))
            process.kill();
        process.waitForFinished();
    }

    // Milliseconds of the timed calls, wall clock and CPU time of all of node's threads; negative when node failed.
    std::pair<double, double> format(const QString &input, const QString &output)
    {
        process.write((input + QLatin1Char('\t') + output + QLatin1Char('\n')).toUtf8());
        while (!process.canReadLine()) {
            if (process.state() != QProcess::Running || !process.waitForReadyRead(120000))
                return {-1, -1};
        }
        const QStringList values = QString::fromUtf8(process.readLine()).trimmed().split(QLatin1Char(' '));
        bool wallOk = false, cpuOk = false;
        const double wall = values.value(0).toDouble(&wallOk);
        const double cpu = values.value(1).toDouble(&cpuOk);
        return wallOk && cpuOk ? std::make_pair(wall, cpu) : std::make_pair(-1.0, -1.0);
    }

private:
    QProcess process;
};

// CPU time of this process so far (all threads), in milliseconds.
double processCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

void idle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Real library files, formatted through the window's command on an idle window (its formatter's engine prepared,
// as when the user presses Ctrl+P), against node's warm js-beautify call on the same text, interleaved file by file;
// and the two outputs compared byte for byte.
void corpus(std::vector<Row> &rows)
{
    QStringList files;
    {
        QFile list(corpusList);
        if (!corpusList.isEmpty() && list.open(QIODevice::ReadOnly))
            files = QString::fromUtf8(list.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    Row summary;
    summary.work = QStringLiteral("format the library corpus: median of the per-file ratios");
    summary.target = QStringLiteral("≤ 4×");
    if (files.size() < 10 || !BenchSupport::haveNode()) {
        summary.pass = false;
        summary.velmora = -1;
        summary.note = files.size() < 10 ? QStringLiteral("corpus not fetched: %1 files").arg(files.size())
                                         : QStringLiteral("node missing");
        rows.push_back(summary);
        return;
    }
    QTemporaryDir dir;
    const QString nodeOutput = dir.filePath(QStringLiteral("node-output.js"));
    NodeBeautifier node(QDir(beautifyDir).filePath(QStringLiteral("beautify.js")));

    VelmoraWindow window;
    window.show();
    settle();
    // The formatter prepares its first engine a second after start-up, and each next one right after a format.
    idle(1500);

    std::vector<double> ratios, cpuRatios, mine, theirs;
    int differing = 0;
    for (const QString &path : files) {
        const QString code = readText(path);
        QString formatted;
        bool identical = true;
        std::vector<double> a, b, aCpu, bCpu;
        for (int i = 0; i < corpusRuns; ++i) {
            window.findChild<QsciScintilla *>()->setText(code);
            settle(); // runs the formatter's pending prepare(), as an idle window would
            bool ok = false;
            const double cpu0 = processCpuMs();
            const double ms = BenchSupport::time([&] { ok = invoke(window, "codeFormat"); });
            aCpu.push_back(ok ? processCpuMs() - cpu0 : -1);
            a.push_back(ok ? ms : -1);
            formatted = ok ? window.findChild<QsciScintilla *>()->text() : QString();
            window.findChild<QsciScintilla *>()->setText(QString());
            settle();
            QFile::remove(nodeOutput);
            const std::pair<double, double> reference = node.format(path, nodeOutput);
            b.push_back(reference.first);
            bCpu.push_back(reference.second);
            identical = identical && ok && formatted == readText(nodeOutput);
        }
        differing += identical ? 0 : 1;
        const double cpuRatio = BenchSupport::median(aCpu) / BenchSupport::median(bCpu);
        Row row = ratioRow(QStringLiteral("format %1 (%2 KB)").arg(QFileInfo(path).fileName()).arg(code.toUtf8().size() / 1000),
                           {BenchSupport::median(a), BenchSupport::median(b)}, 0,
                           QStringLiteral("node, warm; %1; CPU time %2×")
                               .arg(identical ? QStringLiteral("same output") : QStringLiteral("OUTPUT DIFFERS"))
                               .arg(cpuRatio, 0, 'f', 2));
        row.target = QStringLiteral("same output as node");
        row.pass = identical && row.velmora > 0 && row.reference > 0;
        rows.push_back(row);
        if (row.velmora > 0 && row.reference > 0) {
            ratios.push_back(row.velmora / row.reference);
            cpuRatios.push_back(cpuRatio);
            mine.push_back(row.velmora);
            theirs.push_back(row.reference);
        }
    }
    summary.velmora = BenchSupport::median(mine);
    summary.reference = BenchSupport::median(theirs);
    summary.ratio = BenchSupport::median(ratios);
    summary.note = QStringLiteral("node; %1 files, %2 with different output; CPU time %3×")
                       .arg(files.size())
                       .arg(differing)
                       .arg(BenchSupport::median(cpuRatios), 0, 'f', 2);
    summary.pass = int(ratios.size()) == files.size() && summary.ratio <= 4;
    rows.push_back(summary);
}

void valueTexts(std::vector<Row> &rows)
{
    QJSEngine engine;
    const QJSValue array = engine.evaluate(QStringLiteral("var a = []; for (var i = 0; i < 1000000; i++) a.push(i); a"));
    const QJSValue object = engine.evaluate(QStringLiteral("var o = {}; for (var i = 0; i < 10000; i++) o['p' + i] = i; o"));
    // Reference: the engine's own join of what the text lists, in the same process.
    QJSValue join = engine.evaluate(QStringLiteral("(function (a) { return a.slice(0, 10000).join(' ,'); })"));
    const auto arrayMedians = interleave([&] { return BenchSupport::time([&] { valueText(array); }); },
                                         [&] { return BenchSupport::time([&] { join.call({array}); }); });
    rows.push_back(ratioRow(QStringLiteral("value text of a 1 000 000-element array"), arrayMedians, 0,
                            QStringLiteral("engine's join of the listed part")));
    QJSValue keys = engine.evaluate(QStringLiteral("(function (o) { return Object.keys(o).map(function (k) { return k + ': ' + o[k]; }).join(' ,'); })"));
    const auto objectMedians = interleave([&] { return BenchSupport::time([&] { valueText(object); }); },
                                          [&] { return BenchSupport::time([&] { keys.call({object}); }); });
    rows.push_back(ratioRow(QStringLiteral("value text of a 10 000-property object"), objectMedians, 0,
                            QStringLiteral("engine's own key/value join")));
}

void tree(std::vector<Row> &rows)
{
    QString script;
    for (int i = 0; i < 10000; ++i)
        script += QStringLiteral("var g%1 = %1;\n").arg(i);
    script += QStringLiteral("var big = {}; for (var i = 0; i < 10000; i++) big['k' + i] = i;");
    std::vector<double> fills, expands;
    for (int i = 0; i < runs; ++i) {
        VelmoraWindow window;
        window.show();
        window.findChild<QsciScintilla *>()->setText(script);
        if (!invoke(window, "codeCompile"))
            return;
        // The fill that the compile ran, again on the emptied tree.
        QTreeWidget *objects = window.findChild<QTreeWidget *>();
        objects->clear();
        settle();
        const ValueDescription description(window.findChild<QJSEngine *>());
        fills.push_back(BenchSupport::time(
            [&] { ObjectTree::fill(objects, window.findChild<QJSEngine *>()->globalObject(), description); }));
        QTreeWidgetItem *big = objects->findItems(QStringLiteral("big"), Qt::MatchExactly).value(0);
        if (!big)
            return;
        // The double-click handler, as the view calls it.
        expands.push_back(BenchSupport::time([&] { emit objects->itemDoubleClicked(big, 0); }));
        if (big->childCount() != 10000)
            expands.back() = -1;
        settle();
    }
    rows.push_back(limitRow(QStringLiteral("tree fill after compiling 10 000 globals"), BenchSupport::median(fills), 1000));
    rows.push_back(limitRow(QStringLiteral("double-click an object of 10 000 properties"), BenchSupport::median(expands), 1000));
}

void configuration(std::vector<Row> &rows)
{
    const QString previous = QDir::currentPath();
    QTemporaryDir empty, apis, huge;
    {
        QFile file(apis.filePath(QStringLiteral("apis.xml")));
        file.open(QIODevice::WriteOnly);
        file.write("<apis><function>\n");
        for (int i = 0; i < 10000; ++i)
            file.write(QStringLiteral("<e>function%1(first, second)</e>\n").arg(i).toUtf8());
        file.write("</function></apis>\n");
    }
    {
        QFile file(huge.filePath(QStringLiteral("conf.xml")));
        file.open(QIODevice::WriteOnly);
        file.write("<conf><font type=\"system\">");
        const QByteArray chunk(1 << 20, 'x');
        for (int i = 0; i < 50; ++i)
            file.write(chunk);
        file.write("</font></conf>");
    }
    const auto construct = [](const QString &dir) {
        QDir::setCurrent(dir);
        return BenchSupport::time([] { VelmoraWindow window; });
    };
    rows.push_back(ratioRow(QStringLiteral("window set-up with a 10 000-entry apis.xml"),
                            interleave([&] { return construct(apis.path()); }, [&] { return construct(empty.path()); }), 0,
                            QStringLiteral("no configuration files")));
    rows.push_back(ratioRow(QStringLiteral("window set-up with a 50 MB conf.xml"),
                            interleave([&] { return construct(huge.path()); }, [&] { return construct(empty.path()); }), 0,
                            QStringLiteral("no configuration files")));
    QDir::setCurrent(previous);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    benchDir = QCoreApplication::applicationDirPath();
    beautifyDir = QStringLiteral(VELMORA_BEAUTIFY_DIR);
    if (args.contains(QStringLiteral("--quick")))
        runs = 3;
    const int corpusRunsAt = args.indexOf(QStringLiteral("--corpus-runs"));
    if (corpusRunsAt > 0)
        corpusRuns = qMax(1, args.value(corpusRunsAt + 1).toInt());
    const int corpusAt = args.indexOf(QStringLiteral("--corpus"));
    if (corpusAt > 0)
        corpusList = args.value(corpusAt + 1);
    // --only a,b: just those cases (by the names below), for working on one of them.
    const int onlyAt = args.indexOf(QStringLiteral("--only"));
    const QStringList only = onlyAt > 0 ? args.value(onlyAt + 1).split(QLatin1Char(',')) : QStringList();

    QFile cpu(QStringLiteral("/proc/cpuinfo"));
    QString model;
    if (cpu.open(QIODevice::ReadOnly)) {
        const QString info = QString::fromLatin1(cpu.readAll());
        const int at = info.indexOf(QStringLiteral("model name"));
        if (at >= 0)
            model = info.mid(at).section(QLatin1Char(':'), 1, 1).section(QLatin1Char('\n'), 0, 0).trimmed();
    }
    const QString machine = QStringLiteral("Machine: %1, %2 cores, %3; Qt %4; median of %5 interleaved runs each (the corpus: %6)")
                                .arg(model.isEmpty() ? QSysInfo::currentCpuArchitecture() : model)
                                .arg(QThread::idealThreadCount())
                                .arg(QSysInfo::prettyProductName(), QString::fromLatin1(qVersion()))
                                .arg(runs)
                                .arg(corpusRuns);

    std::vector<Row> rows;
    const std::vector<std::pair<const char *, void (*)(std::vector<Row> &)>> cases = {
        {"start-up", startup}, {"output log", outputLog}, {"crash journal", journal}, {"keystrokes", keystrokes},
        {"console flood", consoleFlood}, {"compile", compileLargeScript}, {"built-ins", builtins}, {"intl", intl},
        {"modern", compileModernScript}, {"format", format}, {"corpus", corpus}, {"value text", valueTexts},
        {"object tree", tree}, {"configuration", configuration}};
    for (const auto &entry : cases) {
        if (!only.isEmpty() && !only.contains(QString::fromLatin1(entry.first)))
            continue;
        std::fprintf(stderr, "[bench] %s...\n", entry.first);
        entry.second(rows);
    }
    BenchSupport::print(rows, machine);
    bool pass = true;
    for (const Row &row : rows)
        pass = pass && (row.pass || !row.explained.isEmpty());
    return pass ? 0 : 1;
}
