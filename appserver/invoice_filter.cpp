#include "appserver/invoice_filter.h"

#include "appserver/server_fault.h"

namespace kpv::server {

namespace {

// Enough for every operation type of a company many times over; a longer list is a client gone wrong.
constexpr int kMaxOperationKeys = 500;

const QString kAll = QStringLiteral("T");

// "S01,S05": each key is the direction letter and the two-character type code, as GetTipoOper's CHAVE.
QStringList operationTypesOf(const QString& list, const QString& direction) {
    QStringList codes;
    const QStringList keys = list.split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (keys.size() > kMaxOperationKeys) {
        throw InvalidArgument(QStringLiteral("Lista de tipos de operação longa demais (%1 itens; máximo %2).")
                                  .arg(keys.size())
                                  .arg(kMaxOperationKeys));
    }
    for (const QString& raw : keys) {
        const QString key = raw.trimmed();
        if (key.size() != 3 || (key[0] != QLatin1Char('S') && key[0] != QLatin1Char('E'))) {
            throw InvalidArgument(
                QStringLiteral("Tipo de operação inválido na lista: \"%1\" (esperado, por exemplo, "
                               "\"S01\").")
                    .arg(key));
        }
        if (key.left(1) == direction && !codes.contains(key.mid(1))) codes << key.mid(1);
    }
    return codes;
}

// "_1_3": the situations "_1" not issued, "_2" issued and "_3" substituted, in any order.
QStringList situationsOf(const QString& list) {
    QStringList codes;
    if (list.isEmpty()) return codes;
    if (!list.startsWith(QLatin1Char('_'))) {
        throw InvalidArgument(
            QStringLiteral("Lista de situações de RPS inválida: \"%1\" (use _1, _2 e _3).").arg(list));
    }
    for (const QString& code : list.mid(1).split(QLatin1Char('_'))) {
        if (code != QLatin1String("1") && code != QLatin1String("2") && code != QLatin1String("3")) {
            throw InvalidArgument(
                QStringLiteral("Lista de situações de RPS inválida: \"%1\" (use _1, _2 e _3).").arg(list));
        }
        if (!codes.contains(code)) codes << code;
    }
    return codes;
}

}  // namespace

QString RegistrationDigits(const QString& text) {
    QString digits;
    for (QChar c : text) {
        if (c.isDigit()) digits += c;
    }
    return digits;
}

bool InvoiceFilter::selectsNothing() const {
    return situations.isEmpty() || (!allOperationTypes && operationTypes.isEmpty()) || company.isEmpty() ||
           firstExitDate > lastExitDate;
}

InvoiceFilter ReadInvoiceFilter(const QVariantList& args) {
    QStringList t;
    for (const QVariant& a : args) t << a.toString();
    InvoiceFilter f;
    f.direction = t.value(9);
    if (f.direction != QLatin1String("S") && f.direction != QLatin1String("E")) {
        throw InvalidArgument(
            QStringLiteral(
                "Direção da operação inválida: \"%1\" (use \"S\" para saída ou \"E\" para entrada).")
                .arg(f.direction));
    }
    f.branch = t.value(0).trimmed();
    f.allOperationTypes = t.value(1) == kAll;
    if (!f.allOperationTypes) f.operationTypes = operationTypesOf(t.value(1), f.direction);
    f.company = t.value(2).trimmed();
    f.stateRegistration = t.value(3).trimmed();
    f.municipalRegistration = t.value(4).trimmed();
    f.series = t.value(5).trimmed();
    f.allClients = t.value(6) == kAll;
    if (!f.allClients) f.clientDigits = RegistrationDigits(t.value(6));
    f.firstExitDate = args.value(7).toDate();
    f.lastExitDate = args.value(8).toDate();
    f.situations = situationsOf(t.value(10));
    return f;
}

}  // namespace kpv::server
