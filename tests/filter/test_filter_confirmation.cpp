// The filter dialog's confirmation against a real SQLite file and the real kpv-appserver on 127.0.0.1,
// whose calls a relay writes down: the checks in their order with focus, message and what each stop
// leaves behind, the close box after a stop, the eleven arguments the server receives and the invoices
// it sends back, the remembered filter, the exit dates, the client field and the operation types.
#include "emission/cli_kpv41000.h"
#include "filter/cli_kpv41100.h"
#include "filter_database.h"
#include "filter_dialog.h"
#include "filter_environment.h"
#include "framework/data/client_data_set.h"
#include "framework/data/db_module.h"
#include "framework/data/query.h"
#include "framework/text/registration.h"
#include "framework/ui/busy_animation.h"
#include "framework/ui/containers.h"
#include "framework/ui/date_edit.h"
#include "framework/ui/lookup_button.h"
#include "framework/ui/mask_edit.h"

#include <QSqlDatabase>
#include <QtTest>

#include <optional>

using namespace Cli_kpv41100;
using namespace filtertest;

Q_DECLARE_METATYPE(filtertest::DialogScript)
Q_DECLARE_METATYPE(std::optional<QStringList>)
Q_DECLARE_METATYPE(const filtertest::Client*)

namespace {

const QStringList kDefaultArgs = {"0001",       "T",          "01", "110042490114", "12345678", "A1", "T",
                                  "2026-03-01", "2026-03-17", "S",  "_1_2_3"};

Cli_kpv41000::TfrmEmissaoRPS* emissao() {
    return Cli_kpv41000::frmEmissaoRPS.data();
}

// Entries by their number: 1 -> "0000000001".
QStringList Entries(std::initializer_list<int> numbers) {
    QStringList entries;
    for (int n : numbers) entries << QStringLiteral("%1").arg(n, 10, 10, QLatin1Char('0'));
    return entries;
}

QList<QWidget*> EmissionControls() {
    return {emissao()->dbgPadrao, emissao()->pgcPadrao, emissao()->medCdEmpresa};
}

// What the host does to a screen behind a modal dialog of its own.
void DisableEmissionScreen() {
    kpv::ui::SetChildEnabled(emissao()->grbDadosRel, false);
}

bool EmissionControlsEnabled() {
    for (QWidget* w : EmissionControls()) {
        if (!w->isEnabled()) return false;
    }
    return true;
}

// Arguments by position, 1-based.
using Args = QMap<int, QString>;

// What a user does before confirming.
DialogScript Writes(const QStringList& upperRows) {
    return [upperRows](TfrmFiltroEmissaoRPS* d) { Fill(d, upperRows); };
}

DialogScript Dates(const QDate& from, const QDate& to) {
    return [from, to](TfrmFiltroEmissaoRPS* d) {
        d->depSaidIni->SetDate(from);
        d->depSaidFim->SetDate(to);
    };
}

DialogScript Situations(bool naoEmitido, bool emitido, bool substituido) {
    return [=](TfrmFiltroEmissaoRPS* d) {
        d->chbNaoEmitido->SetChecked(naoEmitido);
        d->chbEmitido->SetChecked(emitido);
        d->chbSubstituido->SetChecked(substituido);
    };
}

DialogScript TypesClient(const QString& typed) {
    return [typed](TfrmFiltroEmissaoRPS* d) {
        d->medCliente->SetFocus();
        d->medCliente->SetText(typed);
    };
}

// Marks these operation types in the list the server offers ("Lista" chosen first).
DialogScript MarkTypes(const QStringList& keys) {
    return [keys](TfrmFiltroEmissaoRPS* d) {
        d->rdgListaTipoOper->SetChecked(true);
        kpv::ScriptedInteraction::installed()->rowsPicks.push_back(keys);
        d->btpTipoOper->Click();
    };
}

// One thing the user does, then another.
DialogScript Then(const DialogScript& first, const DialogScript& second) {
    return [first, second](TfrmFiltroEmissaoRPS* d) {
        first(d);
        second(d);
    };
}

// A list the server cannot read: it refuses the fetch.
void UnreadableList(TfrmFiltroEmissaoRPS* d) {
    d->rdgListaTipoOper->SetChecked(true);
    emissao()->ListaTipoOper = QStringLiteral("X1");
}

}  // namespace

class FilterConfirmation : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void stops_data();
    void stops();
    void refusedFetchKeepsTheListAndTheRecord();
    void closingTheWindow_data();
    void closingTheWindow();
    void earlierConfirmationDoesNotCountWhenTheShowFailed_data();
    void earlierConfirmationDoesNotCountWhenTheShowFailed();
    void argumentsTheServerReceives_data();
    void argumentsTheServerReceives();
    void everyValueRememberedAndRefreshedAsConfirmed();
    void refreshAfterAStopAtTheSituationsSendsNoSituation();
    void todosWithAnOldListKeepsItForTheNextShow();
    void dateExits_data();
    void dateExits();
    void clientExit_data();
    void clientExit();
    void clientEnteredAgainShowsThePlainNumberAndKeepsTheName();
    void clientLookup();
    void clientLookupAfterAMaskedNumberKeepsTheWholeNumber();
    void confirmedClientComesBackWholeUnderAnotherKindsMask_data();
    void confirmedClientComesBackWholeUnderAnotherKindsMask();
    void operationTypeChoice();
    void operationTypeLookup_data();
    void operationTypeLookup();
    void operationTypeLookupServerFailure();

  private:
    QList<RelayedCall> fetches() { return env_.relay().calls(QStringLiteral("GetNotaFiscal")); }

    FilterEnvironment env_;
};

