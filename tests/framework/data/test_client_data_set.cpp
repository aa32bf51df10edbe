#include "data_fixtures.h"

#include "framework/core/errors.h"
#include "framework/data/data_source.h"

#include <QSignalSpy>
#include <QTest>

#include <functional>

using namespace kpv::data;
using kpv::protocol::DataPacket;

namespace {

QString stateName(TDataSetState state) {
    switch (state) {
        case TDataSetState::dsInactive:
            return QStringLiteral("inactive");
        case TDataSetState::dsBrowse:
            return QStringLiteral("browse");
        case TDataSetState::dsEdit:
            return QStringLiteral("edit");
    }
    return {};
}

// Runs one step of a script against the data set.
void step(TClientDataSet& set, const QString& command) {
    if (command.startsWith(u"load")) {
        set.LoadFromPacket(fixtures::Packet(command.mid(4).toInt()));
    } else if (command == u"open") {
        set.Open();
    } else if (command == u"close") {
        set.Close();
    } else if (command == u"empty") {
        set.EmptyDataSet();
    } else if (command == u"edit") {
        set.Edit();
    } else if (command.startsWith(u"set:")) {
        set.FieldByName("MARK")->SetAsString(command.mid(4));
    } else if (command == u"post") {
        set.Post();
    } else if (command == u"cancel") {
        set.Cancel();
    } else if (command == u"first") {
        set.First();
    } else if (command == u"next") {
        set.Next();
    } else if (command == u"prior") {
        set.Prior();
    } else if (command == u"last") {
        set.Last();
    } else if (command.startsWith(u"moveby")) {
        set.MoveBy(command.mid(6).toInt());
    } else if (command.startsWith(u"recno")) {
        set.SetRecNo(command.mid(5).toInt());
    } else if (command == u"disable") {
        set.DisableControls();
    } else if (command == u"enable") {
        set.EnableControls();
    } else {
        QFAIL(qPrintable(u"unknown step " + command));
    }
}

}  // namespace

class TestClientDataSet : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void notifications_data();
    void notifications();
    void loadReplacesRowsAndMakesFirstCurrent();
    void loadFailureKeepsPreviousRows_data();
    void loadFailureKeepsPreviousRows();
    void packetDefinesFieldsOfAnUndeclaredSet();
    void navigationFlags_data();
    void navigationFlags();
    void locate_data();
    void locate();
    void editBufferAndCancel();
    void postNotifiesOnlyTheChangedRow();
    void refusedOperations_data();
    void refusedOperations();
    void fieldConversions_data();
    void fieldConversions();
    void textGoesThroughOnGetText();
    void paintRecordReadsAnotherRowWithoutScrolling();
    void editedTextsReuseOrGrowTheirSlot();
    void severalSourcesAndDetaching();
};

