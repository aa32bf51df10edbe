#include "measure.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace bench {

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double MedianMs(int times, const std::function<void()>& work) {
    std::vector<double> taken;
    for (int i = 0; i < times; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        taken.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    return Median(taken);
}

double ResidentMiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

void Report(const char* name, double value) {
    std::printf("%s %.3f\n", name, value);
    std::fflush(stdout);
}

void ReportText(const char* name, const QString& value) {
    std::printf("%s %s\n", name, value.toUtf8().constData());
    std::fflush(stdout);
}

void Fail(const QString& why) {
    std::fprintf(stderr, "bench: %s\n", why.toUtf8().constData());
    std::exit(1);
}

QCommandLineOption DataOption() {
    return {QStringLiteral("data"), QStringLiteral("Folder that keeps the demo databases."),
            QStringLiteral("folder"), QStringLiteral("bench-data")};
}

void ReadCommandLine(QCommandLineParser& parser, const QString& description,
                     const QList<QCommandLineOption>& options) {
    parser.setApplicationDescription(description);
    parser.addHelpOption();
    parser.addOptions(options);
    parser.process(*QCoreApplication::instance());
}

}  // namespace bench
