// The invoice list on the emission screen: the texts shown for the status codes, registration numbers
// and amounts, the command rule across the states of the list, ticking one and all invoices, and the
// tick column's painting.
#include "emission/cli_kpv41000.h"
#include "emission_screen.h"
#include "expected_table.h"
#include "framework/core/context.h"
#include "framework/core/dispatch.h"
#include "framework/core/errors.h"
#include "framework/data/client_data_set.h"
#include "framework/data/data_source.h"
#include "framework/data/db_grid.h"
#include "framework/data/db_navigator.h"
#include "framework/data/db_text.h"
#include "invoice_packet.h"
#include "screen_fixture.h"
#include "screen_state.h"

#include <QtTest>

using namespace Cli_kpv41000;
using kpv::data::TDataSetState;

namespace {

QString TypeName(kpv::data::TFieldType type) {
    switch (type) {
        case kpv::data::TFieldType::ftString:
            return QStringLiteral("ftString");
        case kpv::data::TFieldType::ftFixedChar:
            return QStringLiteral("ftFixedChar");
        case kpv::data::TFieldType::ftDateTime:
            return QStringLiteral("ftDateTime");
        case kpv::data::TFieldType::ftFloat:
            return QStringLiteral("ftFloat");
        case kpv::data::TFieldType::ftInteger:
            return QStringLiteral("ftInteger");
    }
    return {};
}

const QString kTransmitted =
    "Nota fiscal já transmitida pelo processo de Transmissão de Nota Fiscal de Serviço Eletrônica (NFS-e).";

TfrmEmissaoRPS* screen() {
    return frmEmissaoRPS.data();
}

// Loads rows as a retrieval does: the packet replaces the list, then the command rule runs.
void load(const QList<InvoiceRow>& rows) {
    screen()->cdsNotaFiscal->LoadFromPacket(InvoicePacket(rows));
    screen()->dtsNotaFiscalStateChange(screen()->dtsNotaFiscal);
}

}  // namespace

class InvoiceList : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void recordFields_data();
    void recordFields();
    void gridColumns_data();
    void gridColumns();
    void bottomStrip();
    void situationText_data();
    void situationText();
    void emptyListShowsNoSituation();
    void registrationMaskPerKindOfPerson_data();
    void registrationMaskPerKindOfPerson();
    void amountInBrazilianFormat_data();
    void amountInBrazilianFormat();
    void commandRuleAcrossListStates();
    void cancelCommandFollowsTheCurrentRow_data();
    void cancelCommandFollowsTheCurrentRow();
    void toggleOneInvoice_data();
    void toggleOneInvoice();
    void spaceBarTogglesLikeDoubleClick();
    void titleClickSequenceAcrossARefresh();
    void titleClickOnAListOfGreyedRowsTicksNothing();
    void titleClickInterruptedByAnError();
    void otherTitlesDoNothing();
    void newScreenStartsTickingAll();
    void tickCellTakesTheRowsBrush();
    void tickCellWithoutAMarkShowsNoBox();

  private:
    ScreenFixture screens_;
};

void InvoiceList::initTestCase() {
    screens_.showMdi();
}

void InvoiceList::init() {
    CriaEmissaoRPS();
    QVERIFY(screen());
    boTodosMarcados = false;
}

void InvoiceList::cleanup() {
    QVERIFY(CloseEmissionScreen());
}

void InvoiceList::recordFields_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("label");
    QTest::addColumn<bool>("visible");
    int position = 0;
    for (const QStringList& f : ReadExpectedTable(KPV_TEST_DIR "/expected/invoice_record.tsv", 5))
        QTest::newRow(qPrintable(f[0]))
            << position++ << f[0] << f[1] << f[2].toInt() << f[3] << (f[4] == "yes");
}

void InvoiceList::recordFields() {
    QFETCH(int, position);
    QFETCH(QString, name);
    const QList<kpv::data::TField*>& fields = screen()->cdsNotaFiscal->Fields();
    QCOMPARE(fields.size(), 20);
    kpv::data::TField* field = fields[position];
    QCOMPARE(field->FieldName(), name);
    QTEST(TypeName(field->DataType()), "type");
    QTEST(field->Size(), "size");
    QTEST(field->DisplayLabel, "label");
    QTEST(field->Visible, "visible");
    QCOMPARE(field->DisplayFormat, QString(name == "VRNOTAFISC" ? "###,##0.00" : ""));
}

