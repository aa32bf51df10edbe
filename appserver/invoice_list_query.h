#pragma once

#include "appserver/invoice_filter.h"
#include "db/connection.h"

#include <QString>

#include <vector>

namespace kpv::server {

// The SELECT behind GetNotaFiscal for a filter, and the values it binds in order. Its result columns are
// read by name; the benchmarks run the same text against the engines directly.
struct InvoiceListQuery {
    QString sql;
    std::vector<db::Value> binds;
};

InvoiceListQuery InvoiceListStatement(const InvoiceFilter& filter);

}  // namespace kpv::server
