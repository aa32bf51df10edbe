#include "data_fixtures.h"
#include "framework/ui/scripted_interaction.h"

#include "framework/data/data_source.h"
#include "framework/data/dialogs.h"
#include "framework/data/list_routines.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <functional>
#include <optional>

using namespace kpv::data;

namespace {

// Runs `script` against the dialog once it is up.
void whenDialogShows(std::function<void(QDialog*)> script) {
    QTimer::singleShot(0, [script] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        script(dialog);
    });
}

QStringList headerTitles(const QTableView* view) {
    QStringList titles;
    for (int c = 0; c < view->model()->columnCount(); ++c)
        titles << view->model()->headerData(c, Qt::Horizontal).toString();
    return titles;
}

QPushButton* button(QDialog* dialog, QDialogButtonBox::StandardButton which) {
    return dialog->findChild<QDialogButtonBox*>()->button(which);
}

}  // namespace

class TestDataDialogs : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void procura_data();
    void procura();
    void pesquisaLista_data();
    void pesquisaLista();
    void lookupDialogShowsVisibleFieldsAndPicks_data();
    void lookupDialogShowsVisibleFieldsAndPicks();
    void multiSelectDialogStartsFromTheKeys_data();
    void multiSelectDialogStartsFromTheKeys();
    void findDialogAsksFieldAndText();
};

void TestDataDialogs::procura_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<std::optional<kpv::FindRequest>>("answer");
    QTest::addColumn<int>("recNo");
    QTest::addColumn<bool>("notFound");
    using R = std::optional<kpv::FindRequest>;
    QTest::newRow("next match after the current row") << 0 << R({"NAME", "cliente 3"}) << 2 << false;
    QTest::newRow("contains, ignoring case") << 0 << R({"NAME", "ENTE 4"}) << 3 << false;
    QTest::newRow("wraps round to the start") << 4 << R({"NAME", "cliente 2"}) << 1 << false;
    QTest::newRow("first match after, not the nearest before") << 2 << R({"NAME", "Cliente"}) << 3 << false;
    QTest::newRow("the current row itself, last") << 2 << R({"CODE", "0003"}) << 2 << false;
    QTest::newRow("through the shown text") << 0 << R({"AMOUNT", "301,50"}) << 2 << false;
    QTest::newRow("through the text handler") << 0 << R({"MARK", "marcado"}) << 3 << false;
    QTest::newRow("nothing matches") << 1 << R({"NAME", "Fornecedor"}) << 1 << true;
    QTest::newRow("the user gave up") << 1 << R() << 1 << false;
}

void TestDataDialogs::procura() {
    QFETCH(int, start);
    QFETCH(std::optional<kpv::FindRequest>, answer);
    kpv::ScriptedInteraction user;
    auto set = fixtures::DataSet();
    set->LoadFromPacket(fixtures::Packet(5));
    set->SetRecNo(3);
    set->Edit();
    set->FieldByName("MARK")->SetAsString("S");
    set->Post();
    set->FieldByName("MARK")->OnGetText = [](TField* field, QString& text, bool) {
        text = field->AsString() == u"S" ? QStringLiteral("Marcado") : QStringLiteral("Livre");
    };
    set->SetRecNo(start);
    user.findAnswers.push_back(answer);
    kpv::Procura(set.get());
    QTEST(set->RecNo(), "recNo");
    QFETCH(bool, notFound);
    QCOMPARE(user.messageTexts(), notFound ? QStringList{"Registro não encontrado."} : QStringList{});
    if (notFound) QCOMPARE(user.messages[0].type, kpv::TMsgDlgType::mtInformation);
}

void TestDataDialogs::pesquisaLista_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<std::optional<QStringList>>("answer");
    QTest::addColumn<bool>("flag");
    QTest::addColumn<QString>("after");
    using A = std::optional<QStringList>;
    QTest::newRow("keys joined by commas") << "" << A(QStringList{"01", "07", "12"}) << false << "01,07,12";
    QTest::newRow("a new choice replaces the old") << "01,02" << A(QStringList{"05"}) << false << "05";
    QTest::newRow("nothing marked") << "01" << A(QStringList{}) << false << "";
    QTest::newRow("giving up keeps the list") << "01,02" << A() << false << "01,02";
    QTest::newRow("quoted keys") << "" << A(QStringList{"01", "07"}) << true << "'01','07'";
}

void TestDataDialogs::pesquisaLista() {
    QFETCH(QString, before);
    QFETCH(std::optional<QStringList>, answer);
    QFETCH(bool, flag);
    kpv::ScriptedInteraction user;
    auto set = fixtures::DataSet();
    set->LoadFromPacket(fixtures::Packet(3));
    TDataSource source(nullptr, QStringLiteral("dtsTipoOper"));
    source.SetDataSet(set.get());
    user.rowsPicks.push_back(answer);
    QString list = before;
    kpv::PesquisaLista(&source, QStringLiteral("CODE"), QStringLiteral("Tipo de Operação"), flag, list);
    QTEST(list, "after");
    QCOMPARE(user.pickTitles, QStringList{"Tipo de Operação"});
}