// Every step's notifications, in order: B BeforeOpen, S state change (with the state the data source
// reports), A AfterScroll (with the record), D whole refresh, R one record changed.
void TestClientDataSet::notifications_data() {
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QStringList>("expected");
    const auto rows = [](const char* name, QStringList script, QStringList expected) {
        QTest::newRow(name) << script << expected;
    };
    rows("open empty", {"open"}, {"B", "S:browse", "D"});
    rows("load from inactive", {"load3"}, {"B", "S:browse", "D", "A:0"});
    rows("load empty packet", {"load0"}, {"B", "S:browse", "D"});
    rows("reload replaces and rewinds", {"load3", "next", "load2"},
         {"B", "S:browse", "D", "A:0", "A:1", "D", "A:0"});
    rows("edit and post", {"load3", "edit", "set:S", "post"},
         {"B", "S:browse", "D", "A:0", "S:edit", "R:0", "S:browse", "R:0"});
    rows("edit and cancel", {"load2", "next", "edit", "set:S", "cancel"},
         {"B", "S:browse", "D", "A:0", "A:1", "S:edit", "R:1", "S:browse", "R:1"});
    rows("edit and post without change", {"load2", "edit", "post"},
         {"B", "S:browse", "D", "A:0", "S:edit", "S:browse"});
    rows("close", {"load2", "close"}, {"B", "S:browse", "D", "A:0", "S:inactive", "D"});
    rows("close while editing cancels", {"load2", "edit", "set:S", "close"},
         {"B", "S:browse", "D", "A:0", "S:edit", "R:0", "S:browse", "R:0", "S:inactive", "D"});
    rows("close and open again", {"load1", "close", "open"},
         {"B", "S:browse", "D", "A:0", "S:inactive", "D", "B", "S:browse", "D"});
    rows("open on an open set does nothing", {"load1", "open"}, {"B", "S:browse", "D", "A:0"});
    rows("empty data set", {"load2", "empty"}, {"B", "S:browse", "D", "A:0", "D"});
    rows("first on empty set", {"load0", "first"}, {"B", "S:browse", "D"});
    rows("first on rows scrolls even in place", {"load2", "first"}, {"B", "S:browse", "D", "A:0", "A:0"});
    rows("next at the end does not scroll", {"load3", "last", "next"}, {"B", "S:browse", "D", "A:0", "A:2"});
    rows("prior at the start does not scroll", {"load3", "prior"}, {"B", "S:browse", "D", "A:0"});
    rows("move by past the end stops at last", {"load3", "moveby7"}, {"B", "S:browse", "D", "A:0", "A:2"});
    rows("recno to the same row", {"load3", "recno0"}, {"B", "S:browse", "D", "A:0"});
    rows("moving posts a pending edit", {"load3", "edit", "set:S", "next"},
         {"B", "S:browse", "D", "A:0", "S:edit", "R:0", "S:browse", "R:0", "A:1"});
    rows("disabled controls: one refresh, AfterScroll still runs",
         {"load3", "disable", "disable", "edit", "set:S", "post", "next", "enable", "enable"},
         {"B", "S:browse", "D", "A:0", "A:1", "D"});
    rows("inner enable sends nothing", {"load3", "disable", "disable", "next", "enable"},
         {"B", "S:browse", "D", "A:0", "A:1"});
    rows("state differing after enable is announced", {"load3", "disable", "edit", "enable"},
         {"B", "S:browse", "D", "A:0", "S:edit", "D"});
    rows("enable without disable does nothing", {"load1", "enable"}, {"B", "S:browse", "D", "A:0"});
}

void TestClientDataSet::notifications() {
    QFETCH(QStringList, script);
    QFETCH(QStringList, expected);
    auto set = fixtures::DataSet();
    TDataSource source(nullptr, QStringLiteral("dtsTeste"));
    source.SetDataSet(set.get());
    QStringList log;
    source.OnStateChange = [&](QObject* sender) {
        QCOMPARE(sender, &source);
        log << u"S:" + stateName(source.State());
    };
    set->AfterScroll = [&](TClientDataSet* ds) { log << u"A:" + QString::number(ds->RecNo()); };
    set->BeforeOpen = [&](TClientDataSet* ds) {
        QVERIFY(!ds->Active());
        log << QStringLiteral("B");
    };
    connect(&source, &TDataSource::dataSetChanged, this, [&] { log << QStringLiteral("D"); });
    connect(&source, &TDataSource::recordChanged, this,
            [&](int row) { log << u"R:" + QString::number(row); });
    for (const QString& command : script) step(*set, command);
    QCOMPARE(log, expected);
}

void TestClientDataSet::loadReplacesRowsAndMakesFirstCurrent() {
    auto set = fixtures::DataSet();
    set->LoadFromPacket(fixtures::Packet(5));
    set->Last();
    set->Edit();
    set->FieldByName("MARK")->SetAsString("S");
    set->Post();
    set->LoadFromPacket(fixtures::Packet(3, 40));
    QCOMPARE(set->RecordCount(), 3);
    QCOMPARE(set->RecNo(), 0);
    QVERIFY(set->Bof());
    QVERIFY(!set->Eof());
    QCOMPARE(set->FieldByName("CODE")->AsString(), QStringLiteral("0040"));
    QCOMPARE(set->FieldByName("AMOUNT")->AsFloat(), 40 * 100.5);
    QCOMPARE(set->FieldByName("WHEN")->AsDateTime(), QDateTime(QDate(2024, 1, 1), QTime(0, 0)));
    set->Last();
    QCOMPARE(set->FieldByName("CODE")->AsString(), QStringLiteral("0042"));
    QCOMPARE(set->FieldByName("MARK")->AsString(), QStringLiteral("N"));
}