void InvoiceList::gridColumns_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("title");
    int position = 0;
    for (const QStringList& c : ReadExpectedTable(KPV_TEST_DIR "/expected/grid_columns.tsv", 3))
        QTest::newRow(qPrintable(c[0])) << position++ << c[0] << c[1].toInt() << c[2];
}

void InvoiceList::gridColumns() {
    QFETCH(int, position);
    QFETCH(QString, field);
    const auto& columns = screen()->dbgPadrao->Columns();
    QCOMPARE(int(columns.size()), 12);
    kpv::data::TColumn* column = columns[size_t(position)].get();
    QCOMPARE(column->FieldName(), field);
    QTEST(column->Width(), "width");
    QCOMPARE(screen()->dbgPadrao->columnWidth(position), column->Width());
    QTEST(column->TitleCaption(), "title");
    const bool tick = field == "IDCHECK";
    QCOMPARE(column->TitleCharset() == kpv::data::TFontCharset::SYMBOL_CHARSET, tick);
    if (tick) {
        QCOMPARE(column->TitleAlignment(), Qt::AlignCenter);
        QCOMPARE(column->TitleFont().family(), QString("MS Sans Serif"));
        QCOMPARE(column->TitleFont().pixelSize(), 11);
    }
}

void InvoiceList::bottomStrip() {
    TfrmEmissaoRPS* f = screen();
    QCOMPARE(f->panNavigator->height(), 21);
    QVERIFY(f->panNavigator->y() > f->pgcPadrao->geometry().bottom());  // along the bottom of the list
    QCOMPARE(f->dbnPadrao->geometry().x(), 2);
    QCOMPARE(f->dbnPadrao->size(), QSize(108, 18));
    QCOMPARE(f->dbtNome->x(), 121);
    QVERIFY(f->dbtNome->font().bold());
    QCOMPARE(f->dbtNome->font().pixelSize(), 12);
    InvoiceRow first;
    first.rodape = "Operação S04 - Licenciamento de software";
    InvoiceRow second;
    second.rodape = "Operação S01";
    load({first, second});
    QCOMPARE(f->dbtNome->text(), first.rodape);
    f->cdsNotaFiscal->Next();
    QCOMPARE(f->dbtNome->text(), second.rodape);
}

void InvoiceList::situationText_data() {
    QTest::addColumn<QString>("emissao");
    QTest::addColumn<QString>("transmis");
    QTest::addColumn<QString>("text");
    const QList<std::tuple<const char*, const char*, const char*>> table = {
        {"1", "1", "Não Emitido"},
        {"1", "2", "Transmitido"},
        {"1", "3", "Transmitido"},
        {"1", "4", "Transmitido"},
        {"1", "", "Não Emitido"},
        {"2", "1", "Emitido"},
        {"2", "4", "Emitido"},
        {"3", "1", "Substituido"},
        {"3", "2", "Substituido"},
        {"0", "1", ""},
        {"4", "1", ""},
        {"", "1", ""},
        {"X", "1", ""},
    };
    for (const auto& [e, t, text] : table)
        QTest::newRow(qPrintable(QString("%1/%2").arg(e, t)))
            << QString(e) << QString(t) << QString::fromUtf8(text);
}

void InvoiceList::situationText() {
    QFETCH(QString, emissao);
    QFETCH(QString, transmis);
    QFETCH(QString, text);
    load({InvoiceRow{emissao, transmis}});
    QCOMPARE(screen()->cdsNotaFiscalIDEMISSAORPS->DisplayText(), text);
    QCOMPARE(screen()->cdsNotaFiscalIDEMISSAORPS->Text(), text);
}

void InvoiceList::emptyListShowsNoSituation() {
    load({});
    QVERIFY(screen()->cdsNotaFiscal->IsEmpty());
    QCOMPARE(screen()->cdsNotaFiscalIDEMISSAORPS->DisplayText(), QString());
}

void InvoiceList::registrationMaskPerKindOfPerson_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("raw");
    QTest::addColumn<QString>("shown");
    QTest::newRow("CNPJ") << "J"
                          << "12345678000195"
                          << "12.345.678/0001-95";
    QTest::newRow("CPF") << "F"
                         << "12345678909"
                         << "123.456.789-09";
    QTest::newRow("foreigner, no mask") << "E"
                                        << "AB123"
                                        << "AB123";
}