void FilterConfirmation::initTestCase() {
    QString error;
    QVERIFY2(env_.start(&error), qPrintable(error));
}

void FilterConfirmation::init() {
    env_.reset();
}

void FilterConfirmation::cleanup() {
    kpv::ui::SetChildEnabled(emissao()->grbDadosRel, true);
}

void FilterConfirmation::cleanupTestCase() {
    env_.stop();
}

void FilterConfirmation::stops_data() {
    QTest::addColumn<DialogScript>("setup");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<bool>("confirma");
    QTest::addColumn<bool>("reenabled");
    QTest::addColumn<QString>("situacao");  // the emission screen's SituacaoRPS afterwards; "_2" before

    const QString ie = "110042490114", im = "12345678";
    auto row = [](const char* name, const DialogScript& setup, const QString& message, const char* focus,
                  bool confirma, bool reenabled, const QString& situacao) {
        QTest::newRow(name) << setup << QStringList{message} << QString(focus) << confirma << reenabled
                            << situacao;
    };
    row("branch not registered", Writes({"0099", ie, im, "A1"}), "Filial não cadastrada.", "medCdFilial",
        true, false, "_2");
    row("state registration not related", Writes({"0001", "130000000000", im, "A1"}),
        "Inscrição estadual não relacionada para a empresa informada.", "edtCdInscEsta", true, false, "_2");
    row("municipal registration missing", Writes({"0001", ie, "", "A1"}),
        "Inscrição Municipal deve ser Informada.", "edtCdInscMuni", true, false, "_2");
    // Only the series check withdraws the confirmation.
    row("series not registered", Writes({"0001", ie, im, "B1"}), "Série não cadastrada.", "edtCdSerie", false,
        false, "_2");
    row("client not registered", TypesClient("98765432100"), "Cliente não cadastrado.", "medCliente", true,
        false, "_2");
    row("initial date missing", Dates({}, QDate(2026, 3, 17)), "Data de Saída Inicial deve ser Informada.",
        "depSaidIni", true, false, "_2");
    row("final date missing", Dates(QDate(2026, 3, 1), {}), "Data de Saída Final deve ser Informada.",
        "depSaidFim", true, false, "_2");
    row("both dates missing: the first failure only", Dates({}, {}),
        "Data de Saída Inicial deve ser Informada.", "depSaidIni", true, false, "_2");
    row("final date a day before the initial one", Dates(QDate(2026, 3, 10), QDate(2026, 3, 9)),
        "Data de saída inicial deve ser menor ou igual a data de saída final.", "depSaidIni", true, false,
        "_2");
    row(
        "initial date that is no date",
        [](TfrmFiltroEmissaoRPS* d) { d->depSaidIni->SetText(QStringLiteral("31/02/2026")); },
        "Data inválida.", "depSaidIni", true, false, "_2");
    row(
        "Lista without a marked type", [](TfrmFiltroEmissaoRPS* d) { d->rdgListaTipoOper->SetChecked(true); },
        "Tipo Operação deve ser informado.", "rdgListaTipoOper", true, false, "_2");
    row("no situation ticked", Situations(false, false, false), "Situação do RPS deve ser informada.",
        "chbNaoEmitido", true, true, "");

    // Two faults: the check that comes first in the order speaks, and only it. (A client typed speaks
    // already when the confirmation takes the focus from its field.)
    const DialogScript reversedDates = Dates(QDate(2026, 3, 10), QDate(2026, 3, 9));
    row("branch not registered, dates reversed", Then(Writes({"0099", ie, im, "A1"}), reversedDates),
        "Filial não cadastrada.", "medCdFilial", true, false, "_2");
    row("municipal registration missing, initial date missing",
        Then(Writes({"0001", ie, "", "A1"}), Dates({}, QDate(2026, 3, 17))),
        "Inscrição Municipal deve ser Informada.", "edtCdInscMuni", true, false, "_2");
    row("series not registered, dates reversed", Then(Writes({"0001", ie, im, "B1"}), reversedDates),
        "Série não cadastrada.", "edtCdSerie", false, false, "_2");
    row("state registration not related, final date missing",
        Then(Writes({"0001", "130000000000", im, "A1"}), Dates(QDate(2026, 3, 1), {})),
        "Inscrição estadual não relacionada para a empresa informada.", "edtCdInscEsta", true, false, "_2");
    row("dates reversed, Lista without a marked type",
        Then(reversedDates, [](TfrmFiltroEmissaoRPS* d) { d->rdgListaTipoOper->SetChecked(true); }),
        "Data de saída inicial deve ser menor ou igual a data de saída final.", "depSaidIni", true, false,
        "_2");
    row("Lista without a marked type, no situation ticked",
        Then([](TfrmFiltroEmissaoRPS* d) { d->rdgListaTipoOper->SetChecked(true); },
             Situations(false, false, false)),
        "Tipo Operação deve ser informado.", "rdgListaTipoOper", true, false, "_2");
}