void TestClientDataSet::loadFailureKeepsPreviousRows_data() {
    QTest::addColumn<DataPacket>("packet");
    QTest::addColumn<QString>("message");
    // The usual packet with its field `field` dropped, or sent as text with `bad` in row `badRow`.
    const auto unusual = [](int rows, int field, bool drop, int badRow = -1, const QString& bad = {}) {
        const DataPacket usual = fixtures::Packet(rows);
        QList<kpv::protocol::PacketField> fields = usual.fields();
        if (drop)
            fields.removeAt(field);
        else
            fields[field].type = TFieldType::ftString;
        DataPacket packet(fields);
        std::vector<QVariantList> values = usual.rows();
        for (int r = 0; r < rows; ++r) {
            QVariantList& row = values[size_t(r)];
            if (drop)
                row.removeAt(field);
            else if (r == badRow)
                row[field] = bad;
            packet.appendRow(row);
        }
        return packet;
    };
    QTest::newRow("declared field missing")
        << unusual(2, 1, true) << QStringLiteral("cdsTeste: campo 'NAME' não encontrado.");
    QTest::newRow("text in a number field")
        << unusual(3, 2, false, 2, QStringLiteral("doze"))
        << QStringLiteral("cdsTeste: valor 'doze' inválido para o campo 'AMOUNT' (registro 3).");
    QTest::newRow("unreadable date")
        << unusual(2, 3, false, 0, QStringLiteral("32/13/2024"))
        << QStringLiteral("cdsTeste: valor '32/13/2024' inválido para o campo 'WHEN' (registro 1).");
}

void TestClientDataSet::loadFailureKeepsPreviousRows() {
    QFETCH(DataPacket, packet);
    QFETCH(QString, message);
    auto set = fixtures::DataSet();
    set->LoadFromPacket(fixtures::Packet(4, 10));
    set->Next();
    int scrolls = 0;
    set->AfterScroll = [&](TClientDataSet*) { ++scrolls; };
    try {
        set->LoadFromPacket(packet);
        QFAIL("the load should have failed");
    } catch (const kpv::Error& e) {
        QCOMPARE(e.message(), message);
    }
    QCOMPARE(set->RecordCount(), 4);
    QCOMPARE(set->RecNo(), 1);
    QCOMPARE(set->FieldByName("CODE")->AsString(), QStringLiteral("0011"));
    QCOMPARE(scrolls, 0);
}

void TestClientDataSet::packetDefinesFieldsOfAnUndeclaredSet() {
    TClientDataSet set(nullptr, QStringLiteral("cdsLivre"));
    set.LoadFromPacket(fixtures::Packet(2));
    QCOMPARE(set.Fields().size(), 5);
    QCOMPARE(set.Fields()[3]->FieldName(), QStringLiteral("WHEN"));
    QCOMPARE(set.Fields()[3]->DataType(), kpv::protocol::TFieldType::ftDateTime);
    QCOMPARE(set.FieldByName("name")->AsString(), QStringLiteral("Cliente 1"));
}

void TestClientDataSet::navigationFlags_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<int>("recNo");
    QTest::addColumn<bool>("bof");
    QTest::addColumn<bool>("eof");
    QTest::newRow("fresh load") << 3 << QStringList{} << 0 << true << false;
    QTest::newRow("one next") << 3 << QStringList{"next"} << 1 << false << false;
    QTest::newRow("walk past the end") << 3 << QStringList{"next", "next", "next"} << 2 << false << true;
    QTest::newRow("last") << 3 << QStringList{"last"} << 2 << false << true;
    QTest::newRow("prior from start") << 3 << QStringList{"prior"} << 0 << true << false;
    QTest::newRow("single row next") << 1 << QStringList{"next"} << 0 << false << true;
    QTest::newRow("empty") << 0 << QStringList{} << -1 << true << true;
    QTest::newRow("empty next") << 0 << QStringList{"next"} << -1 << true << true;
    QTest::newRow("recno beyond stops at the last") << 4 << QStringList{"recno9"} << 3 << false << false;
}

void TestClientDataSet::navigationFlags() {
    QFETCH(int, rows);
    QFETCH(QStringList, script);
    auto set = fixtures::DataSet();
    set->LoadFromPacket(fixtures::Packet(rows));
    for (const QString& command : script) step(*set, command);
    QTEST(set->RecNo(), "recNo");
    QTEST(set->Bof(), "bof");
    QTEST(set->Eof(), "eof");
}

