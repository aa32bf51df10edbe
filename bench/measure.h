#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QList>
#include <QString>

#include <functional>
#include <vector>

// Timing and memory as the benchmarks report them.
namespace bench {

// Milliseconds taken by `work`, `times` times over, and their median.
double MedianMs(int times, const std::function<void()>& work);
double Median(std::vector<double> values);

// The process's resident memory (VmRSS of /proc/self/status), in MiB.
double ResidentMiB();

// One figure for scripts/bench.sh: "name value".
void Report(const char* name, double value);
void ReportText(const char* name, const QString& value);

// Ends the benchmark with a message on standard error and exit status 1.
[[noreturn]] void Fail(const QString& why);

// The folder that keeps the demo databases between runs, which every benchmark takes: --data.
QCommandLineOption DataOption();
// Reads the command line with `options`; --help prints `description` and the options and exits, and an
// unknown option ends the benchmark with Qt's message.
void ReadCommandLine(QCommandLineParser& parser, const QString& description,
                     const QList<QCommandLineOption>& options);

}  // namespace bench