// A stop keeps the dialog open and the remembered filter as it was, fetches nothing, and keeps what the
// steps before it did.
void FilterConfirmation::stops() {
    QFETCH(DialogScript, setup);
    QFETCH(QStringList, messages);
    QFETCH(QString, focus);
    QFETCH(bool, confirma);
    QFETCH(bool, reenabled);
    QFETCH(QString, situacao);

    QStringList shown;
    QString focused;
    bool confirmaAfter = false;
    bool stillOpen = false;
    TRecordFilter remembered;
    const bool confirmed = env_.show([&](TfrmFiltroEmissaoRPS* d) {
        Settle(d);
        setup(d);
        remembered = d->recFiltro;
        emissao()->SituacaoRPS = QStringLiteral("_2");
        DisableEmissionScreen();
        env_.user().clear();
        env_.relay().clear();
        d->sbtConfirma->Click();
        shown = env_.user().messageTexts();
        focused = Focused();
        confirmaAfter = boConfirma;
        stillOpen = d->isVisible();
    });
    QCOMPARE(shown, messages);
    QCOMPARE(focused, focus);
    QCOMPARE(confirmaAfter, confirma);
    QVERIFY(stillOpen);
    QCOMPARE(EmissionControlsEnabled(), reenabled);
    QCOMPARE(emissao()->SituacaoRPS, situacao);
    QVERIFY(fetches().isEmpty());
    QCOMPARE(frmFiltroEmissaoRPS->recFiltro, remembered);
    QVERIFY(!emissao()->cdsNotaFiscal->Active());
    QVERIFY2(!confirmed, "the close box after a stopped confirmation counted as confirmed");
}

// The server's refusal reaches the user unchanged; the situations were rebuilt and the emission screen
// re-enabled before the call, the list keeps its rows and the filter stays the last confirmed one.
void FilterConfirmation::refusedFetchKeepsTheListAndTheRecord() {
    QVERIFY(env_.show([](TfrmFiltroEmissaoRPS* d) { d->sbtConfirma->Click(); }));
    QCOMPARE(ListedEntries(), Entries({8, 1, 2, 3, 4}));
    const TRecordFilter remembered = frmFiltroEmissaoRPS->recFiltro;

    QStringList shown;
    QString focused;
    bool confirmaAfter = false;
    const bool confirmed = env_.show([&](TfrmFiltroEmissaoRPS* d) {
        Settle(d);
        Situations(false, true, true)(d);
        UnreadableList(d);
        emissao()->SituacaoRPS.clear();
        DisableEmissionScreen();
        env_.user().clear();
        env_.relay().clear();
        d->sbtConfirma->Click();
        shown = env_.user().messageTexts();
        focused = Focused();
        confirmaAfter = boConfirma;
        QVERIFY(d->isVisible());
        QVERIFY(!kpv::ShowAviActive());
    });
    QCOMPARE(fetches().size(), 1);
    QCOMPARE(fetches()[0].args[1], QString("X1"));
    QCOMPARE(shown,
             QStringList{"Tipo de operação inválido na lista: \"X1\" (esperado, por exemplo, \"S01\")."});
    QCOMPARE(focused, QString("rdgListaTipoOper"));
    QVERIFY(confirmaAfter);
    QVERIFY(EmissionControlsEnabled());
    QCOMPARE(emissao()->SituacaoRPS, QString("_2_3"));
    QCOMPARE(ListedEntries(), Entries({8, 1, 2, 3, 4}));
    QCOMPARE(frmFiltroEmissaoRPS->recFiltro, remembered);
    QVERIFY(!confirmed);
}

void FilterConfirmation::closingTheWindow_data() {
    QTest::addColumn<DialogScript>("user");
    QTest::addColumn<bool>("confirmed");
    QTest::addColumn<bool>("confirma");

    const DialogScript confirm = [](TfrmFiltroEmissaoRPS* d) { d->sbtConfirma->Click(); };
    const QStringList valid = {"0001", "110042490114", "12345678", "A1"};
    QTest::newRow("confirmed") << confirm << true << true;
    QTest::newRow("cancelled") << DialogScript([](TfrmFiltroEmissaoRPS* d) { d->sbtCancel->Click(); })
                               << false << false;
    QTest::newRow("closed untouched") << DialogScript([](TfrmFiltroEmissaoRPS*) {}) << false << false;
    QTest::newRow("closed after the branch check stopped it")
        << Then(Writes({"0099"}), confirm) << false << true;
    QTest::newRow("closed after the series check stopped it")
        << Then(Writes({"0001", "110042490114", "12345678", "B1"}), confirm) << false << false;
    QTest::newRow("closed after the situation check stopped it")
        << Then(Situations(false, false, false), confirm) << false << true;
    QTest::newRow("closed after the server refused the fetch")
        << Then(DialogScript(UnreadableList), confirm) << false << true;
    QTest::newRow("confirmed once corrected")
        << Then(Then(Writes({"0099"}), confirm), Then(Writes(valid), confirm)) << true << true;
}

