// The DPS of the national NFS-e layout: built from values, signed with an A1 certificate made here by
// openssl, checked by the real xmlsec1 and xmllint commands, wrapped in an NFS-e and read back.
#include "nfse/dps_document.h"
#include "nfse/nfse_document.h"
#include "nfse/nfse_error.h"
#include "nfse_builder.h"
#include "program_run.h"
#include "sample_dps.h"
#include "test_certificate.h"

#include <QtTest>

#include <clocale>
#include <functional>
#include <map>
#include <thread>

using namespace kpv::nfse;

Q_DECLARE_METATYPE(kpv::nfse::Dps)

namespace {

const QString kProviderCnpj = QString::fromLatin1(kSampleProviderCnpj);
const QString kProviderCpf = QStringLiteral("52998224725");

QDateTime At(int y, int m, int d, int h, int min, int offsetHours) {
    return QDateTime(QDate(y, m, d), QTime(h, min), Qt::OffsetFromUTC, offsetHours * 3600);
}

Decimal2 D(qint64 hundredths) {
    return Decimal2::FromHundredths(hundredths);
}

QString SchemaFile(const char* name) {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/schemas/nfse-nacional-1.00/") +
           QString::fromLatin1(name);
}

QString NfseErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const NfseError& e) {
        return e.message();
    }
    return {};
}

// The certificate's base64 as its PEM file holds it, on one line.
QByteArray PemBody(const QString& pemFile) {
    QFile file(pemFile);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QByteArray body;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (!line.startsWith("-----")) body += line.trimmed();
    }
    return body;
}

// The value with its last digit changed.
QByteArray Tampered(QByteArray value) {
    for (qsizetype i = value.size() - 1; i >= 0; --i) {
        if (value[i] >= '0' && value[i] <= '9') {
            value[i] = value[i] == '0' ? '1' : '0';
            break;
        }
    }
    return value;
}

}  // namespace