void InvoiceList::registrationMaskPerKindOfPerson() {
    QFETCH(QString, kind);
    QFETCH(QString, raw);
    QFETCH(QString, shown);
    InvoiceRow other;  // another kind on the next row keeps its own layout
    other.kind = kind == "F" ? "J" : "F";
    other.inscricao = kind == "F" ? "12345678000195" : "12345678909";
    InvoiceRow row;
    row.kind = kind;
    row.inscricao = raw;
    load({row, other});
    QCOMPARE(screen()->cdsNotaFiscalNRINSJURNF->DisplayText(), shown);
    // The grid reads the next row in place: it takes that row's kind of person, not the current one's.
    const QString otherShown = other.kind == "F" ? "123.456.789-09" : "12.345.678/0001-95";
    QCOMPARE(screen()->dbgPadrao->model()->index(1, 2).data().toString(), otherShown);
    QCOMPARE(screen()->cdsNotaFiscal->RecNo(), 0);
}

void InvoiceList::amountInBrazilianFormat_data() {
    QTest::addColumn<double>("amount");
    QTest::addColumn<QString>("shown");
    QTest::newRow("zero") << 0.0 << "0,00";
    QTest::newRow("cents") << 0.5 << "0,50";
    QTest::newRow("thousands") << 1234.5 << "1.234,50";
    QTest::newRow("millions") << 1234567.891 << "1.234.567,89";
}

void InvoiceList::amountInBrazilianFormat() {
    QFETCH(double, amount);
    QFETCH(QString, shown);
    InvoiceRow row;
    row.valor = amount;
    load({row});
    QCOMPARE(screen()->cdsNotaFiscalVRNOTAFISC->DisplayText(), shown);
}

void InvoiceList::commandRuleAcrossListStates() {
    TfrmEmissaoRPS* f = screen();
    load({InvoiceRow{}});
    QCOMPARE(CommandStates(screen()), QString("1111111 1111111 nav"));
    f->cdsNotaFiscal->Edit();
    QCOMPARE(CommandStates(screen()), QString("0000000 0000000 -"));
    f->cdsNotaFiscal->Post();
    QCOMPARE(CommandStates(screen()), QString("1111111 1111111 nav"));
    load({});
    QCOMPARE(CommandStates(screen()), QString("0000010 0000010 -"));
    f->cdsNotaFiscal->Close();
    QCOMPARE(CommandStates(screen()), QString("0000000 0000000 -"));
}

void InvoiceList::cancelCommandFollowsTheCurrentRow_data() {
    QTest::addColumn<QString>("transmis");
    QTest::addColumn<bool>("cancellable");
    QTest::newRow("1") << "1" << true;
    QTest::newRow("2") << "2" << false;
    QTest::newRow("3") << "3" << true;
    QTest::newRow("4") << "4" << false;
    QTest::newRow("empty") << "" << false;
}

void InvoiceList::cancelCommandFollowsTheCurrentRow() {
    QFETCH(QString, transmis);
    QFETCH(bool, cancellable);
    // Start on a row with the opposite state, then move to the row under test.
    load({InvoiceRow{"2", cancellable ? "2" : "1"}, InvoiceRow{"2", transmis}});
    QCOMPARE(screen()->mnuCancelaEmissao->Enabled(), !cancellable);
    screen()->cdsNotaFiscal->Next();
    QCOMPARE(screen()->mnuCancelaEmissao->Enabled(), cancellable);
    QCOMPARE(screen()->sbtCancelaEmissao->isEnabled(), cancellable);
}

void InvoiceList::toggleOneInvoice_data() {
    QTest::addColumn<QString>("emissao");
    QTest::addColumn<QString>("transmis");
    QTest::addColumn<QString>("check");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("eligible, unticked") << "1"
                                        << "1"
                                        << "N" << 0 << "S" << QStringList();
    QTest::newRow("eligible, ticked") << "1"
                                      << "1"
                                      << "S" << 0 << "N" << QStringList();
    QTest::newRow("eligible, neither S nor N") << "1"
                                               << "1"
                                               << "X" << 0 << "N" << QStringList();
    QTest::newRow("eligible, other column") << "1"
                                            << "1"
                                            << "N" << 3 << "N" << QStringList();
    QTest::newRow("emitted") << "2"
                             << "1"
                             << "N" << 0 << "N" << QStringList();
    QTest::newRow("transmitted") << "1"
                                 << "2"
                                 << "N" << 0 << "N" << QStringList{kTransmitted};
    QTest::newRow("transmitted, other column") << "1"
                                               << "4"
                                               << "N" << 3 << "N" << QStringList{kTransmitted};
}