// The entry answers true only for a show that ended in a completed confirmation; boConfirma keeps its own
// values, true after any stop but the series check's.
void FilterConfirmation::closingTheWindow() {
    QFETCH(DialogScript, user);
    QFETCH(bool, confirmed);
    QFETCH(bool, confirma);
    QCOMPARE(env_.show(user), confirmed);
    QCOMPARE(boConfirma, confirma);
    QVERIFY(!frmFiltroEmissaoRPS->isVisible());
    if (confirmed) QCOMPARE(frmFiltroEmissaoRPS->recFiltro, frmFiltroEmissaoRPS->FilterOnScreen());
}

void FilterConfirmation::earlierConfirmationDoesNotCountWhenTheShowFailed_data() {
    QTest::addColumn<DialogScript>("user");
    QTest::newRow("cancelled") << DialogScript([](TfrmFiltroEmissaoRPS* d) { d->sbtCancel->Click(); });
    QTest::newRow("closed") << DialogScript([](TfrmFiltroEmissaoRPS*) {});
}

// A show whose restore stopped at the database must not answer with the confirmation of the show before.
void FilterConfirmation::earlierConfirmationDoesNotCountWhenTheShowFailed() {
    QFETCH(DialogScript, user);
    QVERIFY(env_.show([](TfrmFiltroEmissaoRPS* d) { d->sbtConfirma->Click(); }));

    // A database without the application's tables.
    {
        QSqlDatabase empty = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("empty"));
        empty.setDatabaseName(QStringLiteral(":memory:"));
        QVERIFY(empty.open());
    }
    kpv::data::dtmDBGeral()->Open(QStringLiteral("empty"));
    const bool confirmed = env_.show([&](TfrmFiltroEmissaoRPS* d) {
        kpv::data::dtmDBGeral()->Open(QStringLiteral("kpv"));
        user(d);
    });
    kpv::data::dtmDBGeral()->Open(QStringLiteral("kpv"));
    QSqlDatabase::removeDatabase(QStringLiteral("empty"));

    const QStringList shown = env_.user().messageTexts();
    QVERIFY(!shown.isEmpty());
    for (const QString& text : shown)
        QVERIFY2(text.contains("EMPRCNTRFIL", Qt::CaseInsensitive), qPrintable(text));
    QVERIFY(!confirmed);
}

void FilterConfirmation::argumentsTheServerReceives_data() {
    QTest::addColumn<DialogScript>("setup");
    QTest::addColumn<Args>("args");  // by position, 1-based; the rest as the defaults
    QTest::addColumn<QStringList>("listed");

    QTest::newRow("defaults: every situation, type and client")
        << DialogScript([](TfrmFiltroEmissaoRPS*) {}) << Args() << Entries({8, 1, 2, 3, 4});
    QTest::newRow("emitted and substituted")
        << Situations(false, true, true) << Args{{11, "_2_3"}} << Entries({8, 2, 3});
    QTest::newRow("not emitted and substituted")
        << Situations(true, false, true) << Args{{11, "_1_3"}} << Entries({1, 3, 4});
    QTest::newRow("only emitted") << Situations(false, true, false) << Args{{11, "_2"}} << Entries({8, 2});
    QTest::newRow("Lista with one type") << MarkTypes({"S05"}) << Args{{2, "S05"}} << Entries({2, 4});
    QTest::newRow("Lista with two types, passed unchanged")
        << MarkTypes({"S01", "S09"}) << Args{{2, "S01,S09"}} << Entries({8, 1, 3});
    QTest::newRow("Todos with an old list sends T") << DialogScript([](TfrmFiltroEmissaoRPS* d) {
        MarkTypes({"S05"})(d);
        d->rdgTodosTipoOper->SetChecked(true);
    }) << Args() << Entries({8, 1, 2, 3, 4});
    QTest::newRow("legal-person client typed with its punctuation")
        << TypesClient("12.345.678/0001-95") << Args{{7, "12345678000195"}} << Entries({1, 3});
    QTest::newRow("natural-person client")
        << TypesClient("12345678909") << Args{{7, "12345678909"}} << Entries({8, 2});
    QTest::newRow("equal dates") << Dates(QDate(2026, 3, 5), QDate(2026, 3, 5))
                                 << Args{{8, "2026-03-05"}, {9, "2026-03-05"}} << Entries({2});
    QTest::newRow("the other branch's registrations")
        << Writes({"0002", "244123456119", "87654321", "B1"})
        << Args{{1, "0002"}, {4, "244123456119"}, {5, "87654321"}, {6, "B1"}} << Entries({7});
}

