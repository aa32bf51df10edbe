// Ticking invoices in the grid: the tick column's painting, one invoice by double-click or space, all of
// them by the column's title, and the find command.
#include "emission/cli_kpv41000.h"
#include "emission/tick_images.h"
#include "framework/core/routines.h"
#include "framework/data/client_data_set.h"
#include "framework/data/controls_disabled.h"
#include "framework/data/db_grid.h"
#include "framework/data/list_routines.h"
#include "protocol/codes.h"
#include "protocol/invoice_status.h"

namespace Cli_kpv41000 {

using kpv::data::TColumn;
using kpv::data::TControlsDisabled;
using kpv::data::TDataSetState;
using kpv::data::TGridDrawState;
using kpv::protocol::kNao;
using kpv::protocol::kSim;

namespace {
const QString IDCHECK = QStringLiteral("IDCHECK");
}

InvoiceStatus TfrmEmissaoRPS::currentStatus() const {
    return {cdsNotaFiscalIDEMISSAORPS->AsString(), cdsNotaFiscalIDTRANSMISRPS->AsString()};
}

void TfrmEmissaoRPS::dbgPadraoDrawColumnCell(QObject*, const QRect& Rect, int, TColumn* Column,
                                             TGridDrawState) {
    if (cdsNotaFiscal->IsEmpty() || Column->FieldName() != IDCHECK) return;
    QImage bitmap;
    const QString tick = cdsNotaFiscalIDCHECK->AsString();
    if (tick == kSim)
        bitmap = imgCheck->Picture;
    else if (tick == kNao)
        bitmap = imgUncheck->Picture;
    if (currentStatus().greyed()) bitmap = imgGray->Picture;
    kpv::data::TCanvas* canvas = dbgPadrao->Canvas();
    canvas->FillRect(Rect);
    if (bitmap.isNull()) return;
    canvas->BrushCopy(QRect(Rect.left() + 4, Rect.top(), bitmap.width(), Rect.height()), bitmap,
                      QRect(0, 0, bitmap.width(), Rect.height()), QColor(TickTransparentColor));
}

void TfrmEmissaoRPS::dbgPadraoDblClick(QObject*) {
    if (cdsNotaFiscal->IsEmpty() || cdsNotaFiscal->State() != TDataSetState::dsBrowse) return;
    const InvoiceStatus status = currentStatus();
    if (status.eligible()) {
        const TField* selected = dbgPadrao->SelectedField();
        if (!selected || selected->FieldName() != IDCHECK) return;
        const bool ticked = cdsNotaFiscalIDCHECK->AsString() != kNao;
        cdsNotaFiscal->Edit();
        cdsNotaFiscalIDCHECK->SetAsString(ticked ? kNao : kSim);
        cdsNotaFiscal->Post();
        return;
    }
    if (status.transmitted()) kpv::MensErro(msgPadrao->Msg(QStringLiteral("NF_TRANSMITIDA")), true);
}

void TfrmEmissaoRPS::dbgPadraoKeyDown(QObject*, int& Key, Qt::KeyboardModifiers) {
    if (Key == Qt::Key_Space) dbgPadraoDblClick(dbgPadrao);
}

void TfrmEmissaoRPS::dbgPadraoTitleClick(TColumn* Column) {
    if (Column->FieldName() != IDCHECK) return;
    if (cdsNotaFiscal->IsEmpty()) return;
    // The tick column is written in place rather than row by row: the list ends on its first row, as a
    // walk would leave it, and the command rule runs once, for that row.
    const TControlsDisabled frozen(cdsNotaFiscal, &TClientDataSet::First);
    if (!boTodosMarcados) {
        const kpv::protocol::Column& emissao = cdsNotaFiscal->Column(cdsNotaFiscalIDEMISSAORPS->Index());
        const kpv::protocol::Column& transmis = cdsNotaFiscal->Column(cdsNotaFiscalIDTRANSMISRPS->Index());
        cdsNotaFiscal->SetFieldWhere(cdsNotaFiscalIDCHECK, QString(kSim), [&](int row) {
            return InvoiceStatus(emissao.utf8(row), transmis.utf8(row)).eligible();
        });
        boTodosMarcados = true;
    } else {
        cdsNotaFiscal->SetFieldWhere(cdsNotaFiscalIDCHECK, QString(kNao), [](int) { return true; });
        boTodosMarcados = false;
    }
}

void TfrmEmissaoRPS::sbtProcurarClick(QObject*) {
    kpv::Procura(cdsNotaFiscal);
}

}  // namespace Cli_kpv41000