void TestDataDialogs::lookupDialogShowsVisibleFieldsAndPicks_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<std::optional<int>>("picked");
    QTest::newRow("enter picks the current row") << "enter" << std::optional<int>(3);
    QTest::newRow("double-click picks the row") << "double-click" << std::optional<int>(1);
    QTest::newRow("escape gives up") << "escape" << std::optional<int>();
}

void TestDataDialogs::lookupDialogShowsVisibleFieldsAndPicks() {
    QFETCH(QString, how);
    auto set = fixtures::DataSet();
    set->LoadFromPacket(fixtures::Packet(5));
    set->SetRecNo(2);
    set->FieldByName("CODE")->OnGetText = [](TField* field, QString& text, bool) {
        text = u'#' + field->AsString();
    };
    TDataSource source(nullptr, QStringLiteral("dtsEmpresa"));
    source.SetDataSet(set.get());
    whenDialogShows([&](QDialog* dialog) {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Empresa"));
        auto* view = dialog->findChild<QTableView*>();
        QCOMPARE(headerTitles(view), (QStringList{"CODE", "Nome", "AMOUNT", "WHEN"}));
        QCOMPARE(view->model()->data(view->model()->index(4, 0)).toString(), QStringLiteral("#0005"));
        QCOMPARE(view->model()->data(view->model()->index(4, 2)).toString(), QStringLiteral("502,50"));
        QCOMPARE(view->currentIndex().row(), 2);  // it opens on the data set's current row
        if (how == u"enter") {
            QTest::keyClick(view, Qt::Key_Down);
            QTest::keyClick(view, Qt::Key_Return);
        } else if (how == u"double-click") {
            const QPoint at = view->visualRect(view->model()->index(1, 1)).center();
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
        } else {
            QTest::keyClick(view, Qt::Key_Escape);
        }
    });
    const std::optional<int> picked = ShowLookupDialog(nullptr, QStringLiteral("Empresa"), &source);
    QTEST(picked, "picked");
    QCOMPARE(set->RecNo(), 2);  // choosing is the caller's business
}

void TestDataDialogs::multiSelectDialogStartsFromTheKeys_data() {
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QStringList>("keys");
    QTest::newRow("ok returns the marked keys in row order") << true << QStringList{"0001", "0002", "0004"};
    QTest::newRow("cancel leaves the keys") << false << QStringList{"0004", "0002"};
}

void TestDataDialogs::multiSelectDialogStartsFromTheKeys() {
    QFETCH(bool, confirm);
    auto set = fixtures::DataSet();
    set->LoadFromPacket(fixtures::Packet(5));
    TDataSource source(nullptr, QStringLiteral("dtsTipoOper"));
    source.SetDataSet(set.get());
    QStringList keys{"0004", "0002"};
    whenDialogShows([&](QDialog* dialog) {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Tipo de Operação"));
        auto* view = dialog->findChild<QTableView*>();
        QAbstractItemModel* model = view->model();
        QList<int> marked;
        for (int r = 0; r < model->rowCount(); ++r) {
            if (model->data(model->index(r, 0), Qt::CheckStateRole).toInt() == Qt::Checked) marked << r;
        }
        QCOMPARE(marked, (QList<int>{1, 3}));
        QVERIFY(model->flags(model->index(0, 0)) & Qt::ItemIsUserCheckable);
        QVERIFY(model->setData(model->index(0, 0), Qt::Checked, Qt::CheckStateRole));
        (confirm ? button(dialog, QDialogButtonBox::Ok) : button(dialog, QDialogButtonBox::Cancel))->click();
    });
    const bool accepted = ShowMultiSelectDialog(nullptr, QStringLiteral("Tipo de Operação"), &source,
                                                QStringLiteral("CODE"), keys);
    QCOMPARE(accepted, confirm);
    QTEST(keys, "keys");
}

void TestDataDialogs::findDialogAsksFieldAndText() {
    auto set = fixtures::DataSet();
    set->LoadFromPacket(fixtures::Packet(2));
    whenDialogShows([&](QDialog* dialog) {
        auto* fields = dialog->findChild<QComboBox*>();
        QStringList labels;
        for (int i = 0; i < fields->count(); ++i) labels << fields->itemText(i);
        QCOMPARE(labels, (QStringList{"CODE", "Nome", "AMOUNT", "WHEN"}));
        QPushButton* ok = button(dialog, QDialogButtonBox::Ok);
        QVERIFY(!ok->isEnabled());  // nothing to look for yet
        fields->setCurrentIndex(1);
        QTest::keyClicks(dialog->findChild<QLineEdit*>(), QStringLiteral("silva"));
        QVERIFY(ok->isEnabled());
        ok->click();
    });
    const std::optional<kpv::FindRequest> request = ShowFindDialog(nullptr, set.get());
    QVERIFY(request);
    QCOMPARE(request->fieldName, QStringLiteral("NAME"));
    QCOMPARE(request->text, QStringLiteral("silva"));
    whenDialogShows([](QDialog* dialog) { button(dialog, QDialogButtonBox::Cancel)->click(); });
    QVERIFY(!ShowFindDialog(nullptr, set.get()));
}

QTEST_MAIN(TestDataDialogs)
#include "test_data_dialogs.moc"