void FilterConfirmation::argumentsTheServerReceives() {
    QFETCH(DialogScript, setup);
    QFETCH(Args, args);
    QFETCH(QStringList, listed);
    QStringList expected = kDefaultArgs;
    for (auto it = args.cbegin(); it != args.cend(); ++it) expected[it.key() - 1] = it.value();

    const bool confirmed = env_.show([&](TfrmFiltroEmissaoRPS* d) {
        Settle(d);
        setup(d);
        env_.relay().clear();
        d->sbtConfirma->Click();
    });
    QVERIFY2(env_.user().messages.isEmpty(), qPrintable(env_.user().messageTexts().join('\n')));
    QVERIFY(confirmed);
    QCOMPARE(fetches().size(), 1);
    QCOMPARE(fetches()[0].args, expected);
    QCOMPARE(ListedEntries(), listed);
    QCOMPARE(emissao()->SituacaoRPS, expected[10]);
    // The client is remembered as the field gives it, empty when none was given.
    QCOMPARE(frmFiltroEmissaoRPS->recFiltro.stCliente, expected[6] == "T" ? QString() : expected[6]);
}

// A confirmation with a value other than the default in every field: the record holds each, and the
// refresh afterwards sends what the confirmation sent, even once the dialog was edited and cancelled.
void FilterConfirmation::everyValueRememberedAndRefreshedAsConfirmed() {
    env_.user().rowPicks.push_back(1);
    const bool confirmed = env_.show([&](TfrmFiltroEmissaoRPS* d) {
        Settle(d);
        Fill(d, {"0002", "244123456119", "87654321", "B1"});
        d->btpCliente->Click();
        Dates(QDate(2026, 3, 4), QDate(2026, 3, 31))(d);
        Situations(true, false, true)(d);
        MarkTypes({"S01"})(d);
        env_.relay().clear();
        d->sbtConfirma->Click();
    });
    QVERIFY2(env_.user().pickTitles == QStringList({"Cliente", "Tipo de Operação"}),
             qPrintable(env_.user().pickTitles.join(',')));
    QVERIFY(confirmed);
    const QStringList sent = {
        "0002",       "S01",        "01", "244123456119", "87654321", "B1", "12345678000195",
        "2026-03-04", "2026-03-31", "S",  "_1_3"};
    QCOMPARE(fetches().size(), 1);
    QCOMPARE(fetches()[0].args, sent);
    QCOMPARE(ListedEntries(), Entries({7}));

    TRecordFilter expected;
    expected.nrIdOperacao = 0;
    expected.stCliente = kClienteJuridico.number;
    expected.stNmCliente = kClienteJuridico.name;
    expected.stListaTipoOper = QStringLiteral("S01");
    expected.stCdFilial = QStringLiteral("0002");
    expected.stNmFilial = QStringLiteral("Alfa Campinas");
    expected.stCdInscEsta = QStringLiteral("244123456119");
    expected.stCdInscMuni = QStringLiteral("87654321");
    expected.stCdSerie = QStringLiteral("B1");
    expected.dtSaidIni = QDate(2026, 3, 4);
    expected.dtSaidFim = QDate(2026, 3, 31);
    expected.boTodosTipoOper = false;
    expected.boSemEmitido = true;
    QCOMPARE(frmFiltroEmissaoRPS->recFiltro, expected);

    QVERIFY(!env_.show([](TfrmFiltroEmissaoRPS* d) {
        Fill(d, {"0001", "110042490114", "12345678", "A1"});
        d->chbEmitido->SetChecked(true);
        d->sbtCancel->Click();
    }));
    env_.relay().clear();
    emissao()->sbtVerificarClick(emissao()->sbtVerificar);
    QCOMPARE(fetches().size(), 1);
    QCOMPARE(fetches()[0].args, sent);
}

// A confirmation stopped for want of a situation keeps the last good filter but has emptied the situations:
// the refresh sends that filter with no situation, and the server lists nothing.
void FilterConfirmation::refreshAfterAStopAtTheSituationsSendsNoSituation() {
    QVERIFY(env_.show([](TfrmFiltroEmissaoRPS* d) {
        Settle(d);
        Fill(d, {"0002", "244123456119", "87654321", "B1"});
        Situations(true, false, true)(d);
        d->sbtConfirma->Click();
    }));
    QCOMPARE(fetches().size(), 1);
    const QStringList good = fetches()[0].args;
    QCOMPARE(good[10], QString("_1_3"));
    const TRecordFilter remembered = frmFiltroEmissaoRPS->recFiltro;

    QVERIFY(!env_.show([](TfrmFiltroEmissaoRPS* d) {
        Settle(d);
        Fill(d, {"0001", "110042490114", "12345678", "A1"});
        Dates(QDate(2026, 3, 2), QDate(2026, 3, 3))(d);
        Situations(false, false, false)(d);
        d->sbtConfirma->Click();
    }));
    QCOMPARE(env_.user().messageTexts(), QStringList{"Situação do RPS deve ser informada."});
    QCOMPARE(frmFiltroEmissaoRPS->recFiltro, remembered);
    QCOMPARE(emissao()->SituacaoRPS, QString());

    env_.relay().clear();
    emissao()->sbtVerificarClick(emissao()->sbtVerificar);
    QStringList expected = good;
    expected[10] = QString();
    QCOMPARE(fetches().size(), 1);
    QCOMPARE(fetches()[0].args, expected);
    QVERIFY(emissao()->cdsNotaFiscal->Active());
    QCOMPARE(ListedEntries(), QStringList());
}

