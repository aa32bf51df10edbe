#include "db/demodata/brazil.h"

#include "db/demodata/random.h"

#include <algorithm>
#include <stdexcept>

namespace kpv::demo {

namespace {

// Weighted sum modulo 11, as both registration numbers compute their check digits.
int checkDigit(const QString& digits, const std::vector<int>& weights) {
    int sum = 0;
    for (qsizetype i = 0; i < digits.size(); ++i)
        sum += digits[i].digitValue() * weights[static_cast<size_t>(i)];
    const int rest = sum % 11;
    return rest < 2 ? 0 : 11 - rest;
}

const std::vector<int> kCnpjFirst{5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
const std::vector<int> kCnpjSecond{6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
const std::vector<int> kCpfFirst{10, 9, 8, 7, 6, 5, 4, 3, 2};
const std::vector<int> kCpfSecond{11, 10, 9, 8, 7, 6, 5, 4, 3, 2};

bool allDigits(const QString& text, qsizetype size) {
    return text.size() == size &&
           std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isDigit(); });
}

bool allSame(const QString& text) {
    return std::all_of(text.cbegin(), text.cend(), [&](QChar c) { return c == text[0]; });
}

}  // namespace

QString Cnpj(const QString& root, int establishment) {
    QString base = root + QStringLiteral("%1").arg(establishment, 4, 10, QLatin1Char('0'));
    base += QString::number(checkDigit(base, kCnpjFirst));
    return base + QString::number(checkDigit(base, kCnpjSecond));
}

QString Cpf(const QString& nineDigits) {
    QString base = nineDigits;
    base += QString::number(checkDigit(base, kCpfFirst));
    return base + QString::number(checkDigit(base, kCpfSecond));
}

bool ValidCnpj(const QString& digits) {
    return allDigits(digits, 14) && !allSame(digits) &&
           Cnpj(digits.left(8), digits.mid(8, 4).toInt()) == digits;
}

bool ValidCpf(const QString& digits) {
    return allDigits(digits, 11) && !allSame(digits) && Cpf(digits.left(9)) == digits;
}

const std::vector<State>& States() {
    static const std::vector<State> states = {
        {"AM", "Amazonas"},
        {"BA", "Bahia"},
        {"CE", "Ceará"},
        {"DF", "Distrito Federal"},
        {"GO", "Goiás"},
        {"MG", "Minas Gerais"},
        {"PA", "Pará"},
        {"PE", "Pernambuco"},
        {"PR", "Paraná"},
        {"RJ", "Rio de Janeiro"},
        {"RS", "Rio Grande do Sul"},
        {"SC", "Santa Catarina"},
        {"SP", "São Paulo"},
    };
    return states;
}

const std::vector<Municipality>& Municipalities() {
    static const std::vector<Municipality> cities = {
        {"SP", "0001", "São Paulo", "3550308", 0},  {"SP", "0002", "Campinas", "3509502", 5},
        {"SP", "0003", "Santos", "3548500", 0},     {"SP", "0004", "Ribeirão Preto", "3543402", 15},
        {"SP", "0005", "Sorocaba", "3552205", 0},   {"RJ", "0001", "Rio de Janeiro", "3304557", 5},
        {"RJ", "0002", "Niterói", "3303302", 0},    {"MG", "0001", "Belo Horizonte", "3106200", 30},
        {"MG", "0002", "Uberlândia", "3170206", 0}, {"PR", "0001", "Curitiba", "4106902", 20},
        {"PR", "0002", "Londrina", "4113700", 0},   {"SC", "0001", "Florianópolis", "4205407", 0},
        {"SC", "0002", "Joinville", "4209102", 7},  {"RS", "0001", "Porto Alegre", "4314902", 0},
        {"BA", "0001", "Salvador", "2927408", 0},   {"PE", "0001", "Recife", "2611606", 10},
        {"CE", "0001", "Fortaleza", "2304400", 0},  {"DF", "0001", "Brasília", "5300108", 0},
        {"GO", "0001", "Goiânia", "5208707", 0},    {"AM", "0001", "Manaus", "1302603", 0},
        {"PA", "0001", "Belém", "1501402", 0},
    };
    return cities;
}

const Municipality& MunicipalityNamed(const QString& name) {
    for (const Municipality& m : Municipalities()) {
        if (m.name == name) return m;
    }
    throw std::logic_error("unknown municipality in the demo data");
}

QString PersonName(Random& r) {
    static const QStringList first = {
        "Ana",     "Beatriz", "Bruno",   "Camila",   "Carlos", "Daniela", "Eduardo", "Fernanda",
        "Gabriel", "Helena",  "Igor",    "Juliana",  "João",   "Larissa", "Lucas",   "Marcos",
        "Mariana", "Natália", "Otávio",  "Patrícia", "Rafael", "Renata",  "Rodrigo", "Sérgio",
        "Tatiana", "Thiago",  "Vanessa", "Vinícius", "Aline",  "Antônio", "Cecília", "Débora",
        "Fábio",   "Gustavo", "Joana",   "Márcia",   "Paulo",  "Simone",  "Luíza",   "André",
    };
    static const QStringList last = {
        "Silva",     "Santos",    "Oliveira", "Souza",   "Rodrigues", "Ferreira", "Alves",      "Pereira",
        "Lima",      "Gomes",     "Costa",    "Ribeiro", "Martins",   "Carvalho", "Almeida",    "Lopes",
        "Soares",    "Fernandes", "Vieira",   "Barbosa", "Rocha",     "Dias",     "Nascimento", "Andrade",
        "Moreira",   "Nunes",     "Marques",  "Machado", "Mendes",    "Freitas",  "Cardoso",    "Ramos",
        "Gonçalves", "Teixeira",  "Araújo",   "Correia",
    };
    // Drawn one statement at a time, last name first as they always were: the operands of one expression are
    // evaluated in whatever order the compiler likes, and the demo data is the same for a seed on every one.
    const QString& secondSurname = r.pick(last);
    const QString& surname = r.pick(last);
    const QString& name = r.pick(first);
    return name + QLatin1Char(' ') + surname + QLatin1Char(' ') + secondSurname;
}

QPair<QString, QString> CompanyName(Random& r) {
    static const QStringList brand = {
        "Aurora",    "Horizonte", "Paineira", "Cerrado",     "Atlântica",    "Jequitibá", "Serra Azul",
        "Itaúna",    "Capivari",  "Guarani",  "Tupã",        "Araucária",    "Pantanal",  "Iguaçu",
        "Maracanã",  "Ipanema",   "Carioca",  "Mantiqueira", "Bandeirantes", "Sertão",    "Piracema",
        "Bom Jesus", "Primavera", "Nova Era", "Vale Verde",  "Santa Clara",
    };
    static const QStringList trade = {
        "Comércio de Alimentos",
        "Transportes",
        "Construções",
        "Indústria Têxtil",
        "Materiais Elétricos",
        "Distribuidora",
        "Farmácia",
        "Supermercados",
        "Metalúrgica",
        "Agropecuária",
        "Hotelaria",
        "Tecnologia",
        "Logística",
        "Móveis",
        "Laticínios",
        "Educação",
        "Clínica Médica",
        "Autopeças",
        "Papelaria",
        "Engenharia",
    };
    static const QStringList suffix = {"Ltda", "Ltda", "Ltda", "S.A.", "EIRELI", "ME", "EPP"};
    const QString b = r.pick(brand);
    const QString t = r.pick(trade);
    return {t + QLatin1Char(' ') + b + QLatin1Char(' ') + r.pick(suffix), b + QLatin1Char(' ') + t};
}

QString Street(Random& r) {
    static const QStringList kind = {"Rua", "Rua", "Avenida", "Travessa", "Alameda", "Praça"};
    static const QStringList name = {
        "das Palmeiras",  "XV de Novembro", "Sete de Setembro", "Tiradentes",
        "Getúlio Vargas", "Dom Pedro II",   "Marechal Deodoro", "Rui Barbosa",
        "das Flores",     "São João",       "Brasil",           "Independência",
        "Santos Dumont",  "Castro Alves",   "Bela Vista",       "Barão do Rio Branco",
        "José Bonifácio", "dos Andradas",   "Paulista",         "Afonso Pena",
    };
    const QString& called = r.pick(name);  // before the kind, as always (see PersonName)
    return r.pick(kind) + QLatin1Char(' ') + called;
}

QString District(Random& r) {
    static const QStringList names = {"Centro",        "Jardim América", "Vila Nova",   "Boa Vista",
                                      "Santa Cecília", "Bela Vista",     "Liberdade",   "Consolação",
                                      "Santo Amaro",   "Vila Mariana",   "Cidade Alta", "Jardim Botânico",
                                      "Industrial",    "São Francisco"};
    return r.pick(names);
}

QString ServiceDescription(Random& r) {
    static const QStringList services = {
        "Consultoria em gestão tributária",
        "Manutenção preventiva de equipamentos",
        "Licenciamento de uso de software",
        "Suporte técnico em informática",
        "Treinamento de equipe operacional",
        "Assessoria contábil mensal",
        "Desenvolvimento de sistema sob encomenda",
        "Auditoria de processos internos",
        "Serviços de engenharia civil",
        "Locação de equipamentos de informática",
        "Elaboração de projeto elétrico",
        "Hospedagem de sistemas e dados",
        "Manutenção corretiva de rede lógica",
        "Serviços de limpeza e conservação",
        "Consultoria em segurança do trabalho",
        "Implantação de sistema de gestão",
    };
    return r.pick(services);
}

}  // namespace kpv::demo