void TestClientDataSet::locate_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("caseInsensitive");
    QTest::addColumn<bool>("partial");
    QTest::addColumn<int>("found");  // record, or -1
    QTest::newRow("whole value") << "CODE"
                                 << "0003" << false << false << 2;
    QTest::newRow("whole value absent") << "CODE"
                                        << "0009" << false << false << -1;
    QTest::newRow("case differs, sensitive") << "NAME"
                                             << "cliente 4" << false << false << -1;
    QTest::newRow("case differs, insensitive") << "NAME"
                                               << "cliente 4" << true << false << 3;
    QTest::newRow("prefix without partial") << "NAME"
                                            << "Cliente" << false << false << -1;
    QTest::newRow("prefix with partial") << "NAME"
                                         << "Cliente" << false << true << 0;
    QTest::newRow("partial is a prefix, not contains") << "NAME"
                                                       << "ente 2" << true << true << -1;
    QTest::newRow("number field by text") << "AMOUNT"
                                          << "201" << false << false << 1;
    QTest::newRow("date field by text") << "WHEN"
                                        << "03/01/2024" << false << false << 2;
}

void TestClientDataSet::locate() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(bool, caseInsensitive);
    QFETCH(bool, partial);
    QFETCH(int, found);
    auto set = fixtures::DataSet();
    set->LoadFromPacket(fixtures::Packet(5));
    set->Last();
    int scrolls = 0;
    set->AfterScroll = [&](TClientDataSet*) { ++scrolls; };
    QCOMPARE(set->Locate(field, text, caseInsensitive, partial), found >= 0);
    QCOMPARE(set->RecNo(), found >= 0 ? found : 4);
    QCOMPARE(scrolls, found >= 0 ? 1 : 0);
}

void TestClientDataSet::editBufferAndCancel() {
    auto set = fixtures::DataSet();
    set->LoadFromPacket(fixtures::Packet(3));
    set->Next();
    TField* name = set->FieldByName("NAME");
    set->Edit();
    name->SetAsString("Outro nome");
    QCOMPARE(name->AsString(), QStringLiteral("Outro nome"));
    {
        const TClientDataSet::PaintRecord other(set.get(), 0);
        QCOMPARE(name->AsString(), QStringLiteral("Cliente 1"));
    }
    set->Cancel();
    QCOMPARE(set->State(), TDataSetState::dsBrowse);
    QCOMPARE(name->AsString(), QStringLiteral("Cliente 2"));
    set->Edit();
    name->Clear();
    QVERIFY(name->IsNull());
    set->Post();
    QVERIFY(name->IsNull());
    QCOMPARE(name->AsString(), QString());
    set->First();
    QCOMPARE(name->AsString(), QStringLiteral("Cliente 1"));
}

void TestClientDataSet::postNotifiesOnlyTheChangedRow() {
    auto set = fixtures::DataSet();
    set->LoadFromPacket(fixtures::Packet(50));
    TDataSource source(nullptr, QStringLiteral("dtsTeste"));
    source.SetDataSet(set.get());
    QSignalSpy records(&source, &TDataSource::recordChanged);
    QSignalSpy refreshes(&source, &TDataSource::dataSetChanged);
    set->SetRecNo(17);
    set->Edit();
    set->FieldByName("MARK")->SetAsString("S");
    set->Post();
    QCOMPARE(refreshes.count(), 0);
    QCOMPARE(records.count(), 2);  // the value set, then the post
    for (const auto& call : records) QCOMPARE(call.at(0).toInt(), 17);
}

