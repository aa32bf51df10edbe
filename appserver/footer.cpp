#include "appserver/footer.h"

#include "protocol/codes.h"

namespace kpv::server {

QString InvoiceFooter(const QString& operationKey, const QString& operationName, const QString& idEmissaoRps,
                      const QDate& conversionDeadline, const QDate& today) {
    QString deadline;
    if (idEmissaoRps == protocol::kEmitido && conversionDeadline.isValid()) {
        const QString date = conversionDeadline.toString(QStringLiteral("dd/MM/yyyy"));
        deadline = conversionDeadline < today ? QStringLiteral(" - Conversão em NFS-e vencida em ") + date
                                              : QStringLiteral(" - Converter em NFS-e até ") + date;
    }
    QString operation = QStringLiteral("Operação ") + operationKey;
    const QString name = operationName.trimmed();
    if (!name.isEmpty()) operation += QStringLiteral(" - ") + name;
    const qsizetype room = kFooterSize - deadline.size();
    if (operation.size() > room) operation = operation.left(room - 1).trimmed() + QChar(0x2026);  // …
    return operation + deadline;
}

}  // namespace kpv::server
