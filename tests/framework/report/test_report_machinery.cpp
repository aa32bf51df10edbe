// The report machinery of the report-generating screen against a real SQLite application database:
// definition files, the report list, query parameters, value formats, and the PDF the RPS report makes.
#include "framework/ui/scripted_interaction.h"
#include "report_database.h"

#include "db/database.h"
#include "framework/core/context.h"
#include "framework/core/errors.h"
#include "framework/data/client_data_set.h"
#include "framework/data/db_module.h"
#include "framework/report/report_definition.h"
#include "framework/report/report_renderer.h"
#include "framework/ui/frm_dados_ger_rel.h"
#include "protocol/data_packet.h"

#include <QDir>
#include <QFile>
#include <QPrinterInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

using kpv::report::TReportParams;

namespace {

// A report screen whose query parameters come from the test, recording the names it was asked for.
class ReportScreen : public kpv::ui::TfrmDadosGerRel {
  public:
    explicit ReportScreen(const QString& reportCode) : TfrmDadosGerRel(nullptr) {
        lblCodRel->setText(reportCode);
        rpddPadrao->BeforeGetQueryParams = [this](TReportParams& params, bool&) {
            asked.clear();
            for (const auto& p : params.Items()) asked.push_back(p.Name);
            for (auto it = values.cbegin(); it != values.cend(); ++it) {
                if (kpv::report::ExistParam(params, it.key()))
                    params.ParamByName(it.key()).SetAsString(it.value());
            }
        };
        FormCreate(this);
    }
    QMap<QString, QString> values;
    QStringList asked;
};

QString PdfText(const QString& fileName) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), fileName, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

int PdfPages(const QString& fileName) {
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {fileName});
    p.waitForFinished(30000);
    const QRegularExpression pages(QStringLiteral("Pages:\\s+(\\d+)"));
    return pages.match(QString::fromUtf8(p.readAllStandardOutput())).captured(1).toInt();
}

QString SimpleDefinition(const QString& title, const QString& where) {
    return QStringLiteral(R"({"reports": [{"title": "%1",
        "SQL": ["SELECT NRNOTAFISC, CDFILIAL FROM NOTAFISCAL", "%2", "ORDER BY NRNOTAFISC"],
        "layout": {"items": [{"text": "Nota {NRNOTAFISC}", "x": 0, "y": 0, "w": 100, "h": 10}]}}]})")
        .arg(title, where);
}

void Write(const QString& fileName, const QString& text) {
    QFile f(fileName);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text.toUtf8());
}

}  // namespace

