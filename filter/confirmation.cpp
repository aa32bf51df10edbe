// Confirmation: the exit dates, the RPS situations, and the checks the confirmation runs in their order.
#include "filter/cli_kpv41100.h"
#include "filter/layout_p.h"
#include "framework/ui/date_edit.h"

#include <QColor>

namespace Cli_kpv41100 {

namespace {

TDateEditPlus* ExitDateEdit(QWidget* parent, const QString& name, int top) {
    auto* edit = new TDateEditPlus(parent, name);
    edit->SetColor(clInfoBk);
    edit->SetValidDateColor(QColor(Qt::blue));
    edit->SetSaveTime(false);
    Place(edit, 48, top, 113, 21);
    return edit;
}

}  // namespace

void TfrmFiltroEmissaoRPS::createDateGroup() {
    grbDtSaida = new TGroupBox(grbDadosRel, QStringLiteral("grbDtSaida"), QStringLiteral(" Data de Saída "));
    grbDtSaida->setGeometry(6, 140, 187, 68);
    lblInicial = new TLabel(grbDtSaida, QStringLiteral("lblInicial"), QStringLiteral("Inicial"));
    Place(lblInicial, 6, 18, 40);
    lblFinal = new TLabel(grbDtSaida, QStringLiteral("lblFinal"), QStringLiteral("Final"));
    Place(lblFinal, 6, 43, 40);
    depSaidIni = ExitDateEdit(grbDtSaida, QStringLiteral("depSaidIni"), 15);
    depSaidFim = ExitDateEdit(grbDtSaida, QStringLiteral("depSaidFim"), 40);
    layout::BoldCaption(grbDtSaida);
}

void TfrmFiltroEmissaoRPS::createSituationGroup() {
    grbSituacao =
        new TGroupBox(grbDadosRel, QStringLiteral("grbSituacao"), QStringLiteral("Situação do RPS"));
    grbSituacao->setGeometry(422, 140, 213, 68);
    auto box = [this](const QString& name, const QString& caption, int left, int top, int width) {
        auto* check = new TCheckBox(grbSituacao, name, caption);
        check->setChecked(true);
        Place(check, left, top, width, 17);
        return check;
    };
    chbNaoEmitido = box(QStringLiteral("chbNaoEmitido"), QStringLiteral("Não Emitido"), 6, 18, 100);
    chbEmitido = box(QStringLiteral("chbEmitido"), QStringLiteral("Emitido"), 118, 18, 86);
    chbSubstituido =
        box(QStringLiteral("chbSubstituido"), QStringLiteral("Substituído por NFS-e"), 7, 41, 169);
    layout::BoldCaption(grbSituacao);
}

void TfrmFiltroEmissaoRPS::sbtConfirmaClick(QObject*) {
    boConfirma = true;
    Vd_FiliEmit();
    Vd_CdInscEsta(true);
    Vd_CdInscMuni(true);
    Vd_Serie(true);
}

}  // namespace Cli_kpv41100
