#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// Shared pieces of the benchmarks: timing, medians, the reference runs with node, and the result table.
class BenchSupport
{
public:
    // The console flood: 100 000 console.log calls.
    static QString floodScript();
    // Peak resident memory of this process so far (VmHWM), in KiB.
    static long peakRssKib();

    static double median(std::vector<double> values);
    // Milliseconds taken by work.
    static double time(const std::function<void()> &work);

    // Runs a program to its end; returns its wall-clock milliseconds, or a negative number when it failed.
    // Its standard output is captured into *output when given.
    static double runProcess(const QString &program, const QStringList &arguments, QString *output = nullptr,
                             const QString &standardInputFile = QString());
    // Runs a node script (given as text) that prints the milliseconds of the measured work as the last line of
    // its standard error; returns them, or a negative number when node is missing or failed.
    static double runNode(const QString &script, const QStringList &arguments = {});
    static bool haveNode();
    // The node the benchmarks compare with: npm's pinned release, or the system's where that is missing.
    static QString nodeProgram();

    struct Row
    {
        QString work;
        double velmora = 0;    // milliseconds, or MiB for memory rows
        double reference = -1; // same unit; negative when there is no reference
        QString target;        // "≤ 3×", "< 1000 ms", "report"
        bool pass = true;
        QString unit = QStringLiteral("ms");
        QString note;
        QString explained; // why a missed target cannot be met, shown instead of FAIL
        double ratio = -1; // shown instead of velmora / reference when set (a median of per-item ratios)
    };
    static void print(const std::vector<Row> &rows, const QString &machine);
};
