#include "emission_screen.h"

#include "db/database.h"
#include "db/database_settings.h"
#include "filter/cli_kpv41100.h"
#include "framework/data/db_module.h"
#include "framework/ui/mask_edit.h"
#include "settings/settings_file.h"

#include <QDir>
#include <QFile>
#include <QTest>

using Cli_kpv41000::frmEmissaoRPS;

bool OpenScreensDatabase(const TestDatabase& database, const QString& folder, QString* error) {
    QFile ini(QDir(folder).filePath(QStringLiteral("kpv.ini")));
    if (!ini.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("cannot write kpv.ini");
        return false;
    }
    ini.write(database.iniGroup().toUtf8());
    ini.close();
    kpv::db::OpenDatabase(kpv::db::ReadDatabaseSettings(kpv::settings::SettingsFile(ini.fileName())),
                          QStringLiteral("dtmDBGeral"));
    kpv::data::dtmDBGeral()->Open(QStringLiteral("dtmDBGeral"));
    return true;
}

Cli_kpv41000::TfrmEmissaoRPS* OpenEmissionScreen(const QString& company) {
    Cli_kpv41000::CriaEmissaoRPS();
    if (!frmEmissaoRPS) return nullptr;
    frmEmissaoRPS->medCdEmpresa->SetText(company);
    return frmEmissaoRPS.data();
}

bool CloseEmissionScreen() {
    if (frmEmissaoRPS) frmEmissaoRPS->Close();
    return QTest::qWaitFor([] { return frmEmissaoRPS.isNull(); });
}

void RememberSelection(const InvoiceSelection& selection) {
    if (!Cli_kpv41100::frmFiltroEmissaoRPS) Cli_kpv41100::CriaFiltroEmissaoRPS();
    Cli_kpv41100::TRecordFilter& f = Cli_kpv41100::frmFiltroEmissaoRPS->recFiltro;
    f = Cli_kpv41100::TRecordFilter{};
    f.stCdInscEsta = selection.ie;
    f.stCdInscMuni = selection.im;
    f.stCdSerie = selection.serie;
    f.dtSaidIni = selection.first;
    f.dtSaidFim = selection.last;
    f.boTodosTipoOper = true;
}
