// The emission screen: its components, window properties, catalogue, commands and lifecycle.
#include "emission/frm_emissao_rps.h"

#include "emission/cancel_glyph.h"
#include "emission/cli_kpv41000.h"
#include "emission/tick_images.h"
#include "framework/core/context.h"
#include "framework/net/connection.h"
#include "framework/ui/glyphs.h"

#include <QFont>

namespace Cli_kpv41000 {

namespace {
// The form's mark on its two commands over the list, find and refresh; nothing of the host reads it.
constexpr int kListCommandTag = 1;
}  // namespace

TfrmEmissaoRPS::TfrmEmissaoRPS(QWidget* owner) : TfrmDadosGerRel(owner) {
    setObjectName(QStringLiteral("frmEmissaoRPS"));
    // The screen's widths are pixels made for the classic 8-point interface font; a condensed sans of that
    // size keeps the grid's registrations, dates and titles whole in them.
    QFont classic(QStringLiteral("DejaVu Sans Condensed"));
    classic.setPointSize(8);
    setFont(classic);
    SetCaption(QStringLiteral("Emissão de Recibo Provisório de Serviço (RPS)"));
    SetFormStyle(TFormStyle::fsMDIChild);
    setSizeGripEnabled(true);
    SetBounds(175, 178, 1078, 410);
    lblCodTela->setText(QStringLiteral("KPV41000"));
    lblCodRel->setText(QStringLiteral("KPV410"));
    panBotoes->resize(329, panBotoes->height());
    sbtCancel->move(304, sbtCancel->y());
    cbbReportNames->resize(400, cbbReportNames->height());

    createMessages();
    createCompanyStrip();
    createInvoiceGrid();
    createCommands();

    netEmissaoRPS = new TNetConnection(this, QStringLiteral("netEmissaoRPS"));
    netEmissaoRPS->ServerName = QStringLiteral("Kpv41000.rdmEmissaoRPS");
    netEmissaoRPS->ThrowException = false;
    netEmissaoRPS->BeforeConnect = [this](QObject* s) { netEmissaoRPSBeforeConnect(s); };
    rpddPadrao->BeforeGetQueryParams = [this](kpv::report::TReportParams& params, bool& flag) {
        rpddPadraoBeforeGetQueryParams(params, flag);
    };
}

void TfrmEmissaoRPS::createMessages() {
    // The base screen's own entries stay first.
    msgPadrao->Messages += {
        QStringLiteral("EMPR_INF|Empresa deve ser informada."),
        QStringLiteral("EMPR_N_CAD|Empresa não cadastrada."),
        QStringLiteral("NAO_EMITIDO|Não Emitido"),
        QStringLiteral("EMITIDO|Emitido"),
        QStringLiteral("SUBSTITUIDO|Substituido"),
        QStringLiteral("GERANDO_RPS|Gerando Recibo Provisório de Serviço (RPS)..."),
        QStringLiteral("NF_N_SELEC|Nota fiscal não selecionada."),
        QStringLiteral("TRANSMITIDO|Transmitido"),
        QStringLiteral(
            "NF_TRANSMITIDA|Nota fiscal já transmitida pelo processo de Transmissão de Nota Fiscal "
            "de Serviço Eletrônica (NFS-e)."),
        QStringLiteral("CANCELA_EMIS_OK|Cancelamento do Recibo Provisório de Serviço (RPS) realizado com "
                       "sucesso."),
        QStringLiteral("DESEJA_CANCELA_EMIS|Confirma a exclusão do Recibo Provisório de Serviço (RPS)?"),
    };
}

void TfrmEmissaoRPS::createCommands() {
    mnuMenu = new TMainMenu(this, QStringLiteral("mnuMenu"));
    SetMenu(mnuMenu);

    mnuOperac =
        mnuMenu->Add(new TMenuItem(nullptr, QStringLiteral("mnuOperac"), QStringLiteral("&Operação")));
    mnuOperac->GroupIndex = 8;
    auto item = [](TMenuItem* menu, const char* name, const QString& caption, const char* shortcut,
                   bool enabled) {
        auto* i = menu->Add(new TMenuItem(nullptr, QString::fromLatin1(name), caption,
                                          QKeySequence(QString::fromLatin1(shortcut))));
        i->SetEnabled(enabled);
        return i;
    };
    mnuImprimir = item(mnuOperac, "mnuImprimir", QStringLiteral("&Imprimir"), "Ctrl+I", false);
    mnuVisualizar =
        item(mnuOperac, "mnuVisualizar", QStringLiteral("&Visualizar Impressão"), "Ctrl+P", false);
    mnuSalvarComo = item(mnuOperac, "mnuSalvarComo", QStringLiteral("&Salvar Como"), "Ctrl+S", false);
    mnuConfigImpress =
        item(mnuOperac, "mnuConfigImpress", QStringLiteral("&Configurar Impressora"), "Ctrl+F", true);
    N2 = TMenuItem::Separator(mnuOperac, QStringLiteral("N2"));
    mnuFechar = item(mnuOperac, "mnuFechar", QStringLiteral("Fecha&r"), "Ctrl+F4", true);

    mnuManutencao =
        mnuMenu->Add(new TMenuItem(nullptr, QStringLiteral("mnuManutencao"), QStringLiteral("&Manutenção")));
    mnuManutencao->GroupIndex = 8;
    mnuProcurar = item(mnuManutencao, "mnuProcurar", QStringLiteral("&Procurar"), "F7", false);
    mnuVerificar = item(mnuManutencao, "mnuVerificar", QStringLiteral("A&tualizar"), "F5", false);
    N3 = TMenuItem::Separator(mnuManutencao, QStringLiteral("N3"));
    mnuFiltro = item(mnuManutencao, "mnuFiltro", QStringLiteral("Filtrar Lançamentos"), "Ctrl+L", false);
    N1 = TMenuItem::Separator(mnuManutencao, QStringLiteral("N1"));
    mnuCancelaEmissao = item(mnuManutencao, "mnuCancelaEmissao", QStringLiteral("Cancelar Emissão de Recibo"),
                             "Ctrl+C", true);

    mnuImprimir->OnClick = [this](QObject* s) { mnuImprimirClick(s); };
    mnuVisualizar->OnClick = [this](QObject* s) { mnuVisualizarClick(s); };
    mnuSalvarComo->OnClick = [this](QObject* s) { mnuSalvarComoClick(s); };
    mnuConfigImpress->OnClick = [this](QObject* s) { mnuConfigImpressClick(s); };
    mnuFechar->OnClick = [this](QObject* s) { mnuFecharClick(s); };
    mnuProcurar->OnClick = [this](QObject* s) { mnuProcurarClick(s); };
    mnuVerificar->OnClick = [this](QObject* s) { mnuVerificarClick(s); };
    mnuFiltro->OnClick = [this](QObject* s) { sbtFiltroClick(s); };
    mnuCancelaEmissao->OnClick = [this](QObject* s) { sbtCancelaEmissaoClick(s); };

    auto button = [this](const char* name, const QString& hint, const QPixmap& glyph, int left,
                         bool enabled) {
        auto* b = new TButtonFlat(panBotoes, QString::fromLatin1(name), hint);
        b->SetGlyph(glyph);
        b->move(left, 2);
        b->SetEnabled(enabled);
        return b;
    };
    sbtProcurar = button("sbtProcurar", QStringLiteral("Procurar"), Glyph(TGlyph::Find), 139, false);
    sbtProcurar->Tag = kListCommandTag;
    sbtVerificar = button("sbtVerificar", QStringLiteral("Atualizar"), Glyph(TGlyph::Refresh), 160, false);
    sbtVerificar->Tag = kListCommandTag;
    sbtFiltro = button("sbtFiltro", QStringLiteral("Filtrar Lançamentos"), Glyph(TGlyph::Filter), 195, true);
    sbtCancelaEmissao = button("sbtCancelaEmissao", QStringLiteral("Cancelar Emissão de Recibo"),
                               CancelEmissionGlyph(), 231, true);
    sbtProcurar->OnClick = [this](QObject* s) { sbtProcurarClick(s); };
    sbtVerificar->OnClick = [this](QObject* s) { sbtVerificarClick(s); };
    sbtFiltro->OnClick = [this](QObject* s) { sbtFiltroClick(s); };
    sbtCancelaEmissao->OnClick = [this](QObject* s) { sbtCancelaEmissaoClick(s); };
}

void TfrmEmissaoRPS::FormCreate(QObject* Sender) {
    TfrmDadosGerRel::FormCreate(Sender);
    netEmissaoRPS->SetConnected(true);
    boTodosMarcados = false;
}

void TfrmEmissaoRPS::netEmissaoRPSBeforeConnect(QObject*) {
    netEmissaoRPS->SetHost(kpv::WebURL());
    netEmissaoRPS->SetPort(kpv::WebPort());
}

void TfrmEmissaoRPS::FormClose(QObject* Sender, TCloseAction& Action) {
    netEmissaoRPS->SetConnected(false);
    boCriado = false;
    TfrmDadosGerRel::FormClose(Sender, Action);
}

}  // namespace Cli_kpv41000
