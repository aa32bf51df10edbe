#include "db/schema.h"

#include <algorithm>
#include <iterator>

namespace kpv::db {

namespace {

using T = ColumnType;

Column req(QString name, ColumnType type, int size = 0) {
    return {std::move(name), type, size, true};
}
Column opt(QString name, ColumnType type, int size = 0) {
    return {std::move(name), type, size, false};
}

// Address columns carry the table's suffix, as the application names them (DSENDEREMPR, DSENDERFILI...).
std::vector<Column> address(const QString& suffix) {
    return {
        opt("DSENDER" + suffix, T::Text, 60), opt("NRENDER" + suffix, T::Text, 10),
        opt("DSCOMPL" + suffix, T::Text, 30), opt("NMBAIRRO" + suffix, T::Text, 40),
        opt("NRCEP" + suffix, T::Text, 8),    opt("CDPAIS", T::Text, 4),
        opt("SGESTADO", T::Text, 2),          opt("CDMUNICIPIO", T::Text, 4),
        opt("NRTELEF" + suffix, T::Text, 15), opt("DSEMAIL" + suffix, T::Text, 60),
    };
}

std::vector<Column> join(std::vector<Column> head, const std::vector<Column>& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

// Countries, states and municipalities, by the codes the application keys them with.
std::vector<Table> placeTables() {
    return {
        // CDPAIS: the Central Bank's country code ("1058" Brazil); SGPAIS: the ISO 3166 letters ("BR") the
        // NFS-e layout names a country by.
        {"PAIS",
         {req("CDPAIS", T::Text, 4), req("NMPAIS", T::Text, 30), opt("SGPAIS", T::Text, 2)},
         {"CDPAIS"},
         {}},
        {"ESTADO",
         {req("CDPAIS", T::Text, 4), req("SGESTADO", T::Text, 2), req("NMESTADO", T::Text, 30)},
         {"CDPAIS", "SGESTADO"},
         {}},
        // NRDIASCONVRPS: days an issued RPS may wait before it must be converted into an NFS-e; null
        // where the municipality sets no deadline of its own.
        {"MUNICIPIO",
         {req("CDPAIS", T::Text, 4), req("SGESTADO", T::Text, 2), req("CDMUNICIPIO", T::Text, 4),
          req("NMMUNICIPIO", T::Text, 30), opt("CDMUNICIBGE", T::Text, 7), opt("NRDIASCONVRPS", T::Integer)},
         {"CDPAIS", "SGESTADO", "CDMUNICIPIO"},
         {}},
    };
}

// The companies, their branches and the state and municipal registrations they hold.
std::vector<Table> companyTables() {
    return {
        // The company's tax standing, as its DPS declare it: IDOPSIMPNAC "1" not in the Simples Nacional,
        // "2" MEI, "3" ME/EPP; IDREGAPTRIBSN, for an ME/EPP, "1" to "3" where its taxes are assessed;
        // IDREGESPTRIB the special regime, "0" none to "6" professional society (nfse/dps.h).
        {"EMPRESA",
         join(join({req("CDEMPRESA", T::Text, 2), req("NMRAZSOCEMPR", T::Text, 80),
                    opt("NMFANTEMPR", T::Text, 50), opt("CDCENTCUST", T::Text, 4),
                    opt("NRCNPJEMPR", T::Text, 14)},
                   address("EMPR")),
              {opt("IDOPSIMPNAC", T::FixedText, 1), opt("IDREGAPTRIBSN", T::FixedText, 1),
               opt("IDREGESPTRIB", T::FixedText, 1)}),
         {"CDEMPRESA"},
         {}},
        {"FILIAL",
         join({req("CDFILIAL", T::Text, 4), req("NMFILIAL", T::Text, 30), req("CDEMPRESA", T::Text, 2),
               opt("CDINSCESTA", T::Text, 16), opt("CDINSCMUNI", T::Text, 16), opt("CDSERIE", T::Text, 5),
               opt("NRCNPJFILI", T::Text, 14)},
              address("FILI")),
         {"CDFILIAL"},
         {{"IX_FILIAL_EMPRESA", {"CDEMPRESA"}}}},
        {"EMPRCNTRFIL",
         {req("CDEMPRESA", T::Text, 2), req("CDFILIAL", T::Text, 4), req("CDINSCESTA", T::Text, 16),
          req("CDINSCMUNI", T::Text, 16), req("CDSERIE", T::Text, 5)},
         {"CDEMPRESA", "CDFILIAL", "CDINSCESTA", "CDINSCMUNI", "CDSERIE"},
         {}},
        {"INSCRESTAD",
         {req("CDEMPRESA", T::Text, 2), req("CDINSCESTA", T::Text, 16), opt("NRSERIECERTIFIC", T::Text, 50),
          opt("IDTPAMBIENTENFE", T::FixedText, 1), req("CDPAIS", T::Text, 4), req("SGESTADO", T::Text, 2),
          req("CDMUNICIPIO", T::Text, 4), opt("NMREPRINSEST", T::Text, 40)},
         {"CDEMPRESA", "CDINSCESTA"},
         {}},
        // IDAMBTRABNFSE: NFS-e environment, "1" production, "2" homologation.
        {"INSCRMUNIC",
         {req("CDEMPRESA", T::Text, 2), req("CDINSCMUNI", T::Text, 16), opt("NMREPRINSMUN", T::Text, 40),
          opt("NRCERTDIGNFSE", T::Text, 50), opt("IDAMBTRABNFSE", T::Text, 20), req("CDPAIS", T::Text, 4),
          req("SGESTADO", T::Text, 2), req("CDMUNICIPIO", T::Text, 4)},
         {"CDEMPRESA", "CDINSCMUNI"},
         {}},
    };
}

// The invoice series and the counters that number them.
std::vector<Table> invoiceSeriesTables() {
    return {
        {"CTRLNUMENF",
         {req("CDCTRLNUMENF", T::Text, 10), opt("DSCTRLNUMENF", T::Text, 30),
          opt("DTEMISCTNUNF", T::Timestamp), opt("IDCONSDTEMIS", T::FixedText, 1),
          opt("IDUTCTRLFORM", T::FixedText, 1), opt("IDUTLOCAEMIS", T::FixedText, 1),
          opt("IDUTFILILCEM", T::FixedText, 1), opt("NRULTNOTAFISC", T::BigInt)},
         {"CDCTRLNUMENF"},
         {}},
        // CDSERIERPS: the RPS series the invoices of this series are receipted under.
        {"SERIENF",
         {req("CDEMPRESA", T::Text, 2), req("CDINSCESTA", T::Text, 16), req("CDINSCMUNI", T::Text, 16),
          req("CDSERIE", T::Text, 5), opt("DSSERIE", T::Text, 20), opt("CDRELMODENF", T::Text, 100),
          opt("CDRELESPENF", T::Text, 100), opt("CDCTRLNUMENF", T::Text, 10),
          opt("IDUTDTPREMIS", T::FixedText, 1), opt("CDSERIERPS", T::Text, 5)},
         {"CDEMPRESA", "CDINSCESTA", "CDINSCMUNI", "CDSERIE"},
         {}},
    };
}

// The clients invoiced and the operation types invoices are made under.
std::vector<Table> clientAndOperationTables() {
    return {
        // IDTPIJURCLIE "J" with a 14-digit CNPJ, "F" with an 11-digit CPF, "E" foreign with its tax number
        // abroad or none; numbers hold digits only. A client abroad has no municipality: its city and its
        // state, province or region are named (NMCIDEXTCLIE, NMREGEXTCLIE) and NRCEPCLIE holds its postcode.
        {"CLIENTE",
         join(join({req("CDCLIENTE", T::Text, 21), req("IDTPIJURCLIE", T::FixedText, 1),
                    opt("NRINSJURCLIE", T::Text, 20), req("NMRAZSOCCLIE", T::Text, 50),
                    opt("NMFANTCLIE", T::Text, 50)},
                   address("CLIE")),
              {opt("NMCIDEXTCLIE", T::Text, 60), opt("NMREGEXTCLIE", T::Text, 60)}),
         {"CDCLIENTE"},
         {{"IX_CLIENTE_INSCRICAO", {"NRINSJURCLIE"}}}},
        // IDOPERACAO: "S" outgoing (Saída), "E" incoming (Entrada). CDTRIBNAC: the national service code
        // (item, subitem and detail of the national list, six digits) of the type's services.
        {"TIPOOPER",
         {req("IDOPERACAO", T::FixedText, 1), req("CDTIPOOPER", T::Text, 2), req("NMTIPOOPER", T::Text, 30),
          opt("CDTRIBNAC", T::Text, 6)},
         {"IDOPERACAO", "CDTIPOOPER"},
         {}},
    };
}

// The service invoices, the RPS series that number their receipts and the ledger of every RPS issued.
std::vector<Table> invoiceTables() {
    return {
        // The counter of an RPS series: the last number issued. Numbers are per provider registration.
        {"SERIERPS",
         {req("CDEMPRESA", T::Text, 2), req("CDINSCMUNI", T::Text, 16), req("CDSERIERPS", T::Text, 5),
          opt("DSSERIERPS", T::Text, 30), req("NRULTRPS", T::BigInt)},
         {"CDEMPRESA", "CDINSCMUNI", "CDSERIERPS"},
         {}},
        // The service invoices. IDEMISSAORPS "1" not issued, "2" issued, "3" substituted by an NFS-e;
        // IDTRANSMISRPS "1" not transmitted, "2" transmitted, "3" transmitted awaiting the city's return,
        // "4" transmitted and accepted. The RPS columns are empty while no RPS stands for the invoice.
        // CDTRIBNAC: the invoice's own national service code, over its operation type's. IDTPRETISS: who
        // withholds its ISS, "1" nobody (the provider pays it), "2" the taker, "3" an intermediary.
        {"NOTAFISCAL",
         {req("CDFILIAL", T::Text, 4),
          req("NRLANCTONF", T::Text, 10),
          req("CDEMPRESA", T::Text, 2),
          req("CDFILIEMIT", T::Text, 4),
          req("CDINSCESTA", T::Text, 16),
          req("CDINSCMUNI", T::Text, 16),
          req("CDSERIE", T::Text, 5),
          req("NRNOTAFISC", T::Text, 20),
          req("CDCLIENTE", T::Text, 21),
          opt("NRINSJURNF", T::Text, 20),
          opt("IDTPIJURNF", T::FixedText, 1),
          req("IDOPERACAO", T::FixedText, 1),
          req("CDTIPOOPER", T::Text, 2),
          req("DTENTRSAID", T::Timestamp),
          req("DTEMISSAO", T::Timestamp),
          req("VRNOTAFISC", T::Money),
          opt("DSSERVICO", T::Text, 500),
          opt("VRSERVICO", T::Money),
          opt("VRBASEISS", T::Money),
          opt("PCALIQISS", T::Rate),
          opt("VRISS", T::Money),
          opt("NRNOTAFISCSE", T::Text, 30),
          opt("CDSERIERPS", T::Text, 5),
          opt("NRRPS", T::Text, 30),
          opt("DTEMISRPS", T::Timestamp),
          opt("DTLIMCONVNFSE", T::Date),
          req("IDEMISSAORPS", T::FixedText, 1),
          req("IDTRANSMISRPS", T::FixedText, 1),
          opt("CDTRIBNAC", T::Text, 6),
          opt("IDTPRETISS", T::FixedText, 1)},
         {"CDFILIAL", "NRLANCTONF"},
         {{"IX_NOTAFISCAL_SAIDA", {"CDEMPRESA", "DTENTRSAID"}}}},
        // The RPS ledger: every number ever issued, kept when cancelled so it is never issued again.
        // IDSITRPS "E" issued, "C" cancelled, "S" substituted by an NFS-e. CDUSUARIOEMIS and CDUSUARIOCANC:
        // the accounts that issued and cancelled the number, empty where a server ran without accounts.
        {"RPSEMITIDO",
         {req("CDEMPRESA", T::Text, 2), req("CDINSCMUNI", T::Text, 16), req("CDSERIERPS", T::Text, 5),
          req("NRRPS", T::BigInt), req("CDFILIAL", T::Text, 4), req("NRLANCTONF", T::Text, 10),
          req("DTEMISRPS", T::Timestamp), req("IDSITRPS", T::FixedText, 1), req("DTSITRPS", T::Timestamp),
          opt("CDUSUARIOEMIS", T::Text, 30), opt("CDUSUARIOCANC", T::Text, 30)},
         {"CDEMPRESA", "CDINSCMUNI", "CDSERIERPS", "NRRPS"},
         {{"IX_RPSEMITIDO_NOTA", {"CDFILIAL", "NRLANCTONF"}}}},
    };
}

// The application server's own: the database's identity and the DPS and NFS-e that went out and came back.
std::vector<Table> serverTables() {
    return {
        // Values a server writes when a host connects, each fresh and random: a host that finds the value
        // through its own connection reads the very database the server writes to, not a copy of it.
        {"IDENTBANCO",
         {req("CDIDENTBANCO", T::Text, 32), req("DTIDENTBANCO", T::Timestamp)},
         {"CDIDENTBANCO"},
         {},
         TableOwner::Server},
        // Each DPS written for an RPS: its Id, the RPS (ledger key and invoice), when, and the SHA-256 of the
        // file, so an export knows what it already wrote and an NFS-e that comes back finds its RPS.
        {"DPSEXPORTADA",
         {req("CDDPS", T::Text, 45), req("CDEMPRESA", T::Text, 2), req("CDINSCMUNI", T::Text, 16),
          req("CDSERIERPS", T::Text, 5), req("NRRPS", T::BigInt), req("CDFILIAL", T::Text, 4),
          req("NRLANCTONF", T::Text, 10), req("DTEXPDPS", T::Timestamp), req("DSSHA256DPS", T::Text, 64)},
         {"CDDPS"},
         {{"IX_DPSEXPORTADA_RPS", {"CDEMPRESA", "CDINSCMUNI", "CDSERIERPS", "NRRPS"}}},
         TableOwner::Server},
        // The NFS-e read back for an exported DPS: its number, when it was read in, and the file's SHA-256.
        {"NFSERECEBIDA",
         {req("CDDPS", T::Text, 45), req("NRNOTAFISCSE", T::Text, 30), req("DTRECNFSE", T::Timestamp),
          req("DSSHA256NFSE", T::Text, 64)},
         {"CDDPS"},
         {},
         TableOwner::Server},
    };
}

// The accounts that sign in to the servers, their sessions and the audit trail.
std::vector<Table> accountTables() {
    return {
        // The accounts of the people who use the servers: IDATIVO "S"/"N"; DSSENHA an Argon2id hash
        // (libsodium's crypto_pwhash_str, which carries its own parameters and salt); DSDIREITOS the rights
        // joined by commas ("emitir,cancelar", accounts/rights.h).
        {"USUARIOSERV",
         {req("CDUSUARIO", T::Text, 30), req("NMUSUARIO", T::Text, 80), req("DSSENHA", T::Text, 128),
          req("IDATIVO", T::FixedText, 1), req("DSDIREITOS", T::Text, 60)},
         {"CDUSUARIO"},
         {},
         TableOwner::Server},
        // Signed-in sessions, by a digest of their token (the token itself is never stored). Times in UTC.
        {"SESSAOSERV",
         {req("CDSESSAO", T::Text, 64), req("CDUSUARIO", T::Text, 30), req("DTCRIACAO", T::Timestamp),
          req("DTULTIMOUSO", T::Timestamp)},
         {"CDSESSAO"},
         {{"IX_SESSAOSERV_USUARIO", {"CDUSUARIO"}}},
         TableOwner::Server},
        // The audit trail: who did what, when (UTC), from where, to which invoice and RPS, and how it ended
        // ("ok", "refused: ...", "error <code>: ..."). CDAUDITORIA begins with the time in milliseconds, so
        // rows sort in the order they were written and a span of time is a span of keys (AuditKeyAt): the
        // trail needs no index of its own on DTAUDITORIA. Nobody changes or removes a row.
        {"AUDITORIASERV",
         {req("CDAUDITORIA", T::Text, 32), req("DTAUDITORIA", T::Timestamp), opt("CDUSUARIO", T::Text, 30),
          opt("DSENDERECO", T::Text, 64), req("DSACAO", T::Text, 30), opt("CDFILIAL", T::Text, 4),
          opt("NRLANCTONF", T::Text, 10), opt("CDSERIERPS", T::Text, 5), opt("NRRPS", T::Text, 30),
          req("DSRESULTADO", T::Text, 500)},
         {"CDAUDITORIA"},
         {},
         TableOwner::Server,
         true,
         {"IX_AUDITORIASERV_DATA"}},
    };
}

// In the order the tables are created.
std::vector<Table> declare() {
    std::vector<Table> tables;
    for (auto part : {placeTables, companyTables, invoiceSeriesTables, clientAndOperationTables,
                      invoiceTables, serverTables, accountTables}) {
        std::vector<Table> declared = part();
        std::move(declared.begin(), declared.end(), std::back_inserter(tables));
    }
    return tables;
}

}  // namespace

const Column* Table::column(const QString& columnName) const {
    for (const Column& c : columns) {
        if (c.name == columnName) return &c;
    }
    return nullptr;
}

const std::vector<Table>& Schema() {
    static const std::vector<Table> tables = declare();
    return tables;
}

const Table* FindTable(const QString& name) {
    for (const Table& t : Schema()) {
        if (t.name == name) return &t;
    }
    return nullptr;
}

}  // namespace kpv::db
