#pragma once

#include "framework/report/report_definition.h"
#include "framework/report/report_text.h"

class QPrinter;

namespace kpv::data {
class TClientDataSet;
}

namespace kpv::report {

// The text of a placeholder for the current record of `records`: money and rate as pt-BR numbers with
// two decimals, dates as dd/MM/yyyy, registration numbers through the mask of their kind of person.
QString FormatReportValue(const data::TClientDataSet& records, const TTextPiece& piece);

// Raises kpv::Error naming the first field the layout uses that the records do not have.
void CheckReportFields(const TReportDefinition& report, const data::TClientDataSet& records);

// Draws every record of `records`, from the first, one page each, with the layout's copies stacked on
// the page, and ends the printer's job. The records' cursor is left on the last record.
void RenderReport(const TReportDefinition& report, data::TClientDataSet& records, QPrinter& printer);

}  // namespace kpv::report