// "Todos" sends "T" but the list marked before is remembered, and the next show puts it back.
void FilterConfirmation::todosWithAnOldListKeepsItForTheNextShow() {
    QVERIFY(env_.show([](TfrmFiltroEmissaoRPS* d) {
        MarkTypes({"S05"})(d);
        d->rdgTodosTipoOper->SetChecked(true);
        QVERIFY(!d->btpTipoOper->isEnabled());
        d->sbtConfirma->Click();
    }));
    QCOMPARE(fetches().last().args[1], QString("T"));
    QCOMPARE(frmFiltroEmissaoRPS->recFiltro.stListaTipoOper, QString("S05"));
    QVERIFY(frmFiltroEmissaoRPS->recFiltro.boTodosTipoOper);

    emissao()->ListaTipoOper.clear();
    env_.show([](TfrmFiltroEmissaoRPS* d) {
        QVERIFY(d->rdgTodosTipoOper->Checked());
        QVERIFY(!d->btpTipoOper->isEnabled());
        QCOMPARE(emissao()->ListaTipoOper, QString("S05"));
    });
}

void FilterConfirmation::dateExits_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("focus");

    QTest::newRow("initial date left empty") << "depSaidIni"
                                             << "" << QStringList() << "chbNaoEmitido";
    QTest::newRow("final date left empty") << "depSaidFim"
                                           << "" << QStringList() << "chbNaoEmitido";
    QTest::newRow("initial date valid") << "depSaidIni"
                                        << "29/02/2028" << QStringList() << "chbNaoEmitido";
    QTest::newRow("initial date that is no date")
        << "depSaidIni"
        << "30/02/2026" << QStringList{"Data inválida."} << "depSaidIni";
    QTest::newRow("final date half typed") << "depSaidFim"
                                           << "12/03" << QStringList{"Data inválida."} << "depSaidFim";
}

// Leaving a date only checks that it is a date; an empty one waits for the confirmation.
void FilterConfirmation::dateExits() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QStringList, messages);
    QFETCH(QString, focus);
    QString focused;
    env_.show([&](TfrmFiltroEmissaoRPS* d) {
        auto* date = d->findChild<kpv::ui::TDateEditPlus*>(field);
        date->SetFocus();
        date->SetText(text);
        Settle(d);
        focused = Focused();
    });
    QCOMPARE(env_.user().messageTexts(), messages);
    QCOMPARE(focused, focus);
}

void FilterConfirmation::clientExit_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");   // what the dialog reads from the field
    QTest::addColumn<QString>("shown");  // what the field shows
    QTest::addColumn<QString>("mask");

    const QString ok = "chbNaoEmitido";
    QTest::newRow("empty: the name goes, nothing is asked") << "" << QStringList() << ok << ""
                                                            << ""
                                                            << ""
                                                            << "";
    QTest::newRow("legal person") << kClienteJuridico.number << QStringList() << ok << kClienteJuridico.name
                                  << kClienteJuridico.number << "12.345.678/0001-95" << kpv::PictPess("J");
    QTest::newRow("natural person typed with its punctuation")
        << "123.456.789-09" << QStringList() << ok << kClienteFisico.name << kClienteFisico.number
        << "123.456.789-09" << kpv::PictPess("F");
    QTest::newRow("not registered") << "98765432100" << QStringList{"Cliente não cadastrado."} << "medCliente"
                                    << ""
                                    << "98765432100"
                                    << "98765432100"
                                    << "";
    QTest::newRow("not registered keeps the adjusted number")
        << "987.654.321-00" << QStringList{"Cliente não cadastrado."} << "medCliente"
        << ""
        << "98765432100"
        << "98765432100"
        << "";
}

void FilterConfirmation::clientExit() {
    QFETCH(QString, typed);
    QFETCH(QStringList, messages);
    QFETCH(QString, focus);
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QFETCH(QString, mask);
    env_.show([&](TfrmFiltroEmissaoRPS* d) {
        Settle(d);
        d->edtNmCliente->SetText(QStringLiteral("Nome anterior"));
        d->medCliente->SetFocus();
        d->medCliente->SetText(typed);
        const bool queriedBefore = d->qryCliente->Active();
        Settle(d);
        QCOMPARE(Focused(), focus);
        QCOMPARE(d->edtNmCliente->Text(), name);
        QCOMPARE(d->medCliente->Text(), text);
        QCOMPARE(d->medCliente->text(), shown);
        QCOMPARE(d->medCliente->EditMask(), mask);
        if (typed.isEmpty()) QCOMPARE(d->qryCliente->Active(), queriedBefore);
    });
    QCOMPARE(env_.user().messageTexts(), messages);
}

