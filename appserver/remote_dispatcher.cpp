#include "appserver/remote_dispatcher.h"

#include "appserver/invoice_filter.h"
#include "appserver/rdm_emissao_rps.h"
#include "appserver/server_fault.h"
#include "protocol/codec.h"
#include "protocol/codes.h"
#include "protocol/methods.h"

#include <QDate>

#include <stdexcept>

namespace kpv::server {

namespace {

using protocol::FaultCode;

using Payload = std::variant<EncodedPacket, Status>;

// Runs the method the call names, with arguments already checked against its layout; a method added to
// the protocol without a case here does not compile.
Payload runMethod(TrdmEmissaoRPS& m, protocol::Method method, const QVariantList& a) {
    switch (method) {
        case protocol::Method::GetNotaFiscal:
            return m.GetNotaFiscal(ReadInvoiceFilter(a));
        case protocol::Method::GetTipoOper:
            return m.GetTipoOper(a[0].toString(), a[1].toString(), a[2].toString());
        case protocol::Method::GetInscrMunicip:
            return m.GetInscrMunicip(a[0].toString(), a[1].toString(), a[2].toString());
        case protocol::Method::IdentificaBanco:
            return m.IdentificaBanco();
        case protocol::Method::PreparaImpressao:
            return m.PreparaImpressao(a[0].toString(), a[1].toString());
        case protocol::Method::CancelaEmissao:
            return m.CancelaEmissao(a[0].toString(), a[1].toString());
        case protocol::Method::GeraDPS:
            return m.GeraDPS(a[0].toString(), a[1].toString());
    }
    throw std::logic_error("método sem execução no servidor");  // not reached: every method has its case
}

const protocol::MethodLayout& find(const QString& name) {
    const protocol::MethodLayout* layout = protocol::FindMethod(name);
    if (!layout) {
        throw ServerFault::Of(FaultCode::UnknownMethod, protocol::kServerName, name);
    }
    return *layout;
}

// Dates arrive as ISO texts ("2024-05-31", a time part is ignored); texts must be texts.
QVariantList typed(const protocol::MethodLayout& method, const QVariantList& args) {
    if (args.size() != static_cast<qsizetype>(method.args.size())) {
        throw ServerFault::Of(FaultCode::ArgumentCount, method.name, method.args.size(), args.size());
    }
    QVariantList out;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QVariant& a = args[i];
        const bool isText = a.metaType() == QMetaType::fromType<QString>();
        if (method.args[static_cast<size_t>(i)] == protocol::ArgKind::Text) {
            if (!isText)
                throw ServerFault::Of(FaultCode::ArgumentType, i + 1, method.name, QLatin1String("um texto"));
            out << a;
            continue;
        }
        const QDate date = isText ? QDate::fromString(a.toString().left(10), Qt::ISODate) : QDate();
        if (!date.isValid()) {
            throw ServerFault::Of(FaultCode::ArgumentType, i + 1, method.name,
                                  QLatin1String("uma data no formato AAAA-MM-DD"));
        }
        out << date;
    }
    return out;
}

}  // namespace

QString CheckedCall::method() const {
    if (layout) return QString(layout->name);
    return name.isEmpty() ? QStringLiteral("-") : name;
}

CallReply FaultReply(const QString& method, const ServerFault& fault) {
    return {fault.httpStatus(), protocol::EncodeFaultReply({fault.code(), fault.message()}), method,
            QStringLiteral("error %1: %2").arg(fault.code(), fault.message()), false};
}

std::variant<CheckedCall, CallReply> RemoteDispatcher::check(const QByteArray& body) noexcept {
    QString method = QStringLiteral("-");
    try {
        const protocol::Call call = protocol::DecodeCall(body);
        method = call.method;
        if (call.server.compare(protocol::kServerName, Qt::CaseInsensitive) != 0) {
            throw ServerFault::Of(FaultCode::UnknownServer, call.server, protocol::kServerName);
        }
        const protocol::MethodLayout& layout = find(call.method);
        CheckedCall checked;
        checked.layout = &layout;
        checked.args = typed(layout, call.args);
        checked.writes = layout.writes;
        return checked;
    } catch (const protocol::WireError& e) {
        return FaultReply(method, ServerFault(FaultCode::BadRequest, e.message()));
    } catch (const ServerFault& e) {
        return FaultReply(method, e);
    } catch (...) {
        // Nothing of it is logged, so no occurrence follows the words.
        return FaultReply(method, ServerFault(FaultCode::InternalError,
                                              protocol::FaultText(FaultCode::InternalError) + u'.'));
    }
}

std::optional<InvoicesReadAhead::Invoice> RemoteDispatcher::issuedInvoice(const CheckedCall& call) {
    if (!call.layout || call.layout->method != protocol::Method::PreparaImpressao) return std::nullopt;
    return InvoicesReadAhead::Invoice{call.args[0].toString(), call.args[1].toString()};
}

CallReply RemoteDispatcher::run(TrdmEmissaoRPS& module, const CheckedCall& call) {
    return call.work ? call.work(module, call) : method(module, call);
}

CallReply RemoteDispatcher::method(TrdmEmissaoRPS& module, const CheckedCall& call) {
    const QString method = call.method();
    const Payload payload = runMethod(module, call.layout->method, call.args);
    if (const auto* packet = std::get_if<EncodedPacket>(&payload))
        return {protocol::kPayloadStatus, packet->body, method,
                QStringLiteral("ok %1 rows").arg(packet->rows), true};
    const Status& status = std::get<Status>(payload);
    const bool ok = status.code == protocol::kSim;
    CallReply reply{protocol::kPayloadStatus,
                    protocol::EncodeStatusReply(status.code, status.text, status.values), method,
                    ok ? kSucceeded : QStringLiteral("refused: ") + status.text, ok};
    reply.values = status.values;
    return reply;
}

}  // namespace kpv::server
