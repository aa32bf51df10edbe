#include "appserver/remote_dispatcher.h"

#include "appserver/invoice_filter.h"
#include "appserver/rdm_emissao_rps.h"
#include "appserver/server_fault.h"
#include "db/database_error.h"
#include "framework/net/wire/codec.h"

#include <QDate>

#include <functional>
#include <variant>
#include <vector>

namespace kpv::server {

const QString RemoteDispatcher::kServerName = QStringLiteral("Kpv41000.rdmEmissaoRPS");

namespace {

enum class Arg { Text, Date };

using Payload = std::variant<net::DataPacket, Status>;

struct Method {
    const char* name;
    std::vector<Arg> args;
    std::function<Payload(TrdmEmissaoRPS&, const QVariantList&)> run;
};

const std::vector<Method>& methods() {
    using A = Arg;
    static const std::vector<Method> table = {
        {"GetNotaFiscal",
         {A::Text, A::Text, A::Text, A::Text, A::Text, A::Text, A::Text, A::Date, A::Date, A::Text, A::Text},
         [](TrdmEmissaoRPS& m, const QVariantList& a) {
             return Payload(m.GetNotaFiscal(ReadInvoiceFilter(a)));
         }},
        {"GetTipoOper",
         {A::Text, A::Text, A::Text},
         [](TrdmEmissaoRPS& m, const QVariantList& a) {
             return Payload(m.GetTipoOper(a[0].toString(), a[1].toString(), a[2].toString()));
         }},
        {"GetInscrMunicip",
         {A::Text, A::Text, A::Text},
         [](TrdmEmissaoRPS& m, const QVariantList& a) {
             return Payload(m.GetInscrMunicip(a[0].toString(), a[1].toString(), a[2].toString()));
         }},
        {"PreparaImpressao",
         {A::Text, A::Text},
         [](TrdmEmissaoRPS& m, const QVariantList& a) {
             return Payload(m.PreparaImpressao(a[0].toString(), a[1].toString()));
         }},
        {"CancelaEmissao",
         {A::Text, A::Text},
         [](TrdmEmissaoRPS& m, const QVariantList& a) {
             return Payload(m.CancelaEmissao(a[0].toString(), a[1].toString()));
         }},
    };
    return table;
}

const Method& find(const QString& name) {
    for (const Method& m : methods()) {
        if (name == QLatin1String(m.name)) return m;
    }
    throw ServerFault(
        404, QStringLiteral("unknown_method"),
        QStringLiteral("Método desconhecido em %1: \"%2\".").arg(RemoteDispatcher::kServerName, name));
}

// Dates arrive as ISO texts ("2024-05-31", a time part is ignored); texts must be texts.
QVariantList typed(const Method& method, const QVariantList& args) {
    if (args.size() != static_cast<qsizetype>(method.args.size())) {
        throw ServerFault(422, QStringLiteral("argument_count"),
                          QStringLiteral("O método %1 espera %2 argumentos e recebeu %3.")
                              .arg(QLatin1String(method.name))
                              .arg(method.args.size())
                              .arg(args.size()));
    }
    QVariantList out;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QVariant& a = args[i];
        const bool isText = a.metaType() == QMetaType::fromType<QString>();
        if (method.args[static_cast<size_t>(i)] == Arg::Text) {
            if (!isText) {
                throw ServerFault(422, QStringLiteral("argument_type"),
                                  QStringLiteral("O argumento %1 de %2 deve ser um texto.")
                                      .arg(i + 1)
                                      .arg(QLatin1String(method.name)));
            }
            out << a;
            continue;
        }
        const QDate date = isText ? QDate::fromString(a.toString().left(10), Qt::ISODate) : QDate();
        if (!date.isValid()) {
            throw ServerFault(422, QStringLiteral("argument_type"),
                              QStringLiteral("O argumento %1 de %2 deve ser uma data no formato AAAA-MM-DD.")
                                  .arg(i + 1)
                                  .arg(QLatin1String(method.name)));
        }
        out << date;
    }
    return out;
}

CallReply faultReply(const QString& method, int status, const QString& code, const QString& message) {
    return {status, net::wire::EncodeFaultReply({code, message}), method,
            QStringLiteral("error %1: %2").arg(code, message)};
}

}  // namespace

CallReply RemoteDispatcher::dispatch(const QByteArray& body) noexcept {
    QString method = QStringLiteral("-");
    try {
        const net::wire::Call call = net::wire::DecodeCall(body);
        method = call.method;
        if (call.server.compare(kServerName, Qt::CaseInsensitive) != 0) {
            throw ServerFault(404, QStringLiteral("unknown_server"),
                              QStringLiteral("Servidor desconhecido: \"%1\" (este publica %2).")
                                  .arg(call.server, kServerName));
        }
        const Method& m = find(call.method);
        const Payload payload = m.run(module_, typed(m, call.args));
        if (const auto* packet = std::get_if<net::DataPacket>(&payload)) {
            return {200, net::wire::EncodePacketReply(*packet), method,
                    QStringLiteral("ok %1 rows").arg(packet->rows.size())};
        }
        const Status& status = std::get<Status>(payload);
        return {200, net::wire::EncodeStatusReply(status.code, status.text), method,
                status.code == QLatin1String("S") ? QStringLiteral("ok")
                                                  : QStringLiteral("refused: ") + status.text};
    } catch (const net::wire::WireError& e) {
        return faultReply(method, 400, QStringLiteral("bad_request"), e.message());
    } catch (const ServerFault& e) {
        return faultReply(method, e.httpStatus(), e.code(), e.message());
    } catch (const db::DatabaseError& e) {
        return faultReply(method, 500, QStringLiteral("database_error"),
                          QStringLiteral("Erro no banco de dados: ") + e.message());
    } catch (const std::exception& e) {
        return faultReply(
            method, 500, QStringLiteral("internal_error"),
            QStringLiteral("Erro interno do servidor de aplicação: ") + QString::fromUtf8(e.what()));
    } catch (...) {
        return faultReply(method, 500, QStringLiteral("internal_error"),
                          QStringLiteral("Erro interno do servidor de aplicação."));
    }
}

}  // namespace kpv::server