void FilterConfirmation::clientEnteredAgainShowsThePlainNumberAndKeepsTheName() {
    env_.show([&](TfrmFiltroEmissaoRPS* d) {
        Settle(d);
        TypesClient(kClienteJuridico.number)(d);
        Settle(d);
        QCOMPARE(d->medCliente->text(), QString("12.345.678/0001-95"));

        d->medCliente->SetFocus();
        QVERIFY(!d->medCliente->IsMasked());
        QCOMPARE(d->medCliente->text(), kClienteJuridico.number);
        QCOMPARE(d->medCliente->MaxLength(), 20);
        QCOMPARE(d->edtNmCliente->Text(), kClienteJuridico.name);

        d->medCliente->end(false);
        QTest::keyClick(d->medCliente, Qt::Key_Backspace);
        QCOMPARE(d->medCliente->Text(), QString("1234567800019"));
        QCOMPARE(d->edtNmCliente->Text(), QString());
    });
    QVERIFY(env_.user().messages.isEmpty());
}

// Every client ordered by number, each shown with its kind's mask and a foreign one without a number as
// an empty cell; the pick writes the number as stored, unmasked until the field is left.
void FilterConfirmation::clientLookup() {
    env_.user().rowPicks.push_back(2);
    env_.show([&](TfrmFiltroEmissaoRPS* d) {
        Settle(d);
        d->btpCliente->Click();
        kpv::data::TClientDataSet* list = d->qryCliente->Query();
        QCOMPARE(Column(list, "CDCLIENTE"), QStringList({"C003", "C001", "C002"}));
        QCOMPARE(Column(list, "NRINSJURCLIE", true),
                 QStringList({"", "12.345.678/0001-95", "123.456.789-09"}));
        QCOMPARE(d->medCliente->Text(), kClienteFisico.number);
        QVERIFY(!d->medCliente->IsMasked());
        QCOMPARE(d->edtNmCliente->Text(), kClienteFisico.name);

        Settle(d);
        QCOMPARE(d->medCliente->text(), QString("123.456.789-09"));
        QCOMPARE(d->edtNmCliente->Text(), kClienteFisico.name);
    });
    QCOMPARE(env_.user().pickTitles, QStringList{"Cliente"});
    QVERIFY(env_.user().messages.isEmpty());
}

// After a confirmation the dialog comes back with the focus where it was, in the client field, which the
// restore left with the plain number; checked again it takes the mask of the client confirmed, and a
// picked number of another kind must still go in whole.
void FilterConfirmation::clientLookupAfterAMaskedNumberKeepsTheWholeNumber() {
    QVERIFY(env_.show([&](TfrmFiltroEmissaoRPS* d) {
        Settle(d);
        TypesClient(kClienteFisico.number)(d);
        d->sbtConfirma->Click();
    }));
    env_.user().rowPicks.push_back(1);
    env_.show([&](TfrmFiltroEmissaoRPS* d) {
        QCOMPARE(Focused(), QString("medCliente"));
        QVERIFY(!d->medCliente->IsMasked());
        QCOMPARE(d->medCliente->text(), kClienteFisico.number);
        Settle(d);
        QCOMPARE(d->medCliente->EditMask(), kpv::PictPess("F"));
        d->btpCliente->Click();
        QCOMPARE(d->medCliente->Text(), kClienteJuridico.number);
        QCOMPARE(d->edtNmCliente->Text(), kClienteJuridico.name);
    });
    QVERIFY(env_.user().messages.isEmpty());
}

void FilterConfirmation::confirmedClientComesBackWholeUnderAnotherKindsMask_data() {
    QTest::addColumn<const Client*>("confirmed");
    QTest::addColumn<const Client*>("checkedThenCancelled");

    QTest::newRow("legal person back under the natural person's mask")
        << &kClienteJuridico << &kClienteFisico;
    QTest::newRow("natural person back under the legal person's mask")
        << &kClienteFisico << &kClienteJuridico;
}

// A client of the other kind checked and then cancelled leaves its mask on the field; the next show must
// still put the confirmed number back whole, next to its name, and a confirmation must find it.
void FilterConfirmation::confirmedClientComesBackWholeUnderAnotherKindsMask() {
    QFETCH(const Client*, confirmed);
    QFETCH(const Client*, checkedThenCancelled);
    QVERIFY(env_.show([&](TfrmFiltroEmissaoRPS* d) {
        Settle(d);
        TypesClient(confirmed->number)(d);
        d->sbtConfirma->Click();
    }));
    QVERIFY(!env_.show([&](TfrmFiltroEmissaoRPS* d) {
        Settle(d);
        TypesClient(checkedThenCancelled->number)(d);
        Settle(d);
        QCOMPARE(d->medCliente->EditMask(), kpv::PictPess(checkedThenCancelled->kind));
        QCOMPARE(d->edtNmCliente->Text(), checkedThenCancelled->name);
        d->sbtCancel->Click();
    }));

    QString number;
    QString name;
    env_.relay().clear();
    const bool confirmedAgain = env_.show([&](TfrmFiltroEmissaoRPS* d) {
        number = d->medCliente->Text();
        name = d->edtNmCliente->Text();
        d->sbtConfirma->Click();
    });
    QCOMPARE(number, confirmed->number);
    QCOMPARE(name, confirmed->name);
    QVERIFY2(env_.user().messages.isEmpty(), qPrintable(env_.user().messageTexts().join('\n')));
    QVERIFY(confirmedAgain);
    QCOMPARE(fetches().size(), 1);
    QCOMPARE(fetches()[0].args[6], confirmed->number);
    QCOMPARE(frmFiltroEmissaoRPS->recFiltro.stCliente, confirmed->number);
}

