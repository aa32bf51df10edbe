#include "framework/report/report_renderer.h"

#include "framework/core/errors.h"
#include "framework/data/client_data_set.h"
#include "framework/data/display_format.h"
#include "framework/text/edit_mask.h"
#include "framework/text/registration.h"

#include <QPainter>
#include <QPrinter>

namespace kpv::report {

namespace {

const QString kMoneyFormat = QStringLiteral("###,##0.00");
const QString kRateFormat = QStringLiteral("##0.00");

// Millimetres to the printer's device pixels.
class PageScale {
  public:
    explicit PageScale(const QPrinter& printer) : dotsPerMm_(printer.resolution() / 25.4) {}
    double operator()(double mm) const { return mm * dotsPerMm_; }
    QRectF rect(double x, double y, double w, double h) const {
        return {(*this)(x), (*this)(y), (*this)(w), (*this)(h)};
    }

  private:
    double dotsPerMm_;
};

QString fill(const QString& text, const data::TClientDataSet& records, const QString& copy) {
    QString result;
    for (const TTextPiece& piece : ParseReportText(text)) {
        if (!piece.placeholder)
            result += piece.text;
        else if (piece.text == kCopyPlaceholder)
            result += copy;
        else
            result += FormatReportValue(records, piece);
    }
    return result;
}

void drawText(QPainter& painter, const PageScale& mm, const TReportItem& it, const QRectF& area,
              const QString& value) {
    QRectF inner = area.adjusted(mm(1), mm(0.5), -mm(1), -mm(0.5));
    if (!it.label.isEmpty()) {
        QFont caption = painter.font();
        caption.setPointSizeF(6.5);
        caption.setBold(false);
        painter.setFont(caption);
        painter.drawText(inner, Qt::AlignLeft | Qt::AlignTop, it.label);
        inner.setTop(inner.top() + QFontMetricsF(caption, painter.device()).height());
    }
    QFont font = painter.font();
    font.setPointSizeF(it.fontSize);
    font.setBold(it.bold);
    painter.setFont(font);
    const int vertical = it.label.isEmpty() && !it.wrap ? Qt::AlignVCenter : Qt::AlignTop;
    painter.drawText(inner, int(it.align) | vertical | (it.wrap ? Qt::TextWordWrap : 0), value);
}

void drawCopy(QPainter& painter, const PageScale& mm, const TReportLayout& layout,
              const data::TClientDataSet& records, const QString& copy, double top) {
    for (const TReportItem& it : layout.items) {
        const QRectF area = mm.rect(it.x, top + it.y, it.w, it.h);
        painter.setPen(QPen(Qt::black, mm(0.25)));
        switch (it.kind) {
            case TReportItem::Kind::Box:
                painter.drawRect(area);
                break;
            case TReportItem::Kind::Line:
                painter.drawLine(area.topLeft(), area.bottomRight());
                break;
            case TReportItem::Kind::Text:
                if (it.frame) painter.drawRect(area);
                drawText(painter, mm, it, area, fill(it.text, records, copy));
                break;
        }
    }
}

}  // namespace

QString FormatReportValue(const data::TClientDataSet& records, const TTextPiece& piece) {
    const data::TField* field = records.FieldByName(piece.text);
    if (field->IsNull()) return {};
    if (piece.format == QLatin1String("money")) return data::FormatFloat(kMoneyFormat, field->AsFloat());
    if (piece.format == QLatin1String("rate")) return data::FormatFloat(kRateFormat, field->AsFloat());
    if (piece.format == QLatin1String("date"))
        return field->AsDateTime().date().toString(QStringLiteral("dd/MM/yyyy"));
    if (piece.format == QLatin1String("pess"))
        return FormatMaskText(PictPess(records.FieldByName(piece.argument)->AsString()), field->AsString());
    return field->AsString();
}

void CheckReportFields(const TReportDefinition& report, const data::TClientDataSet& records) {
    for (const QString& name : report.FieldNames()) {
        if (!records.FindField(name))
            throw Error(QStringLiteral("O relatório '%1' usa o campo '%2', que sua consulta não retorna.")
                            .arg(report.title, name));
    }
}

void RenderReport(const TReportDefinition& report, data::TClientDataSet& records, QPrinter& printer) {
    CheckReportFields(report, records);
    const TReportLayout& layout = report.layout;
    printer.setPageSize(QPageSize(layout.pageSize));
    printer.setPageOrientation(layout.orientation);
    printer.setPageMargins(QMarginsF(layout.margin, layout.margin, layout.margin, layout.margin),
                           QPageLayout::Millimeter);
    printer.setDocName(report.title);

    QPainter painter;
    if (!painter.begin(&printer)) {
        const QString target =
            printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
        throw Error(QStringLiteral("Não foi possível iniciar a impressão do relatório '%1' em '%2'.")
                        .arg(report.title, target));
    }
    const PageScale mm(printer);
    const QStringList copies = layout.copies.isEmpty() ? QStringList{QString()} : layout.copies;
    const double pageHeight = printer.pageLayout().paintRect(QPageLayout::Millimeter).height();
    const double copyHeight = pageHeight / copies.size();
    const double pageWidth = printer.pageLayout().paintRect(QPageLayout::Millimeter).width();

    bool firstPage = true;
    for (records.First(); !records.Eof(); records.Next()) {
        if (!firstPage) printer.newPage();
        firstPage = false;
        for (qsizetype c = 0; c < copies.size(); ++c) {
            const double top = c * copyHeight;
            if (c > 0) {
                // Where the copies are cut apart.
                painter.setPen(QPen(Qt::black, mm(0.2), Qt::DashLine));
                painter.drawLine(QPointF(0, mm(top - 2)), QPointF(mm(pageWidth), mm(top - 2)));
            }
            drawCopy(painter, mm, layout, records, copies[c], top);
        }
    }
    painter.end();
}

}  // namespace kpv::report
