#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

// Dates and times as the layout writes them: "2026-03-10" and "2026-03-10T14:30:00-03:00", to the second.
namespace kpv::nfse {

QString LayoutDate(const QDate& date);
// The wall-clock time at the value's own UTC offset, and that offset; empty for an invalid value.
QString LayoutDateTime(const QDateTime& dateTime);

QDate ParseLayoutDate(const QString& text);
// A value with the text's offset (Qt::OffsetFromUTC); invalid when the text is not such a time.
QDateTime ParseLayoutDateTime(const QString& text);

}  // namespace kpv::nfse