void TestClientDataSet::refusedOperations_data() {
    QTest::addColumn<std::function<void(TClientDataSet&)>>("operation");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("rows");  // rows loaded first; -1 leaves the set closed
    using Op = std::function<void(TClientDataSet&)>;
    QTest::newRow("edit a closed set")
        << Op([](TClientDataSet& s) { s.Edit(); })
        << "Operação não permitida: o conjunto de dados 'cdsTeste' está fechado." << -1;
    QTest::newRow("move in a closed set")
        << Op([](TClientDataSet& s) { s.Next(); })
        << "Operação não permitida: o conjunto de dados 'cdsTeste' está fechado." << -1;
    QTest::newRow("edit an empty set") << Op([](TClientDataSet& s) { s.Edit(); })
                                       << "O conjunto de dados 'cdsTeste' não tem registro para editar." << 0;
    QTest::newRow("post without edit") << Op([](TClientDataSet& s) { s.Post(); })
                                       << "O conjunto de dados 'cdsTeste' não está em edição." << 2;
    QTest::newRow("set a value in browse")
        << Op([](TClientDataSet& s) { s.FieldByName("NAME")->SetAsString("x"); })
        << "O conjunto de dados 'cdsTeste' não está em edição." << 2;
    QTest::newRow("unknown field") << Op([](TClientDataSet& s) { s.FieldByName("NADA"); })
                                   << "cdsTeste: campo 'NADA' não encontrado." << 2;
    QTest::newRow("add a field while open")
        << Op([](TClientDataSet& s) { s.AddField("EXTRA", kpv::protocol::TFieldType::ftString, 3); })
        << "Não é possível incluir o campo 'EXTRA' com o conjunto de dados 'cdsTeste' aberto." << 2;
    QTest::newRow("same field twice")
        << Op([](TClientDataSet& s) { s.AddField("code", kpv::protocol::TFieldType::ftString, 3); })
        << "O campo 'code' já existe em 'cdsTeste'." << -1;
    QTest::newRow("required field left empty") << Op([](TClientDataSet& s) {
        s.FieldByName("NAME")->Required = true;
        s.Edit();
        s.FieldByName("NAME")->Clear();
        s.Post();
    }) << "O campo 'Nome' deve ser informado." << 2;
    QTest::newRow("text into a number field") << Op([](TClientDataSet& s) {
        s.Edit();
        s.FieldByName("AMOUNT")->SetAsString("doze");
    }) << "'doze' não é um valor válido para o campo 'AMOUNT'."
                                              << 2;
    QTest::newRow("date of a text field")
        << Op([](TClientDataSet& s) { s.FieldByName("NAME")->AsDateTime(); })
        << "O campo 'NAME' não é uma data." << 2;
}

void TestClientDataSet::refusedOperations() {
    QFETCH(std::function<void(TClientDataSet&)>, operation);
    QFETCH(QString, message);
    QFETCH(int, rows);
    auto set = fixtures::DataSet();
    if (rows >= 0) set->LoadFromPacket(fixtures::Packet(rows));
    const QString before = rows > 0 ? set->FieldByName("AMOUNT")->AsString() : QString();
    try {
        operation(*set);
        QFAIL("the operation should have been refused");
    } catch (const kpv::Error& e) {
        QCOMPARE(e.message(), message);
    }
    if (rows > 0) QCOMPARE(set->FieldByName("AMOUNT")->AsString(), before);
}

void TestClientDataSet::fieldConversions_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("input");  // a QString goes through SetAsString, anything else SetAsVariant
    QTest::addColumn<QString>("asString");
    QTest::addColumn<QString>("displayText");
    QTest::newRow("pt-BR number text") << "AMOUNT" << QVariant("1.234,5") << "1234,5"
                                       << "1.234,50";
    QTest::newRow("plain number text") << "AMOUNT" << QVariant("1234.5") << "1234,5"
                                       << "1.234,50";
    QTest::newRow("number variant") << "AMOUNT" << QVariant(0.0) << "0"
                                    << "0,00";
    QTest::newRow("negative") << "AMOUNT" << QVariant(-1500.256) << "-1500,256"
                              << "-1.500,26";
    QTest::newRow("empty text clears a number") << "AMOUNT" << QVariant("") << ""
                                                << "";
    QTest::newRow("date text") << "WHEN" << QVariant("05/02/2024") << "05/02/2024"
                               << "05/02/2024";
    QTest::newRow("date and time text") << "WHEN" << QVariant("05/02/2024 13:45") << "05/02/2024 13:45:00"
                                        << "05/02/2024 13:45:00";
    QTest::newRow("date variant") << "WHEN" << QVariant(QDate(2023, 12, 31)) << "31/12/2023"
                                  << "31/12/2023";
    QTest::newRow("integer into text") << "NAME" << QVariant(42) << "42"
                                       << "42";
    QTest::newRow("null variant") << "NAME" << QVariant() << ""
                                  << "";
}

