// The filter dialog as laid out: every control of its layout with kind, place, caption, input rules and
// initial state, the lookup buttons' lists, the tab order, the captions' typeface and the catalogue in
// its order.
#include "expected_table.h"
#include "filter/frm_filtro_emissao_rps.h"
#include "framework/core/messages.h"
#include "framework/data/client_data_set.h"
#include "framework/data/data_source.h"
#include "framework/data/query.h"
#include "framework/ui/date_edit.h"
#include "framework/ui/lookup_button.h"
#include "framework/ui/mask_edit.h"

#include <QtTest>

using Cli_kpv41100::TfrmFiltroEmissaoRPS;
using namespace kpv::ui;

namespace {

// Text a control shows as its caption, whatever its kind.
QString CaptionOf(QWidget* w) {
    if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
    if (auto* group = qobject_cast<QGroupBox*>(w)) return group->title();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
    return {};
}

}  // namespace

class FilterLayout : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void init();
    void cleanup();
    void window();
    void controls_data();
    void controls();
    void edits_data();
    void edits();
    void lookupButtons_data();
    void lookupButtons();
    void initialState();
    void tabOrderRunsThroughTheRowsThenTheGroups();
    void captionsAreBoldAndTheRestPlain();
    void catalogueInItsOrder();
    void listFieldsAndLabels_data();
    void listFieldsAndLabels();

  private:
    TfrmFiltroEmissaoRPS* dialog_ = nullptr;
};

void FilterLayout::init() {
    dialog_ = new TfrmFiltroEmissaoRPS(nullptr);
}

void FilterLayout::cleanup() {
    delete dialog_;
    dialog_ = nullptr;
}

void FilterLayout::window() {
    QCOMPARE(dialog_->objectName(), QString("frmFiltroEmissaoRPS"));
    QCOMPARE(dialog_->Caption(), QString("Filtro Emissão de Recibo Provisório de Serviço (RPS)"));
    QCOMPARE(dialog_->size(), QSize(694, 215));
    QCOMPARE(dialog_->pos(), QPoint(304, 163));
    QCOMPARE(dialog_->lblCodTela->text(), QString("KPV41100"));
    QCOMPARE(dialog_->grbDadosRel->geometry(), QRect(0, 0, 639, 215));
    QCOMPARE(dialog_->panMenu->x(), 639);
}

void FilterLayout::controls_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("place");  // height 0: the control's own
    QTest::addColumn<QString>("caption");

    for (const QStringList& c : ReadExpectedTable(KPV_TEST_DIR "/expected/filter_controls.tsv", 8)) {
        QTest::newRow(qPrintable(c[0]))
            << c[0] << c[1] << c[2] << QRect(c[3].toInt(), c[4].toInt(), c[5].toInt(), c[6].toInt()) << c[7];
    }
}

void FilterLayout::controls() {
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QString, parent);
    QFETCH(QRect, place);
    QFETCH(QString, caption);
    auto* w = dialog_->findChild<QWidget*>(name);
    QVERIFY2(w, qPrintable(name));
    QCOMPARE(QString(w->metaObject()->className()), kind);
    QCOMPARE(w->parentWidget()->objectName(), parent);
    QCOMPARE(w->x(), place.x());
    QCOMPARE(w->y(), place.y());
    if (place.width() > 0) QCOMPARE(w->width(), place.width());
    if (place.height() > 0) QCOMPARE(w->height(), place.height());
    QCOMPARE(CaptionOf(w), caption);
}

void FilterLayout::edits_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");  // what the field holds afterwards
    QTest::addColumn<int>("maxLength");
    QTest::addColumn<bool>("infoColour");

    QTest::newRow("branch: upper case, 4 letters or digits") << "medCdFilial"
                                                             << "ab-1c9"
                                                             << "AB1C" << 4 << false;
    QTest::newRow("state registration: upper case, 16") << "edtCdInscEsta"
                                                        << "abc12345678901234567"
                                                        << "ABC1234567890123" << 16 << true;
    QTest::newRow("municipal registration: upper case, 16") << "edtCdInscMuni"
                                                            << "im-77770000xyz"
                                                            << "IM-77770000XYZ" << 16 << true;
    QTest::newRow("series: upper case, 5") << "edtCdSerie"
                                           << "a1b2c3"
                                           << "A1B2C" << 5 << true;
    QTest::newRow("client: no mask, 20") << "medCliente"
                                         << "12345678000195ABCDEFGH"
                                         << "12345678000195ABCDEF" << 20 << false;
}

