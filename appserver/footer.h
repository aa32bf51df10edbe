#pragma once

#include <QDate>
#include <QString>

namespace kpv::server {

constexpr int kFooterSize = 76;

// DADOSRODAPE of an invoice row: its operation type and, while its RPS is issued and not yet converted,
// the date by which it must become an NFS-e (or that the date has passed). Never longer than kFooterSize:
// the type's name gives way first, cut with an ellipsis.
QString InvoiceFooter(const QString& operationKey, const QString& operationName, const QString& idEmissaoRps,
                      const QDate& conversionDeadline, const QDate& today);

}  // namespace kpv::server