void TestClientDataSet::fieldConversions() {
    QFETCH(QString, field);
    QFETCH(QVariant, input);
    auto set = fixtures::DataSet();
    set->LoadFromPacket(fixtures::Packet(1));
    set->Edit();
    TField* f = set->FieldByName(field);
    if (input.typeId() == QMetaType::QString) {
        f->SetAsString(input.toString());
    } else {
        f->SetAsVariant(input);
    }
    set->Post();
    QTEST(f->AsString(), "asString");
    QTEST(f->DisplayText(), "displayText");
    QCOMPARE(f->IsNull(), f->AsString().isEmpty());
}

void TestClientDataSet::textGoesThroughOnGetText() {
    auto set = fixtures::DataSet();
    set->LoadFromPacket(fixtures::Packet(2));
    TField* name = set->FieldByName("NAME");
    QList<bool> flags;
    name->OnGetText = [&](TField* sender, QString& text, bool displayText) {
        QCOMPARE(sender, name);
        QVERIFY(text.isEmpty());  // the handler starts from an empty text
        flags << displayText;
        text = sender->AsString().toUpper() + u'/' + sender->DataSet()->FieldByName("CODE")->AsString();
    };
    QCOMPARE(name->DisplayText(), QStringLiteral("CLIENTE 1/0001"));
    QCOMPARE(name->Text(), QStringLiteral("CLIENTE 1/0001"));
    QCOMPARE(name->AsString(), QStringLiteral("Cliente 1"));
    QCOMPARE(flags, (QList<bool>{true, false}));
}

void TestClientDataSet::paintRecordReadsAnotherRowWithoutScrolling() {
    auto set = fixtures::DataSet();
    set->LoadFromPacket(fixtures::Packet(4));
    int scrolls = 0;
    set->AfterScroll = [&](TClientDataSet*) { ++scrolls; };
    TField* code = set->FieldByName("CODE");
    {
        const TClientDataSet::PaintRecord outer(set.get(), 2);
        QCOMPARE(code->AsString(), QStringLiteral("0003"));
        {
            const TClientDataSet::PaintRecord inner(set.get(), 3);
            QCOMPARE(code->AsString(), QStringLiteral("0004"));
        }
        QCOMPARE(code->AsString(), QStringLiteral("0003"));
        QCOMPARE(set->RecNo(), 0);
    }
    QCOMPARE(code->AsString(), QStringLiteral("0001"));
    QCOMPARE(scrolls, 0);
}

void TestClientDataSet::editedTextsReuseOrGrowTheirSlot() {
    auto set = fixtures::DataSet();
    set->LoadFromPacket(fixtures::Packet(3));
    const QStringList values{"A", "Nome bem mais comprido que o original", "", "Curto"};
    for (const QString& value : values) {
        set->SetRecNo(1);
        set->Edit();
        set->FieldByName("NAME")->SetAsString(value);
        set->Post();
        set->First();
        QCOMPARE(set->FieldByName("NAME")->AsString(), QStringLiteral("Cliente 1"));
        set->Last();
        QCOMPARE(set->FieldByName("NAME")->AsString(), QStringLiteral("Cliente 3"));
        set->SetRecNo(1);
        QCOMPARE(set->FieldByName("NAME")->AsString(), value);
        QVERIFY(!set->FieldByName("NAME")->IsNull());
    }
}

void TestClientDataSet::severalSourcesAndDetaching() {
    auto set = fixtures::DataSet();
    TDataSource first(nullptr, QStringLiteral("dtsA"));
    auto second = std::make_unique<TDataSource>(nullptr, QStringLiteral("dtsB"));
    first.SetDataSet(set.get());
    second->SetDataSet(set.get());
    int a = 0;
    int b = 0;
    first.OnStateChange = [&](QObject*) { ++a; };
    second->OnStateChange = [&](QObject*) { ++b; };
    set->Open();
    QCOMPARE(a, 1);
    QCOMPARE(b, 1);
    second.reset();  // a source that goes away is no longer told anything
    set->Close();
    QCOMPARE(a, 2);
    set.reset();  // and a data set that goes away leaves its sources empty
    QCOMPARE(first.DataSet(), nullptr);
    QCOMPARE(first.State(), TDataSetState::dsInactive);
}

QTEST_MAIN(TestClientDataSet)
#include "test_client_data_set.moc"