void InvoiceList::toggleOneInvoice() {
    QFETCH(QString, emissao);
    QFETCH(QString, transmis);
    QFETCH(QString, check);
    QFETCH(int, column);
    QFETCH(QString, after);
    QFETCH(QStringList, messages);
    kpv::ScriptedInteraction user;
    InvoiceRow row{emissao, transmis, check};
    load({row});
    screen()->dbgPadrao->SetSelectedIndex(column);
    kpv::Dispatch([] { screen()->dbgPadraoDblClick(screen()->dbgPadrao); });
    QCOMPARE(screen()->cdsNotaFiscalIDCHECK->AsString(), after);
    QCOMPARE(user.messageTexts(), messages);
    QCOMPARE(screen()->cdsNotaFiscal->State(), TDataSetState::dsBrowse);
}

void InvoiceList::spaceBarTogglesLikeDoubleClick() {
    load({InvoiceRow{}});
    screen()->dbgPadrao->SetSelectedIndex(0);
    screen()->dbgPadrao->setFocus();
    QTest::keyClick(screen()->dbgPadrao, Qt::Key_Space);
    QCOMPARE(screen()->cdsNotaFiscalIDCHECK->AsString(), QString("S"));
    QTest::keyClick(screen()->dbgPadrao, Qt::Key_Space, Qt::ShiftModifier);
    QCOMPARE(screen()->cdsNotaFiscalIDCHECK->AsString(), QString("N"));
}

void InvoiceList::titleClickSequenceAcrossARefresh() {
    const QList<InvoiceRow> rows = {InvoiceRow{"1", "1"}, InvoiceRow{"2", "1"}, InvoiceRow{"1", "2"},
                                    InvoiceRow{"1", "1"}};
    load(rows);
    screen()->cdsNotaFiscal->Last();
    TfrmEmissaoRPS* f = screen();
    f->dbgPadraoTitleClick(f->dbgPadrao->Columns()[0].get());
    QCOMPARE(Ticks(screen()), QStringList({"S", "N", "N", "S"}));
    QVERIFY(boTodosMarcados);
    QCOMPARE(f->cdsNotaFiscal->RecNo(), 0);
    QVERIFY(!f->cdsNotaFiscal->ControlsDisabled());

    load(rows);  // a refresh brings the server's values and keeps the toggle
    QVERIFY(boTodosMarcados);
    f->dbgPadraoTitleClick(f->dbgPadrao->Columns()[0].get());
    QCOMPARE(Ticks(screen()), QStringList({"N", "N", "N", "N"}));
    QVERIFY(!boTodosMarcados);
    f->dbgPadraoTitleClick(f->dbgPadrao->Columns()[0].get());
    QCOMPARE(Ticks(screen()), QStringList({"S", "N", "N", "S"}));
}

void InvoiceList::titleClickOnAListOfGreyedRowsTicksNothing() {
    load({InvoiceRow{"2", "1"}, InvoiceRow{"3", "1"}, InvoiceRow{"1", "4"}});
    screen()->dbgPadraoTitleClick(screen()->dbgPadrao->Columns()[0].get());
    QCOMPARE(Ticks(screen()), QStringList({"N", "N", "N"}));
    QVERIFY(boTodosMarcados);
}