void FilterLayout::edits() {
    QFETCH(QString, name);
    QFETCH(QString, typed);
    QFETCH(QString, text);
    QFETCH(int, maxLength);
    QFETCH(bool, infoColour);
    auto* edit = dialog_->findChild<TCustomEdit*>(name);
    QVERIFY(edit);
    QCOMPARE(edit->maxLength(), maxLength);
    QCOMPARE(edit->palette().color(QPalette::Base) == clInfoBk, infoColour);
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->Text(), text);
}

void FilterLayout::lookupButtons_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("associate");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("emptyError");

    QTest::newRow("btpFiliEmit") << "btpFiliEmit"
                                 << "medCdFilial"
                                 << "Filial"
                                 << "dtsFilial"
                                 << "Não há filial cadastrada.";
    QTest::newRow("btnInscrEstad") << "btnInscrEstad"
                                   << "edtCdInscEsta"
                                   << "Inscrição Estadual"
                                   << "dtsInscrEstad"
                                   << "Não há inscrição estadual cadastrada.";
    QTest::newRow("btpInscrMunicip") << "btpInscrMunicip"
                                     << "edtCdInscMuni"
                                     << "Inscrição Municipal"
                                     << "dtsInscrMunicip"
                                     << "Não há inscrição municipal cadastrada.";
    QTest::newRow("btpSerieNF") << "btpSerieNF"
                                << "edtCdSerie"
                                << "Série de Documentos de Saída"
                                << "dtsSerieNF"
                                << "Não há série cadastrada para a inscrição estadual informada.";
    QTest::newRow("btpCliente") << "btpCliente"
                                << "medCliente"
                                << "Cliente"
                                << "dtsCliente"
                                << "Não há cliente cadastrado.";
    QTest::newRow("btpTipoOper") << "btpTipoOper"
                                 << "rdgListaTipoOper"
                                 << "Tipo de Operação"
                                 << "dtsTipoOper"
                                 << "Não há tipo de operação cadastrado.";
}

void FilterLayout::lookupButtons() {
    QFETCH(QString, name);
    QFETCH(QString, associate);
    QFETCH(QString, title);
    QFETCH(QString, source);
    QFETCH(QString, emptyError);
    auto* button = dialog_->findChild<TBtnPesquisa*>(name);
    QVERIFY(button);
    QVERIFY(button->Associate);
    QCOMPARE(button->Associate->objectName(), associate);
    QCOMPARE(button->Title, title);
    QVERIFY(button->DataSource);
    QCOMPARE(button->DataSource->objectName(), source);
    QCOMPARE(button->EmptyError, emptyError);
    QCOMPARE(button->toolTip(), QString("Pesquisar"));
}

void FilterLayout::initialState() {
    TfrmFiltroEmissaoRPS* d = dialog_;
    QCOMPARE(d->medCdFilial->EditMask(), QString(">aaaa;0; "));
    QVERIFY(!d->medCliente->IsMasked());
    QCOMPARE(d->lblFilial->buddy(), d->medCdFilial);
    QCOMPARE(d->lblInscEsta->buddy(), d->edtCdInscEsta);
    QCOMPARE(d->lblInscMuni->buddy(), d->edtCdInscMuni);
    QCOMPARE(d->lblInscEsta->property("Tag").toInt(), 99);
    QCOMPARE(d->lblInscMuni->property("Tag").toInt(), 99);
    for (TEdit* display : {d->edtFiliEmit, d->edtNmCliente}) {
        QVERIFY(!display->isEnabled());
        QCOMPARE(display->focusPolicy() & Qt::TabFocus, 0);
        QCOMPARE(display->palette().color(QPalette::Base), clBtnFace);
    }
    for (TDateEditPlus* date : {d->depSaidIni, d->depSaidFim}) {
        QCOMPARE(date->palette().color(QPalette::Base), clInfoBk);
        QCOMPARE(date->ValidDateColor(), QColor(Qt::blue));
        QCOMPARE(date->NomeSemana().first(), QString("Domingo"));
        QCOMPARE(date->NomeSemana().last(), QString("Sábado"));
        QVERIFY(!date->SaveTime());
    }
    QVERIFY(!d->cbbIdOperacao->isEnabled());
    QCOMPARE(d->cbbIdOperacao->count(), 2);
    QCOMPARE(d->cbbIdOperacao->itemText(0), QString("Saída"));
    QCOMPARE(d->cbbIdOperacao->itemText(1), QString("Entrada"));
    QCOMPARE(d->cbbIdOperacao->ItemIndex(), 0);
    QVERIFY(d->rdgTodosTipoOper->Checked());
    QVERIFY(!d->rdgListaTipoOper->Checked());
    QVERIFY(!d->btpTipoOper->isEnabled());
    QVERIFY(d->chbNaoEmitido->Checked() && d->chbEmitido->Checked() && d->chbSubstituido->Checked());
    for (const char* name : {"qryFilial", "qryEmprCntrFil", "qryInscrEstad", "qrySerieNF", "qryCliente"})
        QVERIFY2(d->findChild<kpv::data::TADOIBQuery*>(name), name);
    for (const char* name : {"cdsInscrMunicip", "cdsTipoOper"})
        QVERIFY2(d->findChild<kpv::data::TClientDataSet*>(name), name);
}

