#include "db/demodata/demo_generator.h"

#include "db/demodata/brazil.h"
#include "db/demodata/random.h"
#include "db/demodata/table_writer.h"
#include "db/dialect.h"
#include "db/schema.h"
#include "db/sql.h"

#include <QDateTime>
#include <QHash>
#include <QSqlQuery>

#include <algorithm>
#include <cmath>
#include <map>

namespace kpv::demo {

namespace {

struct CompanyPlan {
    const char* code;
    const char* name;
    const char* tradeName;
    const char* city;
    // IDOPSIMPNAC, IDREGAPTRIBSN (null outside the ME/EPP) and IDREGESPTRIB.
    const char* simplesNacional;
    const char* simplesRegime;
    const char* specialRegime;
};

// One company outside the Simples Nacional, a professional society of accountants and an ME/EPP.
const CompanyPlan kCompanies[] = {
    {"01", "Kpv Sistemas e Consultoria Ltda", "Kpv Sistemas", "São Paulo", "1", nullptr, "0"},
    {"02", "Alvorada Serviços Contábeis S.A.", "Alvorada Contábil", "Belo Horizonte", "1", nullptr, "6"},
    {"03", "Ipê Engenharia e Manutenção Ltda", "Ipê Engenharia", "Curitiba", "3", "1", "0"},
};

struct BranchPlan {
    const char* code;
    int company;  // index into kCompanies
    const char* city;
    int weight;  // share of the invoices
};

const BranchPlan kBranches[] = {
    {"0001", 0, "São Paulo", 30},    {"0002", 0, "Campinas", 10},       {"0003", 0, "Rio de Janeiro", 12},
    {"0004", 0, "Florianópolis", 4}, {"0005", 1, "Belo Horizonte", 14}, {"0006", 1, "Uberlândia", 4},
    {"0007", 1, "Brasília", 6},      {"0008", 2, "Curitiba", 10},       {"0009", 2, "Londrina", 3},
    {"0010", 2, "Porto Alegre", 5},  {"0011", 2, "Joinville", 2},
};

struct OperationType {
    const char* direction;
    const char* code;
    const char* name;
    const char* nationalCode;  // CDTRIBNAC; null where each invoice names its own
};

const OperationType kOperationTypes[] = {
    {"S", "01", "Prestação de serviços", "010101"},
    {"S", "02", "Consultoria e assessoria", "170101"},
    {"S", "03", "Manutenção e suporte técnico", "010701"},
    {"S", "04", "Licenciamento de software", "010501"},
    {"S", "05", "Treinamento e capacitação", "080201"},
    {"S", "06", "Locação de equipamentos", nullptr},
    {"E", "01", "Serviços tomados", nullptr},
    {"E", "02", "Serviços de terceiros", nullptr},
    {"E", "03", "Devolução de serviço prestado", nullptr},
};

// The national service code of the invoices whose operation type has none: the equipment is rented with
// its upkeep.
const char* const kRentalNationalCode = "140101";

// An invoice of at least this value to a company has its ISS withheld by the taker, as large takers must.
constexpr double kWithheldFrom = 20000.0;

// Portugal's code in the Central Bank's table of countries: the foreign client lives in Lisbon.
const QString kPortugal = QStringLiteral("6076");

QVariant textOrNull(const char* text) {
    return text ? QVariant(QString::fromUtf8(text)) : QVariant();
}

// IDEMISSAORPS / IDTRANSMISRPS pairs and how often each occurs, by the invoice's age.
struct Situation {
    char emission;
    char transmission;
    int weight;
};
const std::vector<Situation> kRecent = {
    {'1', '1', 60}, {'2', '1', 25}, {'2', '3', 5}, {'3', '4', 5}, {'1', '4', 5}};
const std::vector<Situation> kMonth = {{'1', '1', 20}, {'2', '1', 20}, {'2', '3', 10}, {'2', '2', 5},
                                       {'2', '4', 2},  {'3', '4', 38}, {'1', '2', 5}};
const std::vector<Situation> kOld = {{'1', '1', 10}, {'2', '1', 5},  {'2', '2', 5},
                                     {'2', '4', 2},  {'3', '4', 68}, {'1', '4', 10}};
const std::vector<Situation> kIncoming = {{'1', '1', 90}, {'3', '4', 10}};

struct Series {
    QString code;
    QString description;
    QString control;    // CDCTRLNUMENF; empty for none
    bool controlRow;    // whether CTRLNUMENF holds that control
    QString rpsSeries;  // empty: not receipted by RPS
    int weight;
};

struct Branch {
    const BranchPlan* plan;
    QString company;
    QString stateRegistration;
    QString municipalRegistration;
    const Municipality* city;
    std::vector<Series> series;
};

struct Client {
    QString code;
    QString kind;    // IDTPIJURCLIE
    QString number;  // NRINSJURCLIE; empty for a foreign client
};

struct Invoice {
    int branch;
    int series;
    int client;
    const OperationType* type;
    QDateTime exit;
    double value;
    double rate;
    Situation situation;
    bool cancelledBefore;  // an earlier RPS of the invoice was cancelled, its number spent
    QString entry;         // NRLANCTONF
    QString number;        // NRNOTAFISC
    QString nfse;          // NRNOTAFISCSE
    // The standing RPS, for situations 2 and 3.
    qint64 rps = 0;
    QDateTime rpsIssued;
};

// One RPS issue, cancelled or standing, to be numbered in the order of issue time.
struct Issue {
    QDateTime at;
    int invoice;
    bool cancelled;
};

QString padded(qint64 value, int width) {
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

double cents(double value) {
    return std::round(value * 100.0) / 100.0;
}

const Situation& weighted(Random& r, const std::vector<Situation>& table) {
    int total = 0;
    for (const Situation& s : table) total += s.weight;
    int roll = r.below(total);
    for (const Situation& s : table) {
        if (roll < s.weight) return s;
        roll -= s.weight;
    }
    return table.back();
}

template <typename T, typename Weight>
int weightedIndex(Random& r, const std::vector<T>& items, Weight weight) {
    int total = 0;
    for (const T& item : items) total += weight(item);
    int roll = r.below(total);
    for (size_t i = 0; i < items.size(); ++i) {
        if (roll < weight(items[i])) return static_cast<int>(i);
        roll -= weight(items[i]);
    }
    return static_cast<int>(items.size()) - 1;
}

class Generator {
  public:
    Generator(QSqlDatabase& db, const DemoOptions& options)
        : db_(db), options_(options), random_(options.seed), until_(options.until) {}

    DemoSummary run() {
        clear();
        places();
        companies();
        clients();
        operationTypes();
        invoices();
        return summary_;
    }

  private:
    void clear() {
        const auto& tables = db::Schema();
        for (auto t = tables.rbegin(); t != tables.rend(); ++t) {
            // The audit trail outlives the data it speaks of.
            if (t->appendOnly) continue;
            QSqlQuery q(db_);
            db::Prepare(q, QStringLiteral("DELETE FROM %1").arg(t->name));
            db::Exec(q, QStringLiteral("Falha ao limpar %1").arg(t->name));
        }
    }

    void places() {
        TableWriter country(db_, "PAIS", {"CDPAIS", "NMPAIS", "SGPAIS"});
        country.insert({kBrazil, QStringLiteral("Brasil"), QStringLiteral("BR")});
        country.insert({kPortugal, QStringLiteral("Portugal"), QStringLiteral("PT")});
        TableWriter states(db_, "ESTADO", {"CDPAIS", "SGESTADO", "NMESTADO"});
        for (const State& s : States()) states.insert({kBrazil, s.code, s.name});
        TableWriter cities(
            db_, "MUNICIPIO",
            {"CDPAIS", "SGESTADO", "CDMUNICIPIO", "NMMUNICIPIO", "CDMUNICIBGE", "NRDIASCONVRPS"});
        for (const Municipality& m : Municipalities()) {
            cities.insert({kBrazil, m.state, m.code, m.name, m.ibge,
                           m.conversionDays ? QVariant(m.conversionDays) : QVariant()});
        }
    }

    QVariantList address(const Municipality& city) {
        const QString street = Street(random_);
        return {street,
                QString::number(random_.between(10, 4999)),
                random_.chance(0.3) ? QVariant(QStringLiteral("Sala %1").arg(random_.between(1, 90) * 10 + 1))
                                    : QVariant(),
                District(random_),
                random_.digits(8),
                kBrazil,
                city.state,
                city.code,
                QStringLiteral("%1%2").arg(random_.between(11, 99)).arg(random_.digits(8))};
    }

    static QStringList addressColumns(const QString& suffix) {
        return {"DSENDER" + suffix,  "NRENDER" + suffix, "DSCOMPL" + suffix,
                "NMBAIRRO" + suffix, "NRCEP" + suffix,   "CDPAIS",
                "SGESTADO",          "CDMUNICIPIO",      "NRTELEF" + suffix};
    }

    void companies() {
        TableWriter empresa(db_, "EMPRESA",
                            QStringList{"CDEMPRESA", "NMRAZSOCEMPR", "NMFANTEMPR", "CDCENTCUST", "NRCNPJEMPR",
                                        "DSEMAILEMPR", "IDOPSIMPNAC", "IDREGAPTRIBSN", "IDREGESPTRIB"} +
                                addressColumns("EMPR"));
        QStringList roots;
        for (const CompanyPlan& c : kCompanies) {
            roots << random_.digits(8);
            const QString site = QString::fromUtf8(c.tradeName).toLower().remove(' ').remove(QChar(u'ê'));
            empresa.insert(QVariantList{QString::fromUtf8(c.code), QString::fromUtf8(c.name),
                                        QString::fromUtf8(c.tradeName), QStringLiteral("0100"),
                                        Cnpj(roots.last(), 1), QStringLiteral("fiscal@%1.com.br").arg(site),
                                        textOrNull(c.simplesNacional), textOrNull(c.simplesRegime),
                                        textOrNull(c.specialRegime)} +
                           address(MunicipalityNamed(QString::fromUtf8(c.city))));
            ++summary_.companies;
        }

        TableWriter filial(db_, "FILIAL",
                           QStringList{"CDFILIAL", "NMFILIAL", "CDEMPRESA", "CDINSCESTA", "CDINSCMUNI",
                                       "CDSERIE", "NRCNPJFILI"} +
                               addressColumns("FILI"));
        TableWriter estadual(db_, "INSCRESTAD",
                             {"CDEMPRESA", "CDINSCESTA", "NRSERIECERTIFIC", "IDTPAMBIENTENFE", "CDPAIS",
                              "SGESTADO", "CDMUNICIPIO", "NMREPRINSEST"});
        TableWriter municipal(db_, "INSCRMUNIC",
                              {"CDEMPRESA", "CDINSCMUNI", "NMREPRINSMUN", "NRCERTDIGNFSE", "IDAMBTRABNFSE",
                               "CDPAIS", "SGESTADO", "CDMUNICIPIO"});
        TableWriter serie(db_, "SERIENF",
                          {"CDEMPRESA", "CDINSCESTA", "CDINSCMUNI", "CDSERIE", "DSSERIE", "CDRELMODENF",
                           "CDRELESPENF", "CDCTRLNUMENF", "IDUTDTPREMIS", "CDSERIERPS"});
        TableWriter relation(db_, "EMPRCNTRFIL",
                             {"CDEMPRESA", "CDFILIAL", "CDINSCESTA", "CDINSCMUNI", "CDSERIE"});

        std::map<int, int> establishments;
        for (const BranchPlan& plan : kBranches) {
            Branch b;
            b.plan = &plan;
            b.company = QString::fromUtf8(kCompanies[plan.company].code);
            b.city = &MunicipalityNamed(QString::fromUtf8(plan.city));
            b.stateRegistration = random_.digits(12);
            b.municipalRegistration = random_.digits(8);
            const int n = static_cast<int>(branches_.size()) + 1;
            b.series = {
                {"1", "Série única", padded(n, 4) + "-1", true, "1", 80},
                // Some series have no number-control row: none at all, or one that names a missing control.
                {"A", "Série A contratos", n % 2 ? padded(n, 4) + "-A" : QString(), n % 2 && n % 3 != 0, "2",
                 18},
            };
            if (n == 1) b.series.push_back({"U", "Série sem RPS", QString(), false, QString(), 2});

            const int establishment = ++establishments[plan.company];
            filial.insert(QVariantList{QString::fromUtf8(plan.code),
                                       QString(QString::fromUtf8(kCompanies[plan.company].tradeName) + " - " +
                                               b.city->name)
                                           .left(30),
                                       b.company, b.stateRegistration, b.municipalRegistration,
                                       b.series.front().code, Cnpj(roots[plan.company], establishment)} +
                          address(*b.city));
            estadual.insert({b.company, b.stateRegistration, random_.digits(20), n % 4 ? "1" : "2", kBrazil,
                             b.city->state, b.city->code, PersonName(random_).left(40)});
            municipal.insert({b.company, b.municipalRegistration, PersonName(random_).left(40),
                              QStringLiteral("%1").arg(random_.next(), 16, 16, QLatin1Char('0')).toUpper(),
                              n % 5 ? "1" : "2", kBrazil, b.city->state, b.city->code});
            for (const Series& s : b.series) {
                serie.insert({b.company, b.stateRegistration, b.municipalRegistration, s.code, s.description,
                              QStringLiteral("KPV410"), QVariant(),
                              s.control.isEmpty() ? QVariant() : QVariant(s.control), QStringLiteral("N"),
                              s.rpsSeries.isEmpty() ? QVariant() : QVariant(s.rpsSeries)});
                relation.insert({b.company, QString::fromUtf8(plan.code), b.stateRegistration,
                                 b.municipalRegistration, s.code});
            }
            branches_.push_back(b);
            ++summary_.branches;
        }
        // A branch of one company that serves another under the same registrations.
        const Branch& shared = branches_[4];
        relation.insert({branches_[0].company, QString::fromUtf8(shared.plan->code), shared.stateRegistration,
                         shared.municipalRegistration, shared.series.front().code});
    }

    void clients() {
        TableWriter cliente(db_, "CLIENTE",
                            QStringList{"CDCLIENTE", "IDTPIJURCLIE", "NRINSJURCLIE", "NMRAZSOCCLIE",
                                        "NMFANTCLIE", "DSEMAILCLIE"} +
                                addressColumns("CLIE") + QStringList{"NMCIDEXTCLIE", "NMREGEXTCLIE"});
        const int count = std::clamp(options_.invoices / 25, 40, 4000);
        for (int i = 0; i < count; ++i) {
            Client c;
            c.code = padded(i + 1, 6);
            QString name;
            QString trade;
            if (i == count - 1) {
                // A foreign client has no Brazilian registration number.
                c.kind = "E";
                name = QStringLiteral("Lusitana Software Unipessoal Lda");
                trade = QStringLiteral("Lusitana Software");
            } else if (random_.chance(0.6)) {
                c.kind = "J";
                // The branch drawn before the root, as always: a call's arguments are evaluated in any order.
                const int branch = random_.chance(0.8) ? 1 : random_.between(2, 40);
                c.number = Cnpj(random_.digits(8), branch);
                const auto names = CompanyName(random_);
                name = names.first.left(50);
                trade = names.second.left(50);
            } else {
                c.kind = "F";
                c.number = Cpf(random_.digits(9));
                name = PersonName(random_);
            }
            const QString mail = QStringLiteral("contato%1@exemplo.com.br").arg(i + 1);
            // Every client draws a Brazilian address, so that the others get the same ones whoever lives
            // abroad.
            QVariantList place =
                address(random_.pick(Municipalities())) + QVariantList{QVariant(), QVariant()};
            if (c.kind == "E") place = inLisbon(place);
            cliente.insert(QVariantList{c.code, c.kind, c.number.isEmpty() ? QVariant() : QVariant(c.number),
                                        name, trade.isEmpty() ? QVariant() : QVariant(trade), mail} +
                           place);
            clients_.push_back(c);
            ++summary_.clients;
        }
    }

    // The address columns of a client (addressColumns, then NMCIDEXTCLIE and NMREGEXTCLIE) moved abroad:
    // a postcode of Lisbon, no Brazilian state or municipality, the city and its district named.
    static QVariantList inLisbon(QVariantList place) {
        place[4] = QStringLiteral("1100-148");
        place[5] = kPortugal;
        place[6] = QVariant();
        place[7] = QVariant();
        place[9] = QStringLiteral("Lisboa");
        place[10] = QStringLiteral("Lisboa");
        return place;
    }

    void operationTypes() {
        TableWriter tipo(db_, "TIPOOPER", {"IDOPERACAO", "CDTIPOOPER", "NMTIPOOPER", "CDTRIBNAC"});
        for (const OperationType& t : kOperationTypes) {
            tipo.insert({QString::fromUtf8(t.direction), QString::fromUtf8(t.code), QString::fromUtf8(t.name),
                         textOrNull(t.nationalCode)});
            (QLatin1String(t.direction) == QLatin1String("S") ? outgoing_ : incoming_).push_back(&t);
        }
    }

    Invoice draft() {
        Invoice inv{};
        inv.branch = weightedIndex(random_, branches_, [](const Branch& b) { return b.plan->weight; });
        const Branch& b = branches_[static_cast<size_t>(inv.branch)];
        inv.series = weightedIndex(random_, b.series, [](const Series& s) { return s.weight; });
        inv.client = random_.below(static_cast<int>(clients_.size()));
        const bool outgoing = random_.chance(0.9);
        inv.type = outgoing ? random_.pick(outgoing_) : random_.pick(incoming_);
        const int age = random_.below(365);
        // The exit date is a day: the list shows it in a column made for a date.
        inv.exit = until_.addDays(-age).startOfDay();
        // Service values spread from small jobs to large contracts.
        inv.value = cents(std::exp(std::log(150.0) + random_.unit() * (std::log(80000.0) - std::log(150.0))));
        static const std::vector<double> rates = {2.0, 2.5, 3.0, 5.0};
        inv.rate = random_.pick(rates);
        const bool receipted = !b.series[static_cast<size_t>(inv.series)].rpsSeries.isEmpty();
        inv.situation = !receipted  ? Situation{'1', '1', 0}
                        : !outgoing ? weighted(random_, kIncoming)
                        : age <= 7  ? weighted(random_, kRecent)
                        : age <= 30 ? weighted(random_, kMonth)
                                    : weighted(random_, kOld);
        inv.cancelledBefore = receipted && random_.chance(0.03);
        return inv;
    }

    QString rpsKey(const Invoice& inv) const {
        const Branch& b = branches_[static_cast<size_t>(inv.branch)];
        return b.company + '|' + b.municipalRegistration + '|' +
               b.series[static_cast<size_t>(inv.series)].rpsSeries;
    }

    void invoices() {
        std::vector<Invoice> list;
        list.reserve(static_cast<size_t>(options_.invoices));
        for (int i = 0; i < options_.invoices; ++i) list.push_back(draft());
        std::stable_sort(list.begin(), list.end(),
                         [](const Invoice& a, const Invoice& b) { return a.exit < b.exit; });

        // Entry numbers per branch and invoice numbers per series rise with the exit date.
        QHash<int, int> entries;
        QHash<QString, int> numbers;
        int nfse = 0;
        std::vector<Issue> issues;
        for (size_t i = 0; i < list.size(); ++i) {
            Invoice& inv = list[i];
            const Branch& b = branches_[static_cast<size_t>(inv.branch)];
            inv.entry = padded(++entries[inv.branch], 10);
            inv.number = padded(
                ++numbers[b.company + b.plan->code + b.series[static_cast<size_t>(inv.series)].code], 9);
            const char e = inv.situation.emission;
            const char t = inv.situation.transmission;
            if (e == '3' || (e == '1' && t != '1'))
                inv.nfse = QString::number(inv.exit.date().year()) + padded(++nfse, 8);
            const QDateTime lastMoment(until_, QTime(23, 59));
            // Issued from the morning of the exit day to the evening of the next one.
            QDateTime at = std::min(inv.exit.addSecs(qint64(3600) * random_.between(9, 47)), lastMoment);
            if (inv.cancelledBefore) {
                issues.push_back({at, static_cast<int>(i), true});
                at = std::min(at.addSecs(qint64(3600) * random_.between(1, 24)), lastMoment);
            }
            if (e == '2' || e == '3') issues.push_back({at, static_cast<int>(i), false});
        }

        std::stable_sort(issues.begin(), issues.end(),
                         [](const Issue& a, const Issue& b) { return a.at < b.at; });
        QHash<QString, qint64> counters;
        TableWriter ledger(db_, "RPSEMITIDO",
                           {"CDEMPRESA", "CDINSCMUNI", "CDSERIERPS", "NRRPS", "CDFILIAL", "NRLANCTONF",
                            "DTEMISRPS", "IDSITRPS", "DTSITRPS"});
        for (const Issue& issue : issues) {
            Invoice& inv = list[static_cast<size_t>(issue.invoice)];
            const Branch& b = branches_[static_cast<size_t>(inv.branch)];
            const qint64 number = ++counters[rpsKey(inv)];
            const QString status = issue.cancelled ? "C" : inv.situation.emission == '3' ? "S" : "E";
            const QDateTime changed = issue.cancelled ? issue.at.addSecs(1800) : issue.at;
            ledger.insert({b.company, b.municipalRegistration,
                           b.series[static_cast<size_t>(inv.series)].rpsSeries, number,
                           QString::fromUtf8(b.plan->code), inv.entry, issue.at, status, changed});
            if (!issue.cancelled) {
                inv.rps = number;
                inv.rpsIssued = issue.at;
            }
            ++summary_.rpsIssued;
            if (issue.cancelled) ++summary_.rpsCancelled;
        }

        TableWriter nota(
            db_, "NOTAFISCAL",
            {"CDFILIAL",   "NRLANCTONF",    "CDEMPRESA",    "CDFILIEMIT",    "CDINSCESTA", "CDINSCMUNI",
             "CDSERIE",    "NRNOTAFISC",    "CDCLIENTE",    "NRINSJURNF",    "IDTPIJURNF", "IDOPERACAO",
             "CDTIPOOPER", "DTENTRSAID",    "DTEMISSAO",    "VRNOTAFISC",    "DSSERVICO",  "VRSERVICO",
             "VRBASEISS",  "PCALIQISS",     "VRISS",        "NRNOTAFISCSE",  "CDSERIERPS", "NRRPS",
             "DTEMISRPS",  "DTLIMCONVNFSE", "IDEMISSAORPS", "IDTRANSMISRPS", "CDTRIBNAC",  "IDTPRETISS"});
        for (const Invoice& inv : list) {
            const Branch& b = branches_[static_cast<size_t>(inv.branch)];
            const Series& s = b.series[static_cast<size_t>(inv.series)];
            const Client& c = clients_[static_cast<size_t>(inv.client)];
            const bool standing = inv.rps > 0;
            const int days = b.city->conversionDays ? b.city->conversionDays : 10;
            // Some invoices are issued under the centralising branch on behalf of a sister branch of the
            // same company; the registrations, and the RPS, stay the centralising branch's.
            const Branch& sister = branches_[static_cast<size_t>(random_.below(int(branches_.size())))];
            const QString issuing = QString::fromUtf8(
                random_.chance(0.05) && sister.company == b.company ? sister.plan->code : b.plan->code);
            const QString description =
                ServiceDescription(random_) +
                QStringLiteral(" - referente a %1").arg(inv.exit.date().toString("MM/yyyy"));
            nota.insert({QString::fromUtf8(b.plan->code),
                         inv.entry,
                         b.company,
                         issuing,
                         b.stateRegistration,
                         b.municipalRegistration,
                         s.code,
                         inv.number,
                         c.code,
                         c.number.isEmpty() ? QVariant() : QVariant(c.number),
                         c.kind,
                         QString::fromUtf8(inv.type->direction),
                         QString::fromUtf8(inv.type->code),
                         inv.exit,
                         inv.exit.date().addDays(-random_.below(2)).startOfDay(),
                         inv.value,
                         description,
                         inv.value,
                         inv.value,
                         inv.rate,
                         cents(inv.value * inv.rate / 100.0),
                         inv.nfse.isEmpty() ? QVariant() : QVariant(inv.nfse),
                         standing ? QVariant(s.rpsSeries) : QVariant(),
                         standing ? QVariant(QString::number(inv.rps)) : QVariant(),
                         standing ? QVariant(inv.rpsIssued) : QVariant(),
                         standing ? QVariant(inv.rpsIssued.date().addDays(days)) : QVariant(),
                         QString(QChar::fromLatin1(inv.situation.emission)),
                         QString(QChar::fromLatin1(inv.situation.transmission)),
                         inv.type->nationalCode || inv.type->direction[0] != 'S'
                             ? QVariant()
                             : QVariant(QString::fromLatin1(kRentalNationalCode)),
                         c.kind == "J" && inv.value >= kWithheldFrom ? "2" : "1"});
            ++summary_.invoices;
        }

        TableWriter counter(db_, "SERIERPS",
                            {"CDEMPRESA", "CDINSCMUNI", "CDSERIERPS", "DSSERIERPS", "NRULTRPS"});
        TableWriter control(db_, "CTRLNUMENF",
                            {"CDCTRLNUMENF", "DSCTRLNUMENF", "DTEMISCTNUNF", "IDCONSDTEMIS", "IDUTCTRLFORM",
                             "IDUTLOCAEMIS", "IDUTFILILCEM", "NRULTNOTAFISC"});
        for (const Branch& b : branches_) {
            for (const Series& s : b.series) {
                if (!s.rpsSeries.isEmpty()) {
                    const QString key = b.company + '|' + b.municipalRegistration + '|' + s.rpsSeries;
                    counter.insert({b.company, b.municipalRegistration, s.rpsSeries,
                                    QStringLiteral("RPS série %1").arg(s.rpsSeries), counters.value(key, 0)});
                }
                if (s.controlRow) {
                    control.insert({s.control, QStringLiteral("Numeração série %1").arg(s.code),
                                    QDateTime(until_.addYears(-2), QTime(0, 0)), "S", "N", "N", "N",
                                    qint64(numbers.value(b.company + b.plan->code + s.code, 0))});
                }
            }
        }
    }

    QSqlDatabase& db_;
    DemoOptions options_;
    Random random_;
    QDate until_;
    std::vector<Branch> branches_;
    std::vector<Client> clients_;
    std::vector<const OperationType*> outgoing_;
    std::vector<const OperationType*> incoming_;
    DemoSummary summary_;
};

}  // namespace

DemoSummary GenerateDemoData(QSqlDatabase& db, const DemoOptions& options) {
    const db::Dialect& dialect = db::DialectOf(db);
    DemoOptions o = options;
    if (!o.until.isValid()) o.until = QDate::currentDate();
    dialect.begin(db);
    try {
        const DemoSummary summary = Generator(db, o).run();
        dialect.commit(db);
        return summary;
    } catch (...) {
        db.rollback();
        throw;
    }
}

}  // namespace kpv::demo
