// The emission screen against the real application server and a real SQLite database with demo data:
// retrieval and its failure, the company strip, printing the ticked invoices, and cancelling an RPS.
#include "appserver_process.h"
#include "db/database.h"
#include "db/database_settings.h"
#include "emission/cli_kpv41000.h"
#include "filter/cli_kpv41100.h"
#include "framework/core/context.h"
#include "framework/core/errors.h"
#include "framework/data/client_data_set.h"
#include "framework/data/db_module.h"
#include "framework/net/connection.h"
#include "framework/ui/application.h"
#include "framework/ui/busy_animation.h"
#include "framework/ui/mask_edit.h"
#include "scripted_interaction.h"
#include "test_database.h"

#include <QDir>
#include <QMdiArea>
#include <QSettings>
#include <QSqlQuery>
#include <QtTest>

using namespace Cli_kpv41000;

namespace {

TfrmEmissaoRPS* screen() { return frmEmissaoRPS.data(); }

QVariant scalar(const QString& sql, const QVariantList& args = {}) {
    QSqlQuery q(QSqlDatabase::database("dtmDBGeral"));
    q.prepare(sql);
    for (const QVariant& a : args) q.addBindValue(a);
    if (!q.exec() || !q.next()) return {};
    return q.value(0);
}

// Moves to the first row after `from` with these codes; -1 when there is none.
int findRow(const QString& emissao, const QString& transmis, int from = -1) {
    auto* ds = screen()->cdsNotaFiscal;
    for (int i = from + 1; i < ds->RecordCount(); ++i) {
        kpv::data::TClientDataSet::PaintRecord row(ds, i);
        if (screen()->cdsNotaFiscalIDEMISSAORPS->AsString() == emissao &&
            screen()->cdsNotaFiscalIDTRANSMISRPS->AsString() == transmis)
            return i;
    }
    return -1;
}

void tick(int recNo) {
    auto* ds = screen()->cdsNotaFiscal;
    ds->SetRecNo(recNo);
    ds->Edit();
    screen()->cdsNotaFiscalIDCHECK->SetAsString("S");
    ds->Post();
}

QString invoiceField(const QString& column, const QString& branch, const QString& entry) {
    return scalar(QString("SELECT %1 FROM NOTAFISCAL WHERE CDFILIAL = ? AND NRLANCTONF = ?").arg(column),
                  {branch, entry})
        .toString();
}

}  // namespace

class EmissionWithServer : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void retrievalLoadsTheServersRows();
    void failedRetrievalKeepsRowsAndStates();
    void companyStrip_data();
    void companyStrip();
    void printStopsAtTheFirstRefusal();
    void completedPrintRefreshesTheList();
    void printWithNothingTicked();
    void cancellationAcceptedRefreshesBeforeTheSuccessBox();
    void cancellationNotConfirmedSendsNothing_data();
    void cancellationNotConfirmedSendsNothing();
    void cancellationRefusedLeavesTheList();
    void cancelWithoutAListDoesNothing();

private:
    void fetch();

    QTemporaryDir dir_;
    std::unique_ptr<AppServerProcess> server_;
    ScriptedInteraction user_;
    QMdiArea mdi_;
    QString company_, ie_, im_, serie_;
    QDate first_, last_;
    int expectedRows_ = 0;
};