void InvoiceList::titleClickInterruptedByAnError() {
    load({InvoiceRow{}, InvoiceRow{"2", "1"}, InvoiceRow{}, InvoiceRow{}});
    TfrmEmissaoRPS* f = screen();
    f->cdsNotaFiscal->Last();
    QStringList shown;
    kpv::SetErrorDisplay([&](const QString& message) { shown << message; });
    // The title click writes the tick column in place; what can still fail is the return to the first row.
    const kpv::data::TDataSetNotifyEvent afterScroll = f->cdsNotaFiscal->AfterScroll;
    f->cdsNotaFiscal->AfterScroll = [&](kpv::data::TClientDataSet* ds) {
        afterScroll(ds);
        if (ds->RecNo() == 0) throw kpv::Error(QStringLiteral("Falha ao ler a nota."));
    };
    kpv::Dispatch([f] { f->dbgPadraoTitleClick(f->dbgPadrao->Columns()[0].get()); });
    f->cdsNotaFiscal->AfterScroll = afterScroll;
    kpv::SetErrorDisplay({});

    QCOMPARE(shown, QStringList{"Falha ao ler a nota."});
    QCOMPARE(Ticks(screen()), QStringList({"S", "N", "S", "S"}));
    QVERIFY(boTodosMarcados);
    QVERIFY(!f->cdsNotaFiscal->ControlsDisabled());
    QCOMPARE(f->cdsNotaFiscal->RecNo(), 0);
    QCOMPARE(f->cdsNotaFiscal->State(), TDataSetState::dsBrowse);
}

void InvoiceList::newScreenStartsTickingAll() {
    load({InvoiceRow{}});
    screen()->dbgPadraoTitleClick(screen()->dbgPadrao->Columns()[0].get());
    QVERIFY(boTodosMarcados);
    screen()->Close();
    QTRY_VERIFY(frmEmissaoRPS.isNull());
    QVERIFY(boTodosMarcados);  // closing alone does not reset it
    CriaEmissaoRPS();
    QVERIFY(!boTodosMarcados);
}

void InvoiceList::otherTitlesDoNothing() {
    load({InvoiceRow{}});
    screen()->dbgPadraoTitleClick(screen()->dbgPadrao->Columns()[3].get());
    QCOMPARE(Ticks(screen()), QStringList({"N"}));
    QVERIFY(!boTodosMarcados);
    load({});
    screen()->dbgPadraoTitleClick(screen()->dbgPadrao->Columns()[0].get());
    QVERIFY(!boTodosMarcados);
}

void InvoiceList::tickCellTakesTheRowsBrush() {
    load({InvoiceRow{"1", "1", "S"}, InvoiceRow{"1", "1", "N"}, InvoiceRow{"2", "1", "N"}});
    TfrmEmissaoRPS* f = screen();
    f->cdsNotaFiscal->First();
    QApplication::processEvents();
    const QImage shot = f->dbgPadrao->viewport()->grab().toImage();
    const int rowHeight = f->dbgPadrao->rowHeight(0);
    const QColor selection = f->dbgPadrao->SelectionColor();
    const QColor background = f->dbgPadrao->Color();
    // The olive background of the glyph takes the row's colour: selection on row 0, grid colour below.
    QCOMPARE(shot.pixelColor(4 + 0, 1), selection);
    QCOMPARE(shot.pixelColor(4 + 0, rowHeight + 1), background);
    // Row 0 ticked: a black tick pixel at (8, 6) of the glyph; row 1 unticked: white there.
    QCOMPARE(shot.pixelColor(4 + 8, 6), QColor(Qt::black));
    QCOMPARE(shot.pixelColor(4 + 8, rowHeight + 6), QColor(Qt::white));
    // Row 2 emitted: the grey box, silver inside.
    QCOMPARE(shot.pixelColor(4 + 4, 2 * rowHeight + 4), QColor(192, 192, 192));
}

void InvoiceList::tickCellWithoutAMarkShowsNoBox() {
    load({InvoiceRow{"1", "1", "X"}, InvoiceRow{"1", "1", "N"}});
    TfrmEmissaoRPS* f = screen();
    f->cdsNotaFiscal->Next();  // keep the selection off the row under test
    QApplication::processEvents();
    const QImage shot = f->dbgPadrao->viewport()->grab().toImage();
    const int rowHeight = f->dbgPadrao->rowHeight(0);
    const QColor background = f->dbgPadrao->Color();
    // Row 0: neither "S" nor "N": the field's text erased and no box; row 1: the box's black frame.
    for (int x = 1; x < 21; ++x)
        for (int y = 1; y < rowHeight - 1; ++y) QCOMPARE(shot.pixelColor(x, y), background);
    QCOMPARE(shot.pixelColor(4 + 2, rowHeight + 2), QColor(Qt::black));
}

QTEST_MAIN(InvoiceList)
#include "test_invoice_list.moc"
