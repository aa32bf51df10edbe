#include "nfse/layout_time.h"

#include <cstdlib>

namespace kpv::nfse {

QString LayoutDate(const QDate& date) {
    return date.toString(Qt::ISODate);
}

QString LayoutDateTime(const QDateTime& dateTime) {
    if (!dateTime.isValid()) return {};
    const int offset = dateTime.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return dateTime.toOffsetFromUtc(offset).toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")) +
           (offset < 0 ? u'-' : u'+') + QString::number(minutes / 60).rightJustified(2, u'0') + u':' +
           QString::number(minutes % 60).rightJustified(2, u'0');
}

QDate ParseLayoutDate(const QString& text) {
    return QDate::fromString(text, Qt::ISODate);
}

QDateTime ParseLayoutDateTime(const QString& text) {
    return QDateTime::fromString(text, Qt::ISODate);
}

}  // namespace kpv::nfse
