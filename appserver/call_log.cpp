#include "appserver/call_log.h"

#include <QDateTime>
#include <QRandomGenerator>

namespace kpv::server {

void CallLog::write(const QString& peer, const QString& method, double milliseconds, const QString& outcome) {
    note(QStringLiteral("%1 %2 %3 ms %4").arg(peer, method).arg(milliseconds, 0, 'f', 1).arg(outcome));
}

void CallLog::note(const QString& text) {
    const QByteArray line =
        (QDateTime::currentDateTime().toString(Qt::ISODateWithMs) + QLatin1Char(' ') + text).toUtf8();
    const std::lock_guard lock(mutex_);
    std::fprintf(stream_, "%s\n", line.constData());
    std::fflush(stream_);
}

QString NewErrorId() {
    return QStringLiteral("%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
}

}  // namespace kpv::server
