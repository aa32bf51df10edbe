#include "nfse/rps/rps_dps.h"

#include "db/connection.h"
#include "nfse/nfse_error.h"
#include "nfse/rps/layout_text.h"
#include "nfse/rps/utc_offset.h"
#include "protocol/codes.h"

#include <cmath>

namespace kpv::nfse {

namespace {

// The columns a DPS is made of, one row per ledger entry. Every join is an outer one, so that an RPS whose
// branch, company or client is missing is named with its reason instead of passing unseen.
const QString kRpsRows = QStringLiteral(
    "SELECT R.CDEMPRESA, R.CDINSCMUNI, R.CDSERIERPS, R.NRRPS, R.CDFILIAL, R.NRLANCTONF, R.DTEMISRPS,"
    "       NF.IDTRANSMISRPS, NF.NRNOTAFISCSE, NF.DTENTRSAID, NF.NRINSJURNF, NF.IDTPIJURNF, NF.DSSERVICO,"
    "       NF.VRSERVICO, NF.VRNOTAFISC, NF.PCALIQISS, NF.IDTPRETISS, NF.CDTIPOOPER, NF.IDOPERACAO,"
    "       NF.CDTRIBNAC, T.CDTRIBNAC AS CDTRIBNACTIPO, NF.CDCLIENTE,"
    "       F.CDFILIAL AS FILIAL, COALESCE(F.NRCNPJFILI, E.NRCNPJEMPR) AS NRCNPJPRES,"
    "       F.SGESTADO AS SGESTADOFILI, MF.CDMUNICIBGE AS CDMUNICIBGEFILI,"
    "       E.CDEMPRESA AS EMPRESA, E.IDOPSIMPNAC, E.IDREGAPTRIBSN, E.IDREGESPTRIB,"
    "       C.CDCLIENTE AS CLIENTE, C.NMRAZSOCCLIE, C.DSENDERCLIE, C.NRENDERCLIE, C.DSCOMPLCLIE,"
    "       C.NMBAIRROCLIE, C.NRCEPCLIE, C.CDPAIS AS CDPAISCLIE, P.SGPAIS AS SGPAISCLIE,"
    "       MC.CDMUNICIBGE AS CDMUNICIBGECLIE, C.NMCIDEXTCLIE, C.NMREGEXTCLIE, C.NRTELEFCLIE, C.DSEMAILCLIE"
    "  FROM RPSEMITIDO R"
    "  JOIN NOTAFISCAL NF ON NF.CDFILIAL = R.CDFILIAL AND NF.NRLANCTONF = R.NRLANCTONF"
    "  LEFT JOIN FILIAL F ON F.CDFILIAL = NF.CDFILIAL"
    "  LEFT JOIN EMPRESA E ON E.CDEMPRESA = NF.CDEMPRESA"
    "  LEFT JOIN CLIENTE C ON C.CDCLIENTE = NF.CDCLIENTE"
    "  LEFT JOIN TIPOOPER T ON T.IDOPERACAO = NF.IDOPERACAO AND T.CDTIPOOPER = NF.CDTIPOOPER"
    "  LEFT JOIN MUNICIPIO MF ON MF.CDPAIS = F.CDPAIS AND MF.SGESTADO = F.SGESTADO"
    "                        AND MF.CDMUNICIPIO = F.CDMUNICIPIO"
    "  LEFT JOIN MUNICIPIO MC ON MC.CDPAIS = C.CDPAIS AND MC.SGESTADO = C.SGESTADO"
    "                        AND MC.CDMUNICIPIO = C.CDMUNICIPIO"
    "  LEFT JOIN PAIS P ON P.CDPAIS = C.CDPAIS"
    // The ledger's standing entry and the invoice that carries its number (kStandingCodes).
    " WHERE R.IDSITRPS = ? AND NF.IDEMISSAORPS = ? AND NF.CDSERIERPS = R.CDSERIERPS"
    "   AND NF.NRRPS = CAST(R.NRRPS AS VARCHAR(30))");
const std::vector<db::Value> kStandingCodes{kLedgerIssued, protocol::kEmitido};

const QString kNotTransmitted = QStringLiteral(" AND NF.IDTRANSMISRPS = ?");
const QString kNotExported = QStringLiteral(
    " AND NOT EXISTS (SELECT 1 FROM DPSEXPORTADA X WHERE X.CDEMPRESA = R.CDEMPRESA"
    " AND X.CDINSCMUNI = R.CDINSCMUNI AND X.CDSERIERPS = R.CDSERIERPS AND X.NRRPS = R.NRRPS)");
const QString kOfCompany = QStringLiteral(" AND R.CDEMPRESA = ?");
const QString kIssuedFrom = QStringLiteral(" AND R.DTEMISRPS >= ?");
const QString kIssuedBefore = QStringLiteral(" AND R.DTEMISRPS < ?");
const QString kOfInvoice = QStringLiteral(" AND R.CDFILIAL = ? AND R.NRLANCTONF = ?");
const QString kLedgerOrder = QStringLiteral(" ORDER BY R.CDEMPRESA, R.CDINSCMUNI, R.CDSERIERPS, R.NRRPS");

// Brazil's code in the Central Bank's table of countries, which CDPAIS follows.
const QString kBrazil = QStringLiteral("1058");

// The current row of the statement, read by column name.
class Row {
  public:
    explicit Row(const db::Statement& q) : q_(q) {}