class DpsDocument : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::map<QString, TestCertificate> made_;
    std::map<QString, Certificate> loaded_;

    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            return {};
        return path;
    }

    // By default the signature that is a child of the document's root: an NFS-e holds the DPS's own too.
    ProgramRun verify(const QString& file, const QString& certificate, const char* signedElement,
                      const QString& signature = QStringLiteral("/*/*[local-name()='Signature']")) {
        return RunProgram(
            QStringLiteral("xmlsec1"),
            {QStringLiteral("--verify"), QStringLiteral("--trusted-pem"), made_.at(certificate).pem,
             QStringLiteral("--id-attr:Id"),
             QStringLiteral("http://www.sped.fazenda.gov.br/nfse:") + QString::fromLatin1(signedElement),
             QStringLiteral("--node-xpath"), signature, file});
    }

  private Q_SLOTS:
    void initTestCase() {
        // Every document of this suite is made under a comma locale: amounts must still carry a point.
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
        std::setlocale(LC_NUMERIC, "pt_BR.UTF-8");
        QVERIFY(dir_.isValid());
        const std::map<QString, TestCertificateRequest> requests{
            {QStringLiteral("cnpj"), {QStringLiteral("EMPRESA TESTE LTDA:") + kProviderCnpj, kProviderCnpj}},
            {QStringLiteral("cpf"), {QStringLiteral("FULANO DE TAL:") + kProviderCpf, {}}},
            {QStringLiteral("otherName only"), {QStringLiteral("EMPRESA TESTE LTDA"), kProviderCnpj}},
            {QStringLiteral("legacy seal"),
             {QStringLiteral("EMPRESA TESTE LTDA:") + kProviderCnpj, {}, 30, QStringLiteral("antiga"), true}},
            {QStringLiteral("another company"),
             {QStringLiteral("OUTRA EMPRESA SA:99888777000166"), QStringLiteral("99888777000166")}},
            {QStringLiteral("authority"), {QStringLiteral("SEFIN NACIONAL NFS-E:00394460005887"), {}}},
        };
        for (const auto& [name, request] : requests) {
            QString error;
            TestCertificate certificate;
            QVERIFY2(MakeTestCertificate(dir_.path(), QString(name).replace(u' ', u'-'), request,
                                         &certificate, &error),
                     qPrintable(error));
            made_.emplace(name, certificate);
        }
        for (const char* name : {"cnpj", "cpf", "otherName only", "authority"}) {
            const TestCertificate& c = made_.at(QString::fromLatin1(name));
            loaded_.emplace(QString::fromLatin1(name), Certificate::FromPkcs12(c.pkcs12, c.password));
        }
    }

    // Each DPS is signed twice to the same bytes; xmlsec1 verifies the signature and refuses it once a
    // value is changed; xmllint accepts the document (the shipped xmldsig schema fixes rsa-sha1, so with
    // rsa-sha256 it accepts the DPS before the signature and refuses only the algorithm). Wrapped in an
    // NFS-e, the DPS reads back as the same values, with the note's number and the DPS's Id.
    void aSignedDpsVerifiesValidatesAndReadsBack_data() {
        QTest::addColumn<Dps>("dps");
        QTest::addColumn<QString>("certificate");
        QTest::addColumn<int>("algorithm");
        QTest::addColumn<QByteArray>("value");  // a value the document must carry, changed to tamper with it

        const int sha1 = int(SignatureAlgorithm::RsaSha1);
        const int sha256 = int(SignatureAlgorithm::RsaSha256);
        QTest::newRow("company provider, company taker in Brazil")
            << SampleDps() << "cnpj" << sha1 << QByteArray("<vServ>15000.50</vServ>");

        Dps person = SampleDps();
        person.prest.registration = Cpf{kProviderCpf};
        person.prest.IM.clear();
        person.prest.regEspTrib = SpecialTaxRegime::SelfEmployedProfessional;
        person.toma->registration = Cpf{QStringLiteral("39053344705")};
        person.toma->IM.clear();
        person.toma->xNome = QStringLiteral("Maria da Conceição");
        person.toma->end->xCpl.clear();
        QTest::newRow("natural person provider and taker")
            << person << "cpf" << sha256 << QByteArray("<CPF>39053344705</CPF>");

        Dps abroad = SampleDps();
        abroad.toma->registration = Nif{QStringLiteral("123-45-6789")};
        abroad.toma->IM.clear();
        abroad.toma->end->place = ForeignPlace{QStringLiteral("US"), QStringLiteral("10001"),
                                               QStringLiteral("New York"), QStringLiteral("NY")};
        abroad.valores.totTrib = TaxTotalRates{D(1345), D(0), D(200)};
        abroad.dhEmi = At(2026, 3, 10, 9, 5, -5);
        QTest::newRow("foreign taker with NIF, address abroad, rates of tax, Acre time")
            << abroad << "cnpj" << sha1 << QByteArray("<dhEmi>2026-03-10T09:05:00-05:00</dhEmi>");

        Dps withoutNif = abroad;
        withoutNif.toma->registration = NoNif{NoNifReason::Exempt};
        withoutNif.toma->end.reset();
        withoutNif.toma->fone.clear();
        withoutNif.toma->email.clear();
        withoutNif.valores.pAliq.reset();
        withoutNif.valores.tpRetISSQN = IssqnWithholding::ByTaker;
        withoutNif.valores.totTrib = TaxTotalNotInformed{};
        QTest::newRow("foreign taker without NIF nor address, ISS withheld by the taker")
            << withoutNif << "cnpj" << sha1 << QByteArray("<cNaoNIF>1</cNaoNIF>");

        Dps simples = SampleDps();
        simples.toma.reset();
        simples.prest.opSimpNac = SimplesNacional::MeEpp;
        simples.prest.regApTribSN = SimplesNacionalRegime::MunicipalOutsideSn;
        simples.prest.regEspTrib = SpecialTaxRegime::ProfessionalSociety;
        simples.valores.totTrib = TaxTotalSimplesNacional{D(600)};
        simples.dhEmi = At(2026, 12, 31, 23, 59, 0);
        QTest::newRow("Simples Nacional ME/EPP without taker, UTC time")
            << simples << "otherName only" << sha256
            << QByteArray("<dhEmi>2026-12-31T23:59:00+00:00</dhEmi>");

        Dps texts = SampleDps();
        texts.serie = QStringLiteral("12345");
        texts.nDPS = 999'999'999'999'999;
        texts.tpAmb = Environment::Production;
        texts.toma->xNome = QStringLiteral("Irmãos \"Açaí\" & Filhos <Ltda> 'ME'");
        texts.serv.xDescServ = QStringLiteral(
            "Manutenção — parcela 3/12\r\ndo contrato nº 42 (cláusula \"5ª\") & adendo <B>\tfim");
        texts.valores.vServ = D(99'999'999'999'999'999);
        QTest::newRow("markup characters and line breaks, widest series and number, production")
            << texts << "cnpj" << sha1 << QByteArray("<vServ>999999999999999.99</vServ>");
    }
    void aSignedDpsVerifiesValidatesAndReadsBack() {
        QFETCH(Dps, dps);
        QFETCH(QString, certificate);
        QFETCH(int, algorithm);
        QFETCH(QByteArray, value);
        const Certificate& signer = loaded_.at(certificate);
        const auto alg = SignatureAlgorithm(algorithm);
        const QByteArray bytes = SignedDps(dps, signer, alg);
        QCOMPARE(SignedDps(dps, signer, alg), bytes);
        QVERIFY2(bytes.contains(value), bytes.constData());
        const QString id = DpsId(dps);
        QVERIFY(bytes.contains(QByteArray("<infDPS Id=\"" + id.toUtf8() + "\">")));
        QVERIFY(bytes.contains(QByteArray("<Reference URI=\"#" + id.toUtf8() + "\">")));
        QVERIFY(bytes.contains("</infDPS><Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\">"));
        QVERIFY(bytes.endsWith("</Signature></DPS>\n"));
        QVERIFY(bytes.contains(
            QByteArray("<X509Certificate>" + PemBody(made_.at(certificate).pem) + "</X509Certificate>")));

        const QString file = write(id + QStringLiteral(".xml"), bytes);
        const ProgramRun verified = verify(file, certificate, "infDPS");
        QVERIFY2(verified.exitCode == 0, qPrintable(verified.output));
        QByteArray tampered = bytes;
        tampered.replace(value, Tampered(value));
        QVERIFY2(verify(write(QStringLiteral("tampered.xml"), tampered), certificate, "infDPS").exitCode != 0,
                 "a changed value still verified");

        const QStringList xmllint{QStringLiteral("--noout"), QStringLiteral("--schema"),
                                  SchemaFile("DPS_v1.00.xsd")};
        const ProgramRun valid = RunProgram(QStringLiteral("xmllint"), xmllint + QStringList{file});
        const ProgramRun unsignedValid =
            RunProgram(QStringLiteral("xmllint"),
                       xmllint + QStringList{write(QStringLiteral("unsigned.xml"), UnsignedDps(dps))});
        QVERIFY2(unsignedValid.exitCode == 0, qPrintable(unsignedValid.output));
        const QByteArray nfse =
            BuildNfse(bytes, QStringLiteral("4711"), loaded_.at(QStringLiteral("authority")));
        if (alg == SignatureAlgorithm::RsaSha1) {
            QVERIFY2(valid.exitCode == 0, qPrintable(valid.output));
            const QString nfseFile = write(QStringLiteral("nfse.xml"), nfse);
            const ProgramRun nfseVerified = verify(nfseFile, QStringLiteral("authority"), "infNFSe");
            QVERIFY2(nfseVerified.exitCode == 0, qPrintable(nfseVerified.output));
            const ProgramRun dpsInside =
                verify(nfseFile, certificate, "infDPS",
                       QStringLiteral("//*[local-name()='DPS']/*[local-name()='Signature']"));
            QVERIFY2(dpsInside.exitCode == 0, qPrintable(dpsInside.output));
            const ReceivedNfse received = ReadNfse(nfse);
            QCOMPARE(received.nNFSe, QStringLiteral("4711"));
            QCOMPARE(received.dpsId, id);
            QVERIFY2(received.dps == dps, UnsignedDps(received.dps).constData());
        } else {
            QVERIFY2(valid.exitCode != 0 && valid.output.contains(u"SignatureMethod"),
                     qPrintable(valid.output));
            QVERIFY(NfseErrorOf([&] { ReadNfse(nfse); }).contains(u"SignatureMethod"));
        }
    }

    void theIdComesFromPlaceProviderSeriesAndNumber_data() {
        QTest::addColumn<QString>("cLocEmi");
        QTest::addColumn<bool>("cnpj");
        QTest::addColumn<QString>("registration");
        QTest::addColumn<QString>("serie");
        QTest::addColumn<qint64>("nDPS");
        QTest::addColumn<QString>("expected");  // the Id, or what the refusal says
        QTest::newRow("CNPJ, one-digit series") << "3550308" << true << kProviderCnpj << "1" << qint64(1542)
                                                << "DPS355030821122233300018100001000000000001542";
        QTest::newRow("CPF padded to 14, five-digit series, widest number")
            << "5300108" << false << kProviderCpf << "90001" << qint64(999'999'999'999'999)
            << "DPS530010810005299822472590001999999999999999";
        QTest::newRow("series with leading zeros")
            << "3550308" << true << kProviderCnpj << "007" << qint64(10)
            << "DPS355030821122233300018100007000000000000010";
        QTest::newRow("series of letters")
            << "3550308" << true << kProviderCnpj << "A1" << qint64(1)
            << "A série \"A1\" não serve para a DPS: deve ter de 1 a 5 algarismos.";
        QTest::newRow("series of six digits")
            << "3550308" << true << kProviderCnpj << "123456" << qint64(1)
            << "A série \"123456\" não serve para a DPS: deve ter de 1 a 5 algarismos.";
        QTest::newRow("empty series") << "3550308" << true << kProviderCnpj << "" << qint64(1)
                                      << "A série \"\" não serve para a DPS: deve ter de 1 a 5 algarismos.";
        QTest::newRow("number zero") << "3550308" << true << kProviderCnpj << "1" << qint64(0)
                                     << "O número 0 não serve para a DPS: deve ir de 1 a 999999999999999.";
        QTest::newRow("number of sixteen digits")
            << "3550308" << true << kProviderCnpj << "1" << qint64(1'000'000'000'000'000)
            << "O número 1000000000000000 não serve para a DPS: deve ir de 1 a 999999999999999.";
        QTest::newRow("municipality of six digits")
            << "355030" << true << kProviderCnpj << "1" << qint64(1)
            << "O código IBGE do município emissor \"355030\" não serve para a DPS: deve ter 7 algarismos.";
        QTest::newRow("CNPJ with its mask")
            << "3550308" << true << "11.222.333/0001-81"
            << "1" << qint64(1)
            << "O CNPJ do prestador \"11.222.333/0001-81\" não serve para a DPS: deve "
               "ter 14 algarismos.";
        QTest::newRow("CPF of a CNPJ's length")
            << "3550308" << false << kProviderCnpj << "1" << qint64(1)
            << "O CPF do prestador \"11222333000181\" não serve para a DPS: deve "
               "ter 11 algarismos.";
    }
    void theIdComesFromPlaceProviderSeriesAndNumber() {
        QFETCH(QString, cLocEmi);
        QFETCH(bool, cnpj);
        QFETCH(QString, registration);
        QFETCH(QString, serie);
        QFETCH(qint64, nDPS);
        QFETCH(QString, expected);
        Dps dps = SampleDps();
        dps.cLocEmi = cLocEmi;
        dps.prest.registration = cnpj ? std::variant<Cnpj, Cpf>(Cnpj{registration}) : Cpf{registration};
        dps.serie = serie;
        dps.nDPS = nDPS;
        if (expected.startsWith(u"DPS")) {
            QVERIFY(QRegularExpression(QStringLiteral("^DPS[0-9]{42}$")).match(expected).hasMatch());
            QCOMPARE(DpsId(dps), expected);
            QVERIFY(UnsignedDps(dps).contains(QByteArray("<infDPS Id=\"" + expected.toUtf8() + "\">")));
        } else {
            QCOMPARE(NfseErrorOf([&] { DpsId(dps); }), expected);
            QCOMPARE(NfseErrorOf([&] { UnsignedDps(dps); }), expected);
        }
    }

    // Whatever the locale (a comma one, set for the whole suite), two places after a point.
    void amountsAndRatesAreWrittenWithAPoint_data() {
        QTest::addColumn<qint64>("vServ");
        QTest::addColumn<qint64>("pAliq");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("thousands") << qint64(123456789) << qint64(250)
                                   << QByteArray("<vServ>1234567.89</vServ>|<pAliq>2.50</pAliq>");
        QTest::newRow("cents only") << qint64(5) << qint64(5)
                                    << QByteArray("<vServ>0.05</vServ>|<pAliq>0.05</pAliq>");
        QTest::newRow("whole amounts") << qint64(100000000) << qint64(500)
                                       << QByteArray("<vServ>1000000.00</vServ>|<pAliq>5.00</pAliq>");
        QTest::newRow("zero") << qint64(0) << qint64(0)
                              << QByteArray("<vServ>0.00</vServ>|<pAliq>0.00</pAliq>");
    }
    void amountsAndRatesAreWrittenWithAPoint() {
        QFETCH(qint64, vServ);
        QFETCH(qint64, pAliq);
        QFETCH(QByteArray, expected);
        QCOMPARE(QLocale().decimalPoint(), QStringLiteral(","));
        Dps dps = SampleDps();
        dps.valores.vServ = D(vServ);
        dps.valores.pAliq = D(pAliq);
        const QByteArray document = UnsignedDps(dps);
        for (const QByteArray& element : expected.split('|'))
            QVERIFY2(document.contains(element), document.constData());
    }

    // Amounts read from documents others wrote: the layout allows a whole number without decimals.
    void decimalTextsAreReadExactly_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("hundredths");  // -1 for a text that is no such number
        QTest::newRow("whole") << "15000" << qint64(1500000);
        QTest::newRow("zero") << "0" << qint64(0);
        QTest::newRow("one decimal") << "12.5" << qint64(1250);
        QTest::newRow("cents") << "0.07" << qint64(7);
        QTest::newRow("fifteen digits") << "999999999999999.99" << qint64(99'999'999'999'999'999);
        QTest::newRow("three decimals") << "1.234" << qint64(-1);
        QTest::newRow("comma") << "1,50" << qint64(-1);
        QTest::newRow("point without decimals") << "1." << qint64(-1);
        QTest::newRow("empty") << "" << qint64(-1);
    }
    void decimalTextsAreReadExactly() {
        QFETCH(QString, text);
        QFETCH(qint64, hundredths);
        const std::optional<Decimal2> value = Decimal2::FromText(text);
        QCOMPARE(value.has_value(), hundredths >= 0);
        if (value) QCOMPARE(value->hundredths(), hundredths);
    }

    // A certificate that cannot sign for the provider is refused before anything is made, saying why.
    void certificatesThatCannotSignAreRefused_data() {
        QTest::addColumn<QString>("certificate");
        QTest::addColumn<QString>("password");  // "" for the one it was made with
        QTest::addColumn<int>("signingInDays");
        QTest::addColumn<QString>("refusal");  // "" when it signs
        QTest::newRow("CNPJ in the common name and the otherName") << "cnpj"
                                                                   << "" << 0 << "";
        QTest::newRow("CNPJ in the otherName only") << "otherName only"
                                                    << "" << 0 << "";
        QTest::newRow("sealed with RC2 and 3DES") << "legacy seal"
                                                  << "" << 0 << "";
        QTest::newRow("wrong password") << "cnpj"
                                        << "senha-errada" << 0 << "A senha do certificado %1 não confere.";
        QTest::newRow("expired at the signing time") << "cnpj"
                                                     << "" << 31 << "O certificado %1 venceu em ";
        QTest::newRow("not yet valid at the signing time")
            << "cnpj"
            << "" << -1 << "O certificado %1 só vale a partir de ";
        QTest::newRow("another company's") << "another company"
                                           << "" << 0
                                           << "O certificado %1 (OUTRA EMPRESA SA:99888777000166) não é do "
                                              "prestador da DPS, CNPJ 11222333000181: é "
                                              "de 99888777000166.";
        QTest::newRow("a file that is not there") << "missing"
                                                  << "" << 0 << "O certificado %1 não pôde ser lido: ";
        QTest::newRow("a certificate without its key")
            << "pem"
            << "" << 0 << "O arquivo %1 não é um certificado PKCS#12 (.pfx ou .p12).";
    }
    void certificatesThatCannotSignAreRefused() {
        QFETCH(QString, certificate);
        QFETCH(QString, password);
        QFETCH(int, signingInDays);
        QFETCH(QString, refusal);
        const TestCertificate& cnpj = made_.at(QStringLiteral("cnpj"));
        const QString file = certificate == u"missing" ? dir_.filePath(QStringLiteral("nenhum.pfx"))
                             : certificate == u"pem"   ? cnpj.pem
                                                       : made_.at(certificate).pkcs12;
        const QString secret =
            password.isEmpty() && made_.count(certificate) ? made_.at(certificate).password : password;
        QByteArray signedBytes;
        const QString message = NfseErrorOf([&] {
            const Certificate loaded = Certificate::FromPkcs12(file, secret);
            signedBytes = SignedDps(SampleDps(), loaded, SignatureAlgorithm::RsaSha1,
                                    QDateTime::currentDateTimeUtc().addDays(signingInDays));
        });
        if (refusal.isEmpty()) {
            QVERIFY2(message.isEmpty(), qPrintable(message));
            QVERIFY(signedBytes.contains("<SignatureValue>"));
        } else {
            QVERIFY2(message.startsWith(refusal.arg(file)), qPrintable(message));
            QVERIFY(signedBytes.isEmpty());
        }
    }

    // The schema's refusal names the element and says what is wrong; so does a text XML cannot carry.
    void anInvalidDocumentIsRefusedNamingTheElement_data() {
        QTest::addColumn<Dps>("dps");
        QTest::addColumn<QString>("refusal");  // a part of the message
        const QString schema =
            QStringLiteral("A DPS não segue o esquema DPS_v1.00.xsd: no elemento DPS/infDPS/");
        Dps dps = SampleDps();
        dps.serv.xDescServ.clear();
        QTest::newRow("empty description") << dps << schema + "serv/cServ/xDescServ: [facet 'minLength']";
        dps = SampleDps();
        dps.serv.cTribNac = QStringLiteral("0101");
        QTest::newRow("national code of four digits")
            << dps << schema + "serv/cServ/cTribNac: [facet 'pattern']";
        dps = SampleDps();
        dps.toma->registration = Cnpj{QStringLiteral("4599741800015")};
        QTest::newRow("taker's CNPJ of 13 digits") << dps << schema + "toma/CNPJ: [facet 'pattern']";
        dps = SampleDps();
        dps.toma->fone = QStringLiteral("(21) 3333-4444");
        QTest::newRow("phone with its mask")
            << dps << schema + "toma/fone: [facet 'pattern'] The value '(21) 3333-4444'";
        dps = SampleDps();
        dps.dhEmi = dps.dhEmi.toOffsetFromUtc(-(3 * 3600 + 1800));
        QTest::newRow("offset of half an hour") << dps
                                                << schema +
                                                       "dhEmi: [facet 'pattern'] The value '2026-03-10T14:"
                                                       "00:00-03:30'";
        dps = SampleDps();
        dps.dhEmi = QDateTime();
        QTest::newRow("no issue time") << dps << schema + "dhEmi: [facet 'pattern']";
        dps = SampleDps();
        dps.valores.vServ = D(-100);
        QTest::newRow("negative amount")
            << dps << schema + "valores/vServPrest/vServ: [facet 'pattern'] The value '-1.00'";
        dps = SampleDps();
        dps.valores.pAliq = D(1000);
        QTest::newRow("rate of 10%") << dps
                                     << schema +
                                            "valores/trib/tribMun/pAliq: [facet 'pattern'] The value '10.00'";
        dps = SampleDps();
        dps.toma->end->xBairro = QStringLiteral(" Centro");
        QTest::newRow("leading space") << dps << schema + "toma/end/xBairro: [facet 'pattern']";
        dps = SampleDps();
        dps.toma->xNome = QStringLiteral("Cliente\x01");
        QTest::newRow("control character")
            << dps << "O texto de DPS/infDPS/toma/xNome tem um caractere que o XML não aceita (U+0001).";
        dps = SampleDps();
        dps.prest.regApTribSN = SimplesNacionalRegime::AllOutsideSn;
        QTest::newRow("Simples Nacional regime of a provider outside it")
            << dps
            << "O regime de apuração do Simples Nacional (regApTribSN) só cabe ao prestador optante como "
               "ME/EPP "
               "(opSimpNac 3), e este tem opSimpNac 1.";
    }
    void anInvalidDocumentIsRefusedNamingTheElement() {
        QFETCH(Dps, dps);
        QFETCH(QString, refusal);
        const QString message = NfseErrorOf([&] { UnsignedDps(dps); });
        QVERIFY2(message.contains(refusal), qPrintable(message));
        QCOMPARE(NfseErrorOf([&] { SignedDps(dps, loaded_.at(QStringLiteral("cnpj"))); }), message);
    }

    // An NFS-e read back must be schema-valid and carry a DPS this system could have written, whole.
    void anNfseThatCannotBeTrustedIsRefused_data() {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("cut short") << QByteArray("</NFSe>") << QByteArray("")
                                   << "A NFS-e não é um XML legível (linha ";
        QTest::newRow("number zero") << QByteArray("<nNFSe>4711</nNFSe>") << QByteArray("<nNFSe>0</nNFSe>")
                                     << "A NFS-e não segue o esquema NFSe_v1.00.xsd: no elemento "
                                        "NFSe/infNFSe/nNFSe: [facet 'pattern'] "
                                        "The value '0' is not accepted by the pattern '[1-9]{1}[0-9]{0,12}'.";
        QTest::newRow("a DPS number its Id does not carry")
            << QByteArray("<nDPS>1542</nDPS>") << QByteArray("<nDPS>1543</nDPS>")
            << "O Id DPS355030821122233300018100001000000000001542 da DPS não é o que os seus valores formam "
               "(DPS355030821122233300018100001000000000001543).";
        QTest::newRow("a value the DPS keeps no place for")
            << QByteArray("<CNPJ>45997418000153</CNPJ>")
            << QByteArray("<CNPJ>45997418000153</CNPJ><CAEPF>12345678901234</CAEPF>")
            << "O documento traz o elemento NFSe/infNFSe/DPS/infDPS/toma/CAEPF, que este sistema não lê.";
        QTest::newRow("issued by the taker")
            << QByteArray("<tpEmit>1</tpEmit>") << QByteArray("<tpEmit>2</tpEmit>")
            << "A DPS não foi emitida pelo prestador (tpEmit 2).";
    }
    void anNfseThatCannotBeTrustedIsRefused() {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QFETCH(QString, refusal);
        QByteArray nfse = BuildNfse(SignedDps(SampleDps(), loaded_.at(QStringLiteral("cnpj"))),
                                    QStringLiteral("4711"), loaded_.at(QStringLiteral("authority")));
        QVERIFY(nfse.contains(from));
        nfse.replace(from, to);
        const QString message = NfseErrorOf([&] { ReadNfse(nfse); });
        QVERIFY2(message.startsWith(refusal), qPrintable(message));
    }

    // Threads share the certificate and the parsed schemas; each document comes out as it does alone.
    void severalThreadsSignAtOnce() {
        const Certificate& certificate = loaded_.at(QStringLiteral("cnpj"));
        constexpr int kThreads = 4;
        constexpr int kEach = 20;
        std::vector<QByteArray> alone;
        for (int n = 1; n <= kThreads * kEach; ++n) {
            Dps dps = SampleDps();
            dps.nDPS = n;
            alone.push_back(SignedDps(dps, certificate,
                                      n % 2 ? SignatureAlgorithm::RsaSha1 : SignatureAlgorithm::RsaSha256));
        }
        std::vector<QByteArray> together(alone.size());
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                for (int n = 1 + t; n <= kThreads * kEach; n += kThreads) {
                    Dps dps = SampleDps();
                    dps.nDPS = n;
                    together[n - 1] =
                        SignedDps(dps, certificate,
                                  n % 2 ? SignatureAlgorithm::RsaSha1 : SignatureAlgorithm::RsaSha256);
                }
            });
        }
        for (std::thread& thread : threads) thread.join();
        for (size_t i = 0; i < alone.size(); ++i)
            QVERIFY2(together[i] == alone[i], qPrintable(QString::number(i + 1)));
    }
};

QTEST_GUILESS_MAIN(DpsDocument)
#include "test_dps_document.moc"