void FilterLayout::tabOrderRunsThroughTheRowsThenTheGroups() {
    // The stops Tab can reach, in chain order from the first focused control round to it again: the combo
    // is disabled and the display-only fields take no tab.
    const QStringList expected = {"medCdFilial",      "edtCdInscEsta", "edtCdInscMuni", "edtCdSerie",
                                  "medCliente",       "depSaidIni",    "depSaidFim",    "rdgTodosTipoOper",
                                  "rdgListaTipoOper", "chbNaoEmitido", "chbEmitido",    "chbSubstituido"};
    QStringList stops;
    QWidget* w = dialog_->medCdFilial;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && dialog_->isAncestorOf(w))
            stops << w->objectName();
        w = w->nextInFocusChain();
    } while (w != dialog_->medCdFilial);
    QCOMPARE(stops, expected);
}

void FilterLayout::captionsAreBoldAndTheRestPlain() {
    for (QWidget* w : std::initializer_list<QWidget*>{
             dialog_->lblFilial, dialog_->lblInscEsta, dialog_->lblInscMuni, dialog_->lblSerie,
             dialog_->grbDtSaida, dialog_->grbTipoOper, dialog_->grbSituacao}) {
        QVERIFY2(w->font().bold(), qPrintable(w->objectName()));
        QCOMPARE(w->font().family(), QString("MS Sans Serif"));
        QCOMPARE(w->font().pointSize(), 8);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{
             dialog_->medCliente, dialog_->medCdFilial, dialog_->depSaidIni, dialog_->rdgTodosTipoOper,
             dialog_->chbEmitido, dialog_->lblInicial, dialog_->edtNmCliente}) {
        QVERIFY2(!w->font().bold(), qPrintable(w->objectName()));
        QCOMPARE(w->font().pointSize(), 8);
    }
}

void FilterLayout::catalogueInItsOrder() {
    QStringList expected;
    for (const QStringList& entry : ReadExpectedTable(KPV_TEST_DIR "/expected/filter_catalogue.txt", 1))
        expected << entry[0];
    QCOMPARE(dialog_->msgPadrao->Messages, expected);
    QCOMPARE(dialog_->msgPadrao->objectName(), QString("msgPadrao"));
}

void FilterLayout::listFieldsAndLabels_data() {
    QTest::addColumn<QString>("dataSet");
    QTest::addColumn<QStringList>("visible");  // field=label, in order
    QTest::addColumn<QStringList>("hidden");

    QTest::newRow("cdsInscrMunicip") << "cdsInscrMunicip"
                                     << QStringList{"CDINSCMUNI=Inscrição",
                                                    "NMREPRINSMUN=Representante",
                                                    "NRCERTDIGNFSE=Certificado",
                                                    "IDAMBTRABNFSE=Ambiente",
                                                    "NMPAIS=Pais",
                                                    "SGESTADO=Estado",
                                                    "NMMUNICIPIO=Município",
                                                    "CDMUNICIBGE=Cód. IBGE do Município"}
                                     << QStringList{"CDPAIS", "NMESTADO", "CDMUNICIPIO"};
    QTest::newRow("cdsTipoOper") << "cdsTipoOper" << QStringList{"CDTIPOOPER=Código", "NMTIPOOPER=Nome"}
                                 << QStringList{"IDMARCADO", "CHAVE"};
}

void FilterLayout::listFieldsAndLabels() {
    QFETCH(QString, dataSet);
    QFETCH(QStringList, visible);
    QFETCH(QStringList, hidden);
    auto* ds = dialog_->findChild<kpv::data::TClientDataSet*>(dataSet);
    QVERIFY(ds);
    QStringList shown;
    QStringList notShown;
    for (kpv::data::TField* f : ds->Fields()) {
        if (f->Visible)
            shown << f->FieldName() + u'=' + f->DisplayLabel;
        else
            notShown << f->FieldName();
    }
    QCOMPARE(shown, visible);
    QCOMPARE(notShown, hidden);
}

QTEST_MAIN(FilterLayout)
#include "test_filter_layout.moc"