class TestReportMachinery : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString definitions_;

  private Q_SLOTS:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        reporttest::CreateReportDatabase(dir_.filePath(QStringLiteral("kpv.db")), QStringLiteral("reports"));
        kpv::data::dtmDBGeral()->Open(QStringLiteral("reports"));
        definitions_ = dir_.filePath(QStringLiteral("definitions"));
        QVERIFY(QDir().mkpath(definitions_));
        kpv::Context().outputFolder = dir_.filePath(QStringLiteral("out"));
    }
    void init() { kpv::Context().reportFolder = definitions_; }

    void invalidDefinitionIsRefused_data() {
        QTest::addColumn<QString>("json");
        QTest::addColumn<QString>("reason");
        QTest::newRow("not json") << "{reports: "
                                  << "";
        QTest::newRow("no report list") << R"({"title": "x"})"
                                        << "falta a lista 'reports'";
        QTest::newRow("no title") << R"({"reports": [{"SQL": "SELECT 1", "layout": {"items": [{}]}}]})"
                                  << "há um relatório sem título";
        QTest::newRow("no query") << R"({"reports": [{"title": "R", "layout": {"items": [{}]}}]})"
                                  << "o relatório 'R' não tem consulta";
        QTest::newRow("no layout") << R"({"reports": [{"title": "R", "SQL": "SELECT 1"}]})"
                                   << "o relatório 'R' não tem layout";
        QTest::newRow("unknown element")
            << R"({"reports": [{"title": "R", "SQL": "SELECT 1", "layout": {"items": [{"kind": "circle"}]}}]})"
            << "tipo de elemento 'circle' desconhecido";
        QTest::newRow("unknown format")
            << R"({"reports": [{"title": "R", "SQL": "SELECT 1", "layout": {"items": [{"text": "{A|euro}"}]}}]})"
            << "Campo inválido '{A|euro}'";
        QTest::newRow("person mask without kind")
            << R"({"reports": [{"title": "R", "SQL": "SELECT 1", "layout": {"items": [{"text": "{A|pess}"}]}}]})"
            << "Campo inválido '{A|pess}'";
        QTest::newRow("negative position")
            << R"({"reports": [{"title": "R", "SQL": "SELECT 1", "layout": {"items": [{"x": -1}]}}]})"
            << "'x' deve ser um número não negativo";
        QTest::newRow("unknown page")
            << R"({"reports": [{"title": "R", "SQL": "SELECT 1", "layout": {"page": "A0", "items": [{}]}}]})"
            << "tamanho de página 'A0' desconhecido";
    }
    void invalidDefinitionIsRefused() {
        QFETCH(QString, json);
        QFETCH(QString, reason);
        Write(kpv::report::ReportFileName(definitions_, QStringLiteral("BAD")), json);
        try {
            kpv::report::LoadReportDefinitions(definitions_, QStringLiteral("BAD"));
            QFAIL("the definition was accepted");
        } catch (const kpv::Error& e) {
            QVERIFY2(e.message().contains(QStringLiteral("BAD.json")), qPrintable(e.message()));
            QVERIFY2(e.message().contains(reason), qPrintable(e.message()));
        }
    }

    void reportListFollowsTheDefinitionFile_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QString>("message");
        QTest::newRow("two reports") << "DUO" << QStringList{"Primeiro", "Segundo"} << "";
        QTest::newRow("missing file") << "KPV999" << QStringList{}
                                      << "O arquivo contendo a definição do relatório de código 'KPV999' não "
                                         "foi encontrado no diretório '%1'.";
        QTest::newRow("invalid file")
            << "INVALID" << QStringList{}
            << "A definição de relatórios '%1/INVALID.json' é inválida: falta a lista "
               "'reports'.";
    }
    void reportListFollowsTheDefinitionFile() {
        QFETCH(QString, code);
        QFETCH(QStringList, titles);
        QFETCH(QString, message);
        Write(kpv::report::ReportFileName(definitions_, QStringLiteral("DUO")),
              QStringLiteral(R"({"reports": [%1, %2]})")
                  .arg(SimpleDefinition(QStringLiteral("Primeiro"), {}).mid(13).chopped(2),
                       SimpleDefinition(QStringLiteral("Segundo"), {}).mid(13).chopped(2)));
        Write(kpv::report::ReportFileName(definitions_, QStringLiteral("INVALID")), R"({"title": "x"})");
        kpv::ScriptedInteraction user;
        ReportScreen screen(code);
        QStringList listed;
        for (int i = 0; i < screen.cbbReportNames->count(); ++i) listed << screen.cbbReportNames->itemText(i);
        QCOMPARE(listed, titles);
        if (message.isEmpty()) {
            QVERIFY(user.messages.isEmpty());
            return;
        }
        const QString expected = message.arg(QDir::toNativeSeparators(definitions_));
        QCOMPARE(user.messageTexts(), QStringList{expected});
        // The commands then say the same and stop.
        QVERIFY_THROWS_EXCEPTION(kpv::EAbort, screen.sbtSalvarComoClick(screen.sbtSalvarComo));
        QCOMPARE(user.messageTexts().last(), expected);
    }

    void queryParametersComeFromTheScreen_data() {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("printed");
        QTest::newRow("branch and entry") << "WHERE CDFILIAL = :P_CDFILIAL AND NRLANCTONF = :P_NRLANCTONF"
                                          << QStringList{"P_CDFILIAL", "P_NRLANCTONF"} << QStringList{"1002"};
        QTest::newRow("entry only, twice") << "WHERE NRLANCTONF = :P_NRLANCTONF OR NRLANCTONF = :p_nrlanctonf"
                                           << QStringList{"P_NRLANCTONF"} << QStringList{"1002"};
        QTest::newRow("neither") << "" << QStringList{} << QStringList{"1001", "1002", "1003"};
        QTest::newRow("one left null") << "WHERE CDFILIAL = :P_CDFILIAL AND CDSERIE = :P_SERIE"
                                       << QStringList{"P_CDFILIAL", "P_SERIE"} << QStringList{};
    }
    void queryParametersComeFromTheScreen() {
        QFETCH(QString, where);
        QFETCH(QStringList, names);
        QFETCH(QStringList, printed);
        Write(kpv::report::ReportFileName(definitions_, QStringLiteral("PAR")),
              SimpleDefinition(QStringLiteral("Notas"), where));
        kpv::ScriptedInteraction user;
        const QString saved = dir_.filePath(QStringLiteral("params"));  // no suffix: ".pdf" is added
        user.saveFileAnswers = {saved};
        QFile::remove(saved + QStringLiteral(".pdf"));
        ReportScreen screen(QStringLiteral("PAR"));
        screen.values = {{"P_CDFILIAL", "0001"}, {"P_NRLANCTONF", "0000000002"}};
        if (printed.isEmpty()) {
            QVERIFY_THROWS_EXCEPTION(kpv::Error, screen.sbtSalvarComoClick(screen.sbtSalvarComo));
            QCOMPARE(screen.asked, names);
            QVERIFY(!QFile::exists(saved + QStringLiteral(".pdf")));
            return;
        }
        screen.sbtSalvarComoClick(screen.sbtSalvarComo);
        QCOMPARE(screen.asked, names);
        const QString pdf = saved + QStringLiteral(".pdf");
        QCOMPARE(PdfPages(pdf), printed.size());
        const QString text = PdfText(pdf);
        for (const char* note : {"1001", "1002", "1003"})
            QCOMPARE(text.contains(QStringLiteral("Nota ") + note), printed.contains(note));
    }

    void valuesAreFormattedForPrint_data() {
        QTest::addColumn<QString>("placeholder");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("expected");
        QTest::newRow("money") << "{V|money}" << QVariant(1234567.5) << ""
                               << "1.234.567,50";
        QTest::newRow("money rounds") << "{V|money}" << QVariant(0.125) << ""
                                      << "0,13";
        QTest::newRow("rate") << "{V|rate}" << QVariant(2.5) << ""
                              << "2,50";
        QTest::newRow("date") << "{V|date}" << QVariant(QDateTime(QDate(2024, 2, 29), QTime(13, 5))) << ""
                              << "29/02/2024";
        QTest::newRow("cnpj") << "{V|pess:K}" << QVariant("12345678000195") << "J"
                              << "12.345.678/0001-95";
        QTest::newRow("cpf") << "{V|pess:K}" << QVariant("12345678909") << "F"
                             << "123.456.789-09";
        QTest::newRow("foreigner as stored") << "{V|pess:K}" << QVariant("AB123") << "E"
                                             << "AB123";
        QTest::newRow("null") << "{V|money}" << QVariant() << ""
                              << "";
    }
    void valuesAreFormattedForPrint() {
        QFETCH(QString, placeholder);
        QFETCH(QVariant, value);
        QFETCH(QString, kind);
        QFETCH(QString, expected);
        using kpv::protocol::TFieldType;
        const bool text = value.typeId() == QMetaType::QString;
        const TFieldType type = value.typeId() == QMetaType::QDateTime ? TFieldType::ftDateTime
                                : text                                 ? TFieldType::ftString
                                                                       : TFieldType::ftFloat;
        kpv::protocol::DataPacket packet({{"V", type, text ? 20 : 0}, {"K", TFieldType::ftString, 1}});
        packet.appendRow({value, kind});
        kpv::data::TClientDataSet set(nullptr, QStringLiteral("cdsValores"));
        set.LoadFromPacket(packet);
        const auto pieces = kpv::report::ParseReportText(placeholder);
        QCOMPARE(pieces.size(), 1);
        QCOMPARE(kpv::report::FormatReportValue(set, pieces.first()), expected);
    }

    void rpsReportCarriesTheInvoice_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("company as taker") << "0000000001"
                                          << QStringList{"123",
                                                         "RPS1",
                                                         "04/03/2024",
                                                         "Padaria Pão Quente Ltda",
                                                         "12.345.678/0001-95",
                                                         "Avenida Paulista, 2000",
                                                         "1.500,00",
                                                         "5,00",
                                                         "75,00",
                                                         "14/03/2024",
                                                         "1001"};
        QTest::newRow("person as taker")
            << "0000000002"
            << QStringList{"124", "Maria da Silva", "123.456.789-09", "Rua Augusta, 15", "2.345,60", "117,28",
                           "1002"};
    }
    void rpsReportCarriesTheInvoice() {
        QFETCH(QString, entry);
        QFETCH(QStringList, expected);
        kpv::Context().reportFolder =
            QString::fromLocal8Bit(qgetenv("KPV_SOURCE_DIR")) + QStringLiteral("/reports");
        kpv::ScriptedInteraction user;
        const QString saved = dir_.filePath(QStringLiteral("rps_%1.pdf").arg(entry));
        user.saveFileAnswers = {saved};
        ReportScreen screen(QStringLiteral("KPV410"));
        QCOMPARE(screen.cbbReportNames->currentText(), QStringLiteral("Recibo Provisório de Serviço (RPS)"));
        screen.values = {{"P_CDFILIAL", "0001"}, {"P_NRLANCTONF", entry}};
        screen.sbtSalvarComoClick(screen.sbtSalvarComo);
        QCOMPARE(screen.asked, (QStringList{"P_CDFILIAL", "P_NRLANCTONF"}));
        QCOMPARE(PdfPages(saved), 1);
        const QString text = PdfText(saved);
        const QStringList common{"RECIBO PROVISÓRIO DE SERVIÇOS - RPS",
                                 "1ª via - Tomador",
                                 "2ª via - Prestador",
                                 "Contabilidade Exemplo Ltda",
                                 "11.222.333/0001-81",
                                 "4455667",
                                 "São Paulo/SP",
                                 "Consultoria contábil mensal",
                                 "deverá ser convertido em Nota Fiscal de Serviços"};
        for (const QString& part : common + expected)
            QVERIFY2(text.contains(part), qPrintable(part + "\n" + text));
        QCOMPARE(text.count(QStringLiteral("RECIBO PROVISÓRIO DE SERVIÇOS - RPS")), 2);
    }

    // The file is named by the RPS it holds, and a file already there is never replaced.
    void printingWithoutPrinterWritesPdfFiles_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("rps");
        QTest::addColumn<bool>("preview");
        QTest::addColumn<QString>("taker");
        QTest::newRow("print") << "0000000001"
                               << "123" << false << "Padaria Pão Quente Ltda";
        QTest::newRow("preview") << "0000000002"
                                 << "124" << true << "Maria da Silva";
    }
    void printingWithoutPrinterWritesPdfFiles() {
        QFETCH(QString, entry);
        QFETCH(QString, rps);
        QFETCH(bool, preview);
        QFETCH(QString, taker);
        if (!QPrinterInfo::availablePrinters().isEmpty()) QSKIP("this machine has a printer");
        kpv::Context().reportFolder =
            QString::fromLocal8Bit(qgetenv("KPV_SOURCE_DIR")) + QStringLiteral("/reports");
        const QDir output(kpv::Context().outputFolder);
        const QString file = output.filePath(QStringLiteral("RPS_RPS1_%1_0001_%2.pdf").arg(rps, entry));
        const QString second = output.filePath(QStringLiteral("RPS_RPS1_%1_0001_%2-2.pdf").arg(rps, entry));
        QFile::remove(file);
        QFile::remove(second);
        kpv::ScriptedInteraction user;
        user.previewFile = dir_.filePath(QStringLiteral("preview-%1.pdf").arg(entry));
        ReportScreen screen(QStringLiteral("KPV410"));
        screen.values = {{"P_CDFILIAL", "0001"}, {"P_NRLANCTONF", entry}};
        if (preview)
            screen.sbtPreviewClick(screen.sbtPreview);
        else
            screen.sbtPrintClick(screen.sbtPrint);
        QCOMPARE(user.previews, preview ? 1 : 0);
        // A preview writes nothing: its printer only names the file a print from the preview would write.
        QCOMPARE(QFile::exists(file), !preview);
        if (preview) {
            QVERIFY(user.previewPrinterPdf);
            QCOMPARE(user.previewPrinterFile, file);
        }
        const QString text = PdfText(preview ? user.previewFile : file);
        QVERIFY2(text.contains(taker), qPrintable(text));
        const QStringList told =
            preview
                ? QStringList{}
                : QStringList{QStringLiteral("Nenhuma impressora instalada: o relatório foi gravado em '%1'.")
                                  .arg(QDir::toNativeSeparators(file))};
        QCOMPARE(user.messageTexts(), told);
        if (preview) return;
        QFile first(file);
        QVERIFY(first.open(QIODevice::ReadOnly));
        const QByteArray written = first.readAll();
        first.close();
        screen.sbtPrintClick(screen.sbtPrint);
        QVERIFY2(QFile::exists(second), "a second print replaced the first one's file");
        QVERIFY(first.open(QIODevice::ReadOnly));
        QCOMPARE(first.readAll(), written);
    }

    // Without a printer the preview still opens when there is no output folder to write to, and makes
    // none: the user chooses the file only when printing from it.
    void previewWithoutPrinterNeedsNoOutputFolder_data() {
        QTest::addColumn<QString>("folder");
        QTest::newRow("no output folder configured") << "";
        QTest::newRow("output folder not made yet") << "not-yet";
    }
    void previewWithoutPrinterNeedsNoOutputFolder() {
        QFETCH(QString, folder);
        if (!QPrinterInfo::availablePrinters().isEmpty()) QSKIP("this machine has a printer");
        const QString configured = kpv::Context().outputFolder;
        const auto restore = qScopeGuard([configured] { kpv::Context().outputFolder = configured; });
        kpv::Context().outputFolder = folder.isEmpty() ? QString() : dir_.filePath(folder);
        kpv::Context().reportFolder =
            QString::fromLocal8Bit(qgetenv("KPV_SOURCE_DIR")) + QStringLiteral("/reports");
        kpv::ScriptedInteraction user;
        user.previewFile = dir_.filePath(QStringLiteral("preview-%1.pdf").arg(QTest::currentDataTag()));
        ReportScreen screen(QStringLiteral("KPV410"));
        screen.values = {{"P_CDFILIAL", "0001"}, {"P_NRLANCTONF", "0000000001"}};
        screen.sbtPreviewClick(screen.sbtPreview);
        QCOMPARE(user.previews, 1);
        QCOMPARE(user.messageTexts(), QStringList{});
        QVERIFY(user.previewPrinterPdf);
        QCOMPARE(user.previewPrinterFile,
                 folder.isEmpty() ? QString() : dir_.filePath(folder + "/RPS_RPS1_123_0001_0000000001.pdf"));
        if (!folder.isEmpty()) QVERIFY(!QFileInfo::exists(dir_.filePath(folder)));
        QVERIFY(PdfText(user.previewFile).contains(QStringLiteral("Padaria Pão Quente Ltda")));
    }

    void invoiceWithoutRpsPrintsNothing() {
        kpv::Context().reportFolder =
            QString::fromLocal8Bit(qgetenv("KPV_SOURCE_DIR")) + QStringLiteral("/reports");
        kpv::ScriptedInteraction user;
        ReportScreen screen(QStringLiteral("KPV410"));
        screen.values = {{"P_CDFILIAL", "0001"}, {"P_NRLANCTONF", "0000000003"}};
        try {
            screen.sbtPrintClick(screen.sbtPrint);
            QFAIL("an invoice without RPS was printed");
        } catch (const kpv::Error& e) {
            QCOMPARE(
                e.message(),
                QStringLiteral(
                    "O relatório 'Recibo Provisório de Serviço (RPS)' não encontrou dados para imprimir."));
        }
        QVERIFY(QDir(kpv::Context().outputFolder).entryList({QStringLiteral("*0000000003*")}).isEmpty());
    }
};

QTEST_MAIN(TestReportMachinery)
#include "test_report_machinery.moc"