void FilterConfirmation::operationTypeChoice() {
    env_.show([&](TfrmFiltroEmissaoRPS* d) {
        QVERIFY(d->rdgTodosTipoOper->Checked());
        QVERIFY(!d->btpTipoOper->isEnabled());
        QVERIFY(!d->cbbIdOperacao->isEnabled());
        QCOMPARE(d->cbbIdOperacao->currentText(), QString("Saída"));

        emissao()->ListaTipoOper = QStringLiteral("S01");
        QTest::mouseClick(d->rdgListaTipoOper, Qt::LeftButton);
        QVERIFY(d->btpTipoOper->isEnabled());
        QCOMPARE(emissao()->ListaTipoOper, QString());

        emissao()->ListaTipoOper = QStringLiteral("S01");
        QTest::mouseClick(d->rdgTodosTipoOper, Qt::LeftButton);
        QVERIFY(!d->btpTipoOper->isEnabled());
        QCOMPARE(emissao()->ListaTipoOper, QString("S01"));

        // A list marked for one direction is dropped with it.
        d->cbbIdOperacaoChange(d->cbbIdOperacao);
        QCOMPARE(emissao()->ListaTipoOper, QString());
    });
    QVERIFY(env_.relay().calls(QStringLiteral("GetTipoOper")).isEmpty());
}

void FilterConfirmation::operationTypeLookup_data() {
    QTest::addColumn<int>("direction");
    QTest::addColumn<std::optional<QStringList>>("marked");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QStringList>("offered");
    QTest::addColumn<QString>("after");

    QTest::newRow("Saída, two marked")
        << 0 << std::optional<QStringList>(QStringList{"S01", "S09"}) << "" << QStringList{"", "T", "S"}
        << QStringList{"S01", "S05", "S09"} << "S01,S09";
    QTest::newRow("another index asks for Entrada")
        << 1 << std::optional<QStringList>(QStringList{"E01"}) << "" << QStringList{"", "T", "E"}
        << QStringList{"E01"} << "E01";
    QTest::newRow("given up keeps the list")
        << 0 << std::optional<QStringList>() << "S05" << QStringList{"", "T", "S"}
        << QStringList{"S01", "S05", "S09"} << "S05";
}

void FilterConfirmation::operationTypeLookup() {
    QFETCH(int, direction);
    QFETCH(std::optional<QStringList>, marked);
    QFETCH(QString, before);
    QFETCH(QStringList, sent);
    QFETCH(QStringList, offered);
    QFETCH(QString, after);
    env_.user().rowsPicks.push_back(marked);
    env_.show([&](TfrmFiltroEmissaoRPS* d) {
        d->rdgListaTipoOper->SetChecked(true);
        d->cbbIdOperacao->SetItemIndex(direction);
        emissao()->ListaTipoOper = before;
        d->btpTipoOper->Click();
        QCOMPARE(Column(d->cdsTipoOper, "CHAVE"), offered);
        QCOMPARE(emissao()->ListaTipoOper, after);
        QVERIFY(!kpv::ShowAviActive());
    });
    const QList<RelayedCall> calls = env_.relay().calls(QStringLiteral("GetTipoOper"));
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls[0].args, sent);
    QCOMPARE(env_.user().pickTitles, QStringList{"Tipo de Operação"});
    QVERIFY(env_.user().messages.isEmpty());
}

// The transport's error reaches the user; no list opens and the marked types stay.
void FilterConfirmation::operationTypeLookupServerFailure() {
    env_.connectTo(DeadPort());
    env_.show([&](TfrmFiltroEmissaoRPS* d) {
        d->rdgListaTipoOper->SetChecked(true);
        emissao()->ListaTipoOper = QStringLiteral("S05");
        d->btpTipoOper->Click();
        QVERIFY(!kpv::ShowAviActive());
        QCOMPARE(emissao()->ListaTipoOper, QString("S05"));
    });
    env_.connectTo(0);
    QCOMPARE(env_.user().messages.size(), 1);
    QVERIFY(!env_.user().messages[0].text.isEmpty());
    QVERIFY(env_.user().pickTitles.isEmpty());
}

QTEST_MAIN(FilterConfirmation)
#include "test_filter_confirmation.moc"
