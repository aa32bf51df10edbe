#include "filter_environment.h"

#include "emission/cli_kpv41000.h"
#include "emission_screen.h"
#include "filter/cli_kpv41100.h"
#include "filter_database.h"
#include "filter_dialog.h"
#include "framework/core/context.h"
#include "framework/data/client_data_set.h"
#include "framework/data/db_module.h"
#include "framework/net/connection.h"
#include "framework/ui/mask_edit.h"
#include "test_database_settings.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTest>

namespace filtertest {

using Cli_kpv41000::frmEmissaoRPS;
using Cli_kpv41100::frmFiltroEmissaoRPS;

bool FilterEnvironment::startServices(QString* error) {
    if (!dir().isValid()) {
        *error = QStringLiteral("no temporary folder");
        return false;
    }
    const TestDatabase database = TestDatabase::Sqlite(dir().path());
    CreateFilterDatabase(SettingsOf(database), QStringLiteral("kpv"));
    kpv::data::dtmDBGeral()->Open(QStringLiteral("kpv"));

    server_ = std::make_unique<AppServerProcess>(database);
    if (!server_->start(error)) return false;
    relay_ = std::make_unique<RecordingRelay>(server_->port());
    if (!relay_->start()) {
        *error = QStringLiteral("the relay cannot listen");
        return false;
    }
    kpv::Context().webUrl = server_->host();
    kpv::Context().webPort = relay_->port();
    return true;
}

bool FilterEnvironment::start(QString* error) {
    if (!startServices(error)) return false;
    showMdi();
    if (!OpenEmissionScreen(kEmpresa) || !user().messages.isEmpty()) {
        *error = QStringLiteral("the emission screen did not come up: ") + user().messageTexts().join(u'\n');
        return false;
    }
    return true;
}

void FilterEnvironment::reset() {
    UseFilterTestContext();
    delete frmFiltroEmissaoRPS.data();
    if (frmEmissaoRPS) {
        frmEmissaoRPS->medCdEmpresa->SetText(kEmpresa);
        frmEmissaoRPS->ListaTipoOper.clear();
        frmEmissaoRPS->SituacaoRPS.clear();
        frmEmissaoRPS->cdsNotaFiscal->Close();
    }
    resetUser();
    relay_->clear();
}

void FilterEnvironment::stop() {
    delete frmFiltroEmissaoRPS.data();
    QVERIFY(CloseEmissionScreen());
    relay_.reset();
    if (server_) server_->stop();
}

bool FilterEnvironment::show(const DialogScript& script) {
    user().modalScripts.push_back(
        [script](QDialog* dialog) { script(static_cast<Cli_kpv41100::TfrmFiltroEmissaoRPS*>(dialog)); });
    return Cli_kpv41100::CriaFiltroEmissaoRPS();
}

void FilterEnvironment::connectTo(int port) {
    kpv::net::TNetConnection* connection = frmEmissaoRPS->netEmissaoRPS;
    connection->SetConnected(false);
    kpv::Context().webPort = port ? port : relay_->port();
    connection->SetConnected(true);
}

QStringList ListedEntries() {
    kpv::data::TClientDataSet* list = frmEmissaoRPS->cdsNotaFiscal;
    return list->Active() ? Column(list, QStringLiteral("NRLANCTONF")) : QStringList();
}

int DeadPort() {
    QTcpServer nobody;
    nobody.listen(QHostAddress::LocalHost);
    const int port = nobody.serverPort();
    nobody.close();
    return port;
}

}  // namespace filtertest
