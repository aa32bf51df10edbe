#include "appserver/invoice_filter.h"

#include "appserver/server_fault.h"
#include "protocol/codes.h"
#include "protocol/methods.h"

namespace kpv::server {

namespace {

// Enough for every operation type of a company many times over; a longer list is a client gone wrong.
constexpr int kMaxOperationKeys = 500;

using protocol::kAll;

// "S01,S05": each key is the direction letter and the two-character type code, as GetTipoOper's CHAVE.
QStringList operationTypesOf(const QString& list, const QString& direction) {
    QStringList codes;
    const QStringList keys = list.split(protocol::kOperationKeySeparator, Qt::SkipEmptyParts);
    if (keys.size() > kMaxOperationKeys) {
        throw InvalidArgument(QStringLiteral("Lista de tipos de operação longa demais (%1 itens; máximo %2).")
                                  .arg(keys.size())
                                  .arg(kMaxOperationKeys));
    }
    for (const QString& raw : keys) {
        const QString key = raw.trimmed();
        if (key.size() != 3 || !protocol::IsDirection(key.left(1))) {
            throw InvalidArgument(
                QStringLiteral("Tipo de operação inválido na lista: \"%1\" (esperado, por exemplo, "
                               "\"S01\").")
                    .arg(key));
        }
        if (key.left(1) == direction && !codes.contains(key.mid(1))) codes << key.mid(1);
    }
    return codes;
}

QStringList situationsOf(const QString& list) {
    const std::optional<QStringList> codes = protocol::SituationCodes(list);
    if (!codes) {
        throw InvalidArgument(
            QStringLiteral("Lista de situações de RPS inválida: \"%1\" (use _1, _2 e _3).").arg(list));
    }
    return *codes;
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
    const protocol::NotaFiscalArgs a = protocol::NotaFiscalArgs::fromList(args);
    InvoiceFilter f;
    f.direction = a.stIdOperacao;
    if (!protocol::IsDirection(f.direction)) {
        throw InvalidArgument(
            QStringLiteral(
                "Direção da operação inválida: \"%1\" (use \"S\" para saída ou \"E\" para entrada).")
                .arg(f.direction));
    }
    f.branch = a.stCdFilial.trimmed();
    f.allOperationTypes = a.stTipoOper == kAll;
    if (!f.allOperationTypes) f.operationTypes = operationTypesOf(a.stTipoOper, f.direction);
    f.company = a.stCdEmpresa.trimmed();
    f.stateRegistration = a.stCdInscEsta.trimmed();
    f.municipalRegistration = a.stCdInscMuni.trimmed();
    f.series = a.stCdSerie.trimmed();
    f.allClients = a.stCliente == kAll;
    if (!f.allClients) f.clientDigits = RegistrationDigits(a.stCliente);
    f.firstExitDate = a.dtSaidIni;
    f.lastExitDate = a.dtSaidFim;
    f.situations = situationsOf(a.stSituacaoRPS);
    return f;
}

}  // namespace kpv::server