    bool isNull(const char* column) const { return q_.isNull(q_.column(column)); }
    // Without the blanks a fixed-width column pads it with; empty for a null.
    QString text(const char* column) const {
        const int c = q_.column(column);
        return q_.isNull(c) ? QString() : q_.string(c).trimmed();
    }
    qint64 integer(const char* column) const { return q_.integer(q_.column(column)); }
    // A NUMERIC column's value in hundredths, as the engines keep it exactly.
    qint64 hundredths(const char* column) const { return std::llround(q_.number(q_.column(column)) * 100.0); }
    double number(const char* column) const { return q_.number(q_.column(column)); }
    db::Timestamp timestamp(const char* column) const { return q_.timestamp(q_.column(column)); }

  private:
    const db::Statement& q_;
};

IssuedRps rpsOf(const Row& row) {
    return {row.text("CDEMPRESA"), row.text("CDINSCMUNI"), row.text("CDSERIERPS"),
            row.integer("NRRPS"),  row.text("CDFILIAL"),   row.text("NRLANCTONF")};
}

template <typename Code>
Code codeOf(const QString& value, int least, int most, const QString& what) {
    bool number = false;
    const int code = value.toInt(&number);
    if (!number || value.size() != 1 || code < least || code > most)
        throw NfseError(QStringLiteral("%1 \"%2\" não é um dos códigos de %3 a %4.")
                            .arg(what, value)
                            .arg(least)
                            .arg(most));
    return Code(code);
}

Provider providerOf(const Row& row, const IssuedRps& rps) {
    const QString company = rps.company;
    if (row.isNull("EMPRESA"))
        throw NfseError(QStringLiteral("A empresa %1 da nota fiscal não está cadastrada.").arg(company));
    Provider prest;
    prest.registration = Cnpj{DigitsOf(row.text("NRCNPJPRES"))};
    prest.IM = rps.municipalRegistration;
    const QString simples = row.text("IDOPSIMPNAC");
    if (simples.isEmpty())
        throw NfseError(QStringLiteral("A empresa %1 não tem informada a sua situação no Simples Nacional "
                                       "(EMPRESA.IDOPSIMPNAC: 1 não optante, 2 MEI, 3 ME/EPP).")
                            .arg(company));
    prest.opSimpNac = codeOf<SimplesNacional>(
        simples, 1, 3,
        QStringLiteral("A situação no Simples Nacional da empresa %1 (EMPRESA.IDOPSIMPNAC)").arg(company));
    if (const QString regime = row.text("IDREGAPTRIBSN"); !regime.isEmpty())
        prest.regApTribSN = codeOf<SimplesNacionalRegime>(
            regime, 1, 3,
            QStringLiteral("O regime de apuração do Simples Nacional da empresa %1 (EMPRESA.IDREGAPTRIBSN)")
                .arg(company));
    // No special regime recorded is no special regime.
    if (const QString special = row.text("IDREGESPTRIB"); !special.isEmpty())
        prest.regEspTrib = codeOf<SpecialTaxRegime>(
            special, 0, 6,
            QStringLiteral("O regime especial de tributação da empresa %1 (EMPRESA.IDREGESPTRIB)")
                .arg(company));
    return prest;
}

std::optional<Address> addressOf(const Row& row, const QString& client) {
    const QString street =
        LayoutText(row.text("DSENDERCLIE"), QStringLiteral("O endereço do cliente %1").arg(client));
    if (street.isEmpty()) return std::nullopt;  // the layout takes a taker without an address
    Address end;
    end.xLgr = street;
    // A place without a number is written as Brazilian addresses write it.
    end.nro =
        LayoutText(row.text("NRENDERCLIE"), QStringLiteral("O número do endereço do cliente %1").arg(client));
    if (end.nro.isEmpty()) end.nro = QStringLiteral("S/N");
    end.xCpl = LayoutText(row.text("DSCOMPLCLIE"),
                          QStringLiteral("O complemento do endereço do cliente %1").arg(client));
    end.xBairro = LayoutText(row.text("NMBAIRROCLIE"), QStringLiteral("O bairro do cliente %1").arg(client));
    const QString country = row.text("CDPAISCLIE");
    const QString iso = row.text("SGPAISCLIE");
    if (country.isEmpty() || country == kBrazil || iso == u"BR") {
        const QString municipality = row.text("CDMUNICIBGECLIE");
        if (municipality.isEmpty())
            throw NfseError(
                QStringLiteral("O município do cliente %1 não tem o código IBGE (MUNICIPIO.CDMUNICIBGE).")
                    .arg(client));
        end.place = NationalPlace{municipality, DigitsOf(row.text("NRCEPCLIE"))};
        return end;
    }
    if (iso.isEmpty())
        throw NfseError(
            QStringLiteral("O país %1 do cliente %2 não tem a sigla ISO que a DPS pede (PAIS.SGPAIS).")
                .arg(country, client));
    end.place = ForeignPlace{iso, SingleLine(row.text("NRCEPCLIE")), SingleLine(row.text("NMCIDEXTCLIE")),
                             SingleLine(row.text("NMREGEXTCLIE"))};
    return end;
}

Taker takerOf(const Row& row) {
    const QString client = row.text("CDCLIENTE");
    if (row.isNull("CLIENTE"))
        throw NfseError(QStringLiteral("O cliente %1 da nota fiscal não está cadastrado.").arg(client));
    Taker toma;
    // The registration the invoice carries, as the RPS printed it.
    const QString kind = row.text("IDTPIJURNF");
    const QString number = DigitsOf(row.text("NRINSJURNF"));
    if (kind == u"J" || kind == u"F") {
        if (number.isEmpty())
            throw NfseError(
                QStringLiteral("A nota fiscal não traz o %1 do cliente %2 (NOTAFISCAL.NRINSJURNF).")
                    .arg(kind == u"J" ? QStringLiteral("CNPJ") : QStringLiteral("CPF"), client));
        toma.registration = kind == u"J" ? PersonRegistration(Cnpj{number}) : PersonRegistration(Cpf{number});
    } else if (kind == u"E") {
        const QString nif = row.text("NRINSJURNF");
        toma.registration = nif.isEmpty() ? PersonRegistration(NoNif{NoNifReason::NotInformed})
                                          : PersonRegistration(Nif{nif});
    } else {
        throw NfseError(
            QStringLiteral("O tipo de pessoa \"%1\" do cliente %2 na nota fiscal (NOTAFISCAL.IDTPIJURNF) "
                           "não é J, F nem E.")
                .arg(kind, client));
    }
    toma.xNome = SingleLine(row.text("NMRAZSOCCLIE"));
    toma.end = addressOf(row, client);
    // A phone is not worth refusing the document for: one that is no phone number is left out.
    const QString phone = DigitsOf(row.text("NRTELEFCLIE"));
    if (phone.size() >= 6 && phone.size() <= 20) toma.fone = phone;
    toma.email = LayoutText(row.text("DSEMAILCLIE"), QStringLiteral("O e-mail do cliente %1").arg(client));
    return toma;
}

Values valuesOf(const Row& row) {
    Values valores;
    // The price of the service, or the invoice's amount where the service's is not recorded.
    valores.vServ =
        Decimal2::FromHundredths(row.hundredths(row.isNull("VRSERVICO") ? "VRNOTAFISC" : "VRSERVICO"));
    if (!row.isNull("PCALIQISS")) {
        // A rate of two decimals at most, as pAliq writes it.
        const qint64 tenThousandths = std::llround(row.number("PCALIQISS") * 10000.0);
        if (tenThousandths % 100 != 0)
            throw NfseError(
                QStringLiteral("A alíquota do ISS da nota fiscal, %1%, tem mais de duas casas decimais.")
                    .arg(QString::number(row.number("PCALIQISS"), 'f', 4)));
        valores.pAliq = Decimal2::FromHundredths(tenThousandths / 100);
    }
    // Nothing recorded of a withholding is none: the provider pays its ISS.
    if (const QString withheld = row.text("IDTPRETISS"); !withheld.isEmpty())
        valores.tpRetISSQN = codeOf<IssqnWithholding>(
            withheld, 1, 3, QStringLiteral("A retenção do ISS da nota fiscal (NOTAFISCAL.IDTPRETISS)"));
    return valores;
}

Dps dpsOf(const Row& row, const IssuedRps& rps, const DpsOrigin& origin) {
    if (row.isNull("FILIAL"))
        throw NfseError(QStringLiteral("A filial %1 da nota fiscal não está cadastrada.").arg(rps.branch));
    Dps dps;
    dps.tpAmb = origin.environment;
    dps.verAplic = origin.verAplic;
    dps.serie = rps.series;
    dps.nDPS = rps.number;
    dps.cLocEmi = row.text("CDMUNICIBGEFILI");
    if (dps.cLocEmi.isEmpty())
        throw NfseError(
            QStringLiteral("O município da filial %1 não tem o código IBGE (MUNICIPIO.CDMUNICIBGE).")
                .arg(rps.branch));
    const QString state = row.text("SGESTADOFILI");
    const std::optional<int> offset = UtcOffsetOf(state, dps.cLocEmi);
    if (!offset)
        throw NfseError(
            QStringLiteral("O estado \"%1\" da filial %2 não é uma UF do Brasil.").arg(state, rps.branch));
    // The time of issue as it was stored, the wall-clock time of the branch, to the second.
    const db::Timestamp issued = row.timestamp("DTEMISRPS");
    dps.dhEmi = QDateTime(issued.date, QTime::fromMSecsSinceStartOfDay(issued.msecs / 1000 * 1000),
                          Qt::OffsetFromUTC, *offset);
    dps.dCompet = row.timestamp("DTENTRSAID").date;
    dps.prest = providerOf(row, rps);
    dps.toma = takerOf(row);

    dps.serv.cLocPrestacao = dps.cLocEmi;
    dps.serv.cTribNac = row.text("CDTRIBNAC");
    if (dps.serv.cTribNac.isEmpty()) dps.serv.cTribNac = row.text("CDTRIBNACTIPO");
    if (dps.serv.cTribNac.isEmpty())
        throw NfseError(
            QStringLiteral("Nem a nota fiscal nem o seu tipo de operação %1%2 têm o código de tributação "
                           "nacional do serviço (NOTAFISCAL.CDTRIBNAC, TIPOOPER.CDTRIBNAC).")
                .arg(row.text("IDOPERACAO"), row.text("CDTIPOOPER")));
    dps.serv.xDescServ = row.text("DSSERVICO");
    if (dps.serv.xDescServ.isEmpty())
        throw NfseError(
            QStringLiteral("A nota fiscal não tem a descrição do serviço (NOTAFISCAL.DSSERVICO)."));
    dps.valores = valuesOf(row);
    // An RPS the layout cannot number (a series of letters) is refused here, with the rows' other faults,
    // rather than when its document is signed.
    DpsId(dps);
    return dps;
}

RpsDps mapped(const db::Statement& q, const DpsOrigin& origin) {
    const Row row(q);
    RpsDps result;
    result.rps = rpsOf(row);
    result.transmission = row.text("IDTRANSMISRPS");
    result.nfseNumber = row.text("NRNOTAFISCSE");
    try {
        result.dps = dpsOf(row, result.rps, origin);
    } catch (const NfseError& e) {
        result.refusal = e.message();
    }
    return result;
}

}  // namespace

QString DpsOrigin::ModuleVersion() {
    return QStringLiteral("KPV41000 " KPV_MODULE_VERSION);
}

std::vector<RpsDps> ReadRpsToExport(db::Connection& connection, const RpsSelection& selection,
                                    const DpsOrigin& origin) {
    QString sql = kRpsRows + kNotTransmitted;
    std::vector<db::Value> binds = kStandingCodes;
    binds.emplace_back(protocol::kNaoTransmitido);
    if (!selection.exportedToo) sql += kNotExported;
    if (!selection.company.isEmpty()) {
        sql += kOfCompany;
        binds.emplace_back(selection.company);
    }
    if (selection.from.isValid()) {
        sql += kIssuedFrom;
        binds.emplace_back(selection.from.startOfDay());
    }
    if (selection.to.isValid()) {
        sql += kIssuedBefore;
        binds.emplace_back(selection.to.addDays(1).startOfDay());
    }
    sql += kLedgerOrder;

    connection.begin(db::Access::Read, std::chrono::milliseconds::zero());
    std::vector<RpsDps> found;
    try {
        db::Statement& q = connection.prepare(sql);
        q.execute(binds);
        while (q.next()) found.push_back(mapped(q, origin));
        connection.commit();
    } catch (...) {
        connection.rollback();
        throw;
    }
    return found;
}

std::optional<RpsDps> ReadStandingRps(db::Connection& connection, const QString& branch, const QString& entry,
                                      const DpsOrigin& origin) {
    db::Statement& q = connection.prepare(kRpsRows + kOfInvoice);
    std::vector<db::Value> binds = kStandingCodes;
    binds.insert(binds.end(), {branch, entry});
    q.execute(binds);
    if (!q.next()) return std::nullopt;
    RpsDps result = mapped(q, origin);
    q.finish();
    return result;
}

}  // namespace kpv::nfse
