#include "framework/report/report_output.h"

#include "framework/data/client_data_set.h"
#include "framework/data/field.h"
#include "framework/report/report_text.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace kpv::report {

namespace {

// Letters, digits and dashes only, so that a value is safe in a file name.
QString FileNamePart(const QString& value) {
    QString part;
    for (const QChar c : value.trimmed()) part += c.isLetterOrNumber() || c == u'-' ? c : u'_';
    return part;
}

QString OwnName(const TReportDefinition& report, data::TClientDataSet& records) {
    records.First();
    QString name;
    for (const TTextPiece& piece : ParseReportText(report.fileName)) {
        const data::TField* field = piece.placeholder ? records.FindField(piece.text) : nullptr;
        name += piece.placeholder ? FileNamePart(field ? field->AsString() : QString())
                                  : FileNamePart(piece.text);
    }
    return name;
}

QString NameFromParams(const QString& reportCode, const TReportParams& params) {
    QStringList parts{reportCode};
    for (const TReportParam& p : params.Items()) {
        if (!p.AsString().trimmed().isEmpty()) parts.push_back(FileNamePart(p.AsString()));
    }
    if (parts.size() == 1)
        parts.push_back(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_hhmmss")));
    return parts.join(u'_');
}

}  // namespace

QString ReportOutputFile(const QString& folder, const QString& reportCode, const TReportDefinition& report,
                         const TOpenedReport& opened) {
    if (folder.isEmpty()) return {};
    const QString base = report.fileName.isEmpty() ? NameFromParams(reportCode, opened.params)
                                                   : OwnName(report, *opened.query->Query());
    const QDir dir(folder);
    QString file = dir.filePath(base + QStringLiteral(".pdf"));
    for (int n = 2; QFileInfo::exists(file); ++n)
        file = dir.filePath(QStringLiteral("%1-%2.pdf").arg(base).arg(n));
    return file;
}

}  // namespace kpv::report
