// The menu items that mirror a button: each runs the button's handler with the button as sender.
#include "emission/frm_emissao_rps.h"

namespace Cli_kpv41000 {

void TfrmEmissaoRPS::mnuImprimirClick(QObject*) {
    sbtPrintClick(sbtPrint);
}

void TfrmEmissaoRPS::mnuVisualizarClick(QObject*) {
    TfrmDadosGerRel::sbtPreviewClick(sbtPreview);
}

void TfrmEmissaoRPS::mnuSalvarComoClick(QObject*) {
    TfrmDadosGerRel::sbtSalvarComoClick(sbtSalvarComo);
}

void TfrmEmissaoRPS::mnuConfigImpressClick(QObject*) {
    TfrmDadosGerRel::sbtConfigImprClick(sbtConfigImpr);
}

void TfrmEmissaoRPS::mnuFecharClick(QObject*) {
    TfrmDadosGerRel::sbtCancelClick(sbtCancel);
}

void TfrmEmissaoRPS::mnuProcurarClick(QObject*) {
    sbtProcurarClick(sbtProcurar);
}

void TfrmEmissaoRPS::mnuVerificarClick(QObject*) {
    sbtVerificarClick(sbtVerificar);
}

}  // namespace Cli_kpv41000
