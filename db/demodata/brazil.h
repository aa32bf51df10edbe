#pragma once

#include <QPair>
#include <QString>
#include <QStringList>

#include <vector>

// Brazilian reference data and registration numbers for the demo database.
namespace kpv::demo {

class Random;

// CNPJ: 8-digit root, 4-digit establishment, 2 check digits. CPF: 9 digits, 2 check digits.
QString Cnpj(const QString& root, int establishment);
QString Cpf(const QString& nineDigits);
bool ValidCnpj(const QString& digits);
bool ValidCpf(const QString& digits);

struct State {
    QString code;  // SGESTADO
    QString name;
};

struct Municipality {
    QString state;
    QString code;  // CDMUNICIPIO, the application's own code within the state
    QString name;
    QString ibge;        // CDMUNICIBGE
    int conversionDays;  // days to convert an RPS into an NFS-e; 0 where the city sets none
};

const QString kBrazil = QStringLiteral("1058");  // CDPAIS, the Central Bank's country code

const std::vector<State>& States();
const std::vector<Municipality>& Municipalities();
const Municipality& MunicipalityNamed(const QString& name);

QString PersonName(Random& random);
// Corporate name and trade name of a client company.
QPair<QString, QString> CompanyName(Random& random);
QString Street(Random& random);
QString District(Random& random);
QString ServiceDescription(Random& random);

}  // namespace kpv::demo