void EmissionWithServer::initTestCase() {
    const TestDatabase database = TestDatabase::Sqlite(dir_.path());
    QString error;
    QVERIFY2(RunDemoData(database, 400, 11, QDate(2026, 12, 8), &error), qPrintable(error));
    server_ = std::make_unique<AppServerProcess>(database);
    QVERIFY2(server_->start(&error), qPrintable(error));

    QFile ini(dir_.filePath("kpv.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write(database.iniGroup().toUtf8());
    ini.close();
    QSettings settings(ini.fileName(), QSettings::IniFormat);
    kpv::db::OpenDatabase(kpv::db::ReadDatabaseSettings(settings), "dtmDBGeral");
    kpv::data::dtmDBGeral()->Open("dtmDBGeral");

    kpv::Context().webUrl = server_->host();
    kpv::Context().webPort = server_->port();
    kpv::Context().reportFolder = qEnvironmentVariable("KPV_SOURCE_DIR") + "/reports";
    kpv::Context().outputFolder = dir_.filePath("rps");
    mdi_.resize(1300, 700);
    mdi_.show();
    kpv::ui::Application().SetMdiArea(&mdi_);

    // The outgoing invoices of the company, registrations and series with the most of them.
    QSqlQuery q(QSqlDatabase::database("dtmDBGeral"));
    QVERIFY(q.exec("SELECT CDEMPRESA, CDINSCESTA, CDINSCMUNI, CDSERIE, MIN(DTENTRSAID), MAX(DTENTRSAID), COUNT(*) "
                   "FROM NOTAFISCAL WHERE IDOPERACAO = 'S' GROUP BY CDEMPRESA, CDINSCESTA, CDINSCMUNI, CDSERIE "
                   "ORDER BY COUNT(*) DESC"));
    QVERIFY(q.next());
    company_ = q.value(0).toString();
    ie_ = q.value(1).toString();
    im_ = q.value(2).toString();
    serie_ = q.value(3).toString();
    first_ = q.value(4).toDateTime().date();
    last_ = q.value(5).toDateTime().date();
    expectedRows_ = q.value(6).toInt();
    QVERIFY(expectedRows_ > 10);

    // The refresh reads the filter screen's remembered filter: give it this one.
    CriaEmissaoRPS();
    screen()->medCdEmpresa->SetText(company_);
    Cli_kpv41100::CriaFiltroEmissaoRPS();  // the scripted user closes it unconfirmed
    QVERIFY(Cli_kpv41100::frmFiltroEmissaoRPS);
    Cli_kpv41100::TRecordFilter& f = Cli_kpv41100::frmFiltroEmissaoRPS->recFiltro;
    f = Cli_kpv41100::TRecordFilter{};
    f.stCdInscEsta = ie_;
    f.stCdInscMuni = im_;
    f.stCdSerie = serie_;
    f.dtSaidIni = first_;
    f.dtSaidFim = last_;
    f.boTodosTipoOper = true;
}

void EmissionWithServer::init() {
    CriaEmissaoRPS();
    screen()->medCdEmpresa->SetText(company_);
    screen()->SituacaoRPS = "_1_2_3";
    user_.clear();
}

void EmissionWithServer::cleanup() {
    if (frmEmissaoRPS) frmEmissaoRPS->Close();
    QTRY_VERIFY(frmEmissaoRPS.isNull());
}

void EmissionWithServer::cleanupTestCase() {
    kpv::ui::Application().DestroyForms();
    server_.reset();
}

void EmissionWithServer::fetch() { screen()->sbtVerificarClick(screen()->sbtVerificar); }

void EmissionWithServer::retrievalLoadsTheServersRows() {
    fetch();
    auto* ds = screen()->cdsNotaFiscal;
    QCOMPARE(ds->RecordCount(), expectedRows_);
    QCOMPARE(ds->RecNo(), 0);
    for (int i = 0; i < ds->RecordCount(); ++i) {
        kpv::data::TClientDataSet::PaintRecord row(ds, i);
        QCOMPARE(screen()->cdsNotaFiscalCDEMPRESA->AsString(), company_);
        QCOMPARE(screen()->cdsNotaFiscalIDCHECK->AsString(), QString("N"));
        QVERIFY(screen()->cdsNotaFiscalDADOSRODAPE->AsString().size() <= 76);
    }
    QVERIFY(screen()->mnuImprimir->Enabled());
    QVERIFY(!kpv::ShowAviActive());
}

void EmissionWithServer::failedRetrievalKeepsRowsAndStates() {
    fetch();
    const int rows = screen()->cdsNotaFiscal->RecordCount();
    kpv::Context().webPort = 1;  // nobody listens there
    screen()->netEmissaoRPS->SetConnected(false);
    screen()->netEmissaoRPS->SetConnected(true);
    QVERIFY_THROWS_EXCEPTION(kpv::Error, fetch());
    kpv::Context().webPort = server_->port();
    QCOMPARE(screen()->cdsNotaFiscal->RecordCount(), rows);
    QVERIFY(screen()->mnuImprimir->Enabled());
    QVERIFY(!kpv::ShowAviActive());
}

void EmissionWithServer::companyStrip_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("required");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("one digit is padded") << company_.right(1) << false << company_ << QStringList();
    QTest::newRow("unknown company") << "99" << false << "99" << QStringList{"Empresa não cadastrada."};
    QTest::newRow("empty on the field's exit") << "" << false << "" << QStringList();
    QTest::newRow("empty on the strip's exit") << "" << true << "" << QStringList{"Empresa deve ser informada."};
}

void EmissionWithServer::companyStrip() {
    QFETCH(QString, typed);
    QFETCH(bool, required);
    QFETCH(QString, code);
    QFETCH(QStringList, messages);
    QVERIFY(company_.startsWith('0'));
    screen()->medCdEmpresa->SetText(typed);
    kpv::Dispatch([&] { screen()->Vd_Empresa(required); });
    QCOMPARE(screen()->medCdEmpresa->Text().trimmed(), code);
    QCOMPARE(user_.messageTexts(), messages);
    const QString name = scalar("SELECT NMRAZSOCEMPR FROM EMPRESA WHERE CDEMPRESA = ?", {code}).toString();
    QCOMPARE(screen()->edtNmEmpresa->Text(), messages.isEmpty() ? name : QString());
}

void EmissionWithServer::printStopsAtTheFirstRefusal() {
    fetch();
    const int first = findRow("1", "1");
    const int refused = findRow("1", "2", first);
    const int third = findRow("1", "1", refused);
    QVERIFY2(first >= 0 && refused >= 0 && third >= 0, "the demo data lacks the rows this test needs");
    auto keyOf = [](int recNo) {
        kpv::data::TClientDataSet::PaintRecord row(screen()->cdsNotaFiscal, recNo);
        return std::pair{screen()->cdsNotaFiscalCDFILIAL->AsString(), screen()->cdsNotaFiscalNRLANCTONF->AsString()};
    };
    const auto [b1, e1] = keyOf(first);
    const auto [b3, e3] = keyOf(third);
    for (int r : {first, refused, third}) tick(r);

    kpv::Dispatch([] { screen()->sbtPrintClick(screen()->sbtPrint); });

    QCOMPARE(invoiceField("IDEMISSAORPS", b1, e1), QString("2"));
    QVERIFY(!invoiceField("NRRPS", b1, e1).isEmpty());
    QCOMPARE(invoiceField("IDEMISSAORPS", b3, e3), QString("1"));  // never sent
    QVERIFY(QFile::exists(QDir(kpv::Context().outputFolder).filePath(QString("KPV410_%1_%2.pdf").arg(b1, e1))));
    QVERIFY2(user_.messages.size() >= 1, "the refusal was not shown");
    QCOMPARE(user_.messages.last().type, kpv::TMsgDlgType::mtError);
    QVERIFY(!user_.messages.last().text.isEmpty());
    // Not refreshed: the list shows what it showed before the run, and it still moves.
    QCOMPARE(screen()->cdsNotaFiscal->RecNo(), refused);
    QVERIFY(!screen()->cdsNotaFiscal->ControlsDisabled());
    QVERIFY(!kpv::ShowAviActive());
    {
        kpv::data::TClientDataSet::PaintRecord row(screen()->cdsNotaFiscal, first);
        QCOMPARE(screen()->cdsNotaFiscalIDCHECK->AsString(), QString("S"));
        QCOMPARE(screen()->cdsNotaFiscalIDEMISSAORPS->AsString(), QString("1"));
    }
    screen()->cdsNotaFiscal->Next();
    QCOMPARE(screen()->cdsNotaFiscal->RecNo(), refused + 1);
}

void EmissionWithServer::completedPrintRefreshesTheList() {
    fetch();
    const int row = findRow("1", "1");
    QVERIFY(row >= 0);
    screen()->cdsNotaFiscal->SetRecNo(row);
    const QString entry = screen()->cdsNotaFiscalNRLANCTONF->AsString();
    tick(row);
    kpv::Dispatch([] { screen()->sbtPrintClick(screen()->sbtPrint); });
    QVERIFY2(user_.messages.isEmpty() || user_.messages.last().type != kpv::TMsgDlgType::mtError,
             qPrintable(user_.messageTexts().join("; ")));
    QVERIFY(screen()->cdsNotaFiscal->Locate("NRLANCTONF", entry, false, false));
    QCOMPARE(screen()->cdsNotaFiscalIDEMISSAORPS->AsString(), QString("2"));
    QCOMPARE(screen()->cdsNotaFiscalIDEMISSAORPS->DisplayText(), QString("Emitido"));
    QVERIFY(!screen()->cdsNotaFiscalNRRPS->AsString().isEmpty());
    QCOMPARE(screen()->cdsNotaFiscalIDCHECK->AsString(), QString("N"));
}

void EmissionWithServer::printWithNothingTicked() {
    fetch();
    const int before = server_->log().count('\n');
    kpv::Dispatch([] { screen()->sbtPrintClick(screen()->sbtPrint); });
    QCOMPARE(user_.messageTexts(), QStringList{"Nota fiscal não selecionada."});
    QCOMPARE(screen()->cdsNotaFiscal->RecNo(), screen()->cdsNotaFiscal->RecordCount() - 1);
    QCOMPARE(server_->log().count('\n'), before);
}

void EmissionWithServer::cancellationAcceptedRefreshesBeforeTheSuccessBox() {
    fetch();
    const int row = findRow("2", "1");
    QVERIFY(row >= 0);
    screen()->cdsNotaFiscal->SetRecNo(row);
    const QString branch = screen()->cdsNotaFiscalCDFILIAL->AsString();
    const QString entry = screen()->cdsNotaFiscalNRLANCTONF->AsString();
    tick(findRow("1", "1"));
    screen()->cdsNotaFiscal->SetRecNo(row);
    user_.boxAnswers = {kpv::TModalResult::mrOk, kpv::TModalResult::mrOk};
    kpv::Dispatch([&] { screen()->sbtCancelaEmissaoClick(screen()->sbtCancelaEmissao); });
    QCOMPARE(user_.messageTexts(),
             QStringList({"Confirma a exclusão do Recibo Provisório de Serviço (RPS)?",
                          "Cancelamento do Recibo Provisório de Serviço (RPS) realizado com sucesso."}));
    QCOMPARE(invoiceField("IDEMISSAORPS", branch, entry), QString("1"));
    QVERIFY(screen()->cdsNotaFiscal->Locate("NRLANCTONF", entry, false, false));
    QCOMPARE(screen()->cdsNotaFiscalIDEMISSAORPS->DisplayText(), QString("Não Emitido"));
    for (int i = 0; i < screen()->cdsNotaFiscal->RecordCount(); ++i) {
        kpv::data::TClientDataSet::PaintRecord r(screen()->cdsNotaFiscal, i);
        QCOMPARE(screen()->cdsNotaFiscalIDCHECK->AsString(), QString("N"));  // ticks lost with the refresh
    }
}

void EmissionWithServer::cancellationNotConfirmedSendsNothing_data() {
    QTest::addColumn<kpv::TModalResult>("answer");
    QTest::newRow("Cancel") << kpv::TModalResult::mrCancel;
    QTest::newRow("close box") << kpv::TModalResult::mrNone;
}

void EmissionWithServer::cancellationNotConfirmedSendsNothing() {
    QFETCH(kpv::TModalResult, answer);
    fetch();
    const int row = findRow("2", "1");
    QVERIFY(row >= 0);
    screen()->cdsNotaFiscal->SetRecNo(row);
    const int before = server_->log().count('\n');
    user_.boxAnswers = {answer};
    kpv::Dispatch([] { screen()->sbtCancelaEmissaoClick(screen()->sbtCancelaEmissao); });
    QCOMPARE(user_.messages.size(), 1);
    QCOMPARE(server_->log().count('\n'), before);
    QCOMPARE(screen()->cdsNotaFiscal->RecNo(), row);
}

void EmissionWithServer::cancellationRefusedLeavesTheList() {
    fetch();
    const int row = findRow("2", "2");
    QVERIFY(row >= 0);
    screen()->cdsNotaFiscal->SetRecNo(row);
    user_.boxAnswers = {kpv::TModalResult::mrOk};
    kpv::Dispatch([] { screen()->sbtCancelaEmissaoClick(screen()->sbtCancelaEmissao); });
    QCOMPARE(user_.messages.size(), 2);
    QCOMPARE(user_.messages[1].type, kpv::TMsgDlgType::mtError);
    QCOMPARE(screen()->cdsNotaFiscal->RecNo(), row);
    QCOMPARE(screen()->cdsNotaFiscalIDEMISSAORPS->AsString(), QString("2"));
    QVERIFY(!kpv::ShowAviActive());
}

void EmissionWithServer::cancelWithoutAListDoesNothing() {
    QVERIFY(!screen()->cdsNotaFiscal->Active());
    QVERIFY(screen()->sbtCancelaEmissao->isEnabled());
    const int before = server_->log().count('\n');
    screen()->sbtCancelaEmissao->click();
    QVERIFY(user_.messages.isEmpty());
    QCOMPARE(server_->log().count('\n'), before);
}

QTEST_MAIN(EmissionWithServer)
#include "test_emission_with_server.moc"
