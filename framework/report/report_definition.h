#pragma once

#include <QList>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <QStringList>

#include <optional>

namespace kpv::report {

// One element of a report layout, positioned in millimetres from the top-left corner of its copy.
struct TReportItem {
    enum class Kind { Text, Box, Line };
    Kind kind = Kind::Text;
    double x = 0, y = 0, w = 0, h = 0;
    QString label;  // small caption above the text, inside the element
    QString text;   // with {FIELD}, {FIELD|format} and {COPY} placeholders
    double fontSize = 9;
    bool bold = false;
    Qt::Alignment align = Qt::AlignLeft;
    bool frame = false;  // a text element drawn inside a rectangle
    bool wrap = false;   // a text element that breaks its lines at the width
};

// How a report's records are laid out: one page per record, repeated once per copy on that page.
struct TReportLayout {
    QPageSize::PageSizeId pageSize = QPageSize::A4;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    double margin = 10;  // millimetres on every side
    QStringList copies;  // the caption of each copy; one unnamed copy when empty
    QList<TReportItem> items;

    // Every field the layout's texts name, in order of first use.
    QStringList FieldNames() const;
};

// One report a screen can print: its title, its query (generic and per-database texts) and its layout.
struct TReportDefinition {
    QString title;
    QStringList SQL;
    QStringList SQL_IB;
    QStringList SQL_SQLITE;
    QStringList SQL_ORACLE;
    QStringList SQL_MSSQL;
    TReportLayout layout;
    // The name of the PDF a print writes where there is no printer, with {FIELD} placeholders filled from
    // the first record; empty: the report code and the parameter values.
    QString fileName;

    // Every field the layout and the file name use, in order of first use.
    QStringList FieldNames() const;
};

// The file that defines the reports of a report code.
QString ReportFileName(const QString& folder, const QString& reportCode);

// The reports of `reportCode` defined in `folder`, or nothing when the folder holds no definition file
// for it. A file that cannot be read or does not follow the format raises kpv::Error naming it.
std::optional<QList<TReportDefinition>> LoadReportDefinitions(const QString& folder,
                                                              const QString& reportCode);

}  // namespace kpv::report
