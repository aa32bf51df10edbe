#include "wire_call.h"

#include "measure.h"
#include "protocol/codec.h"
#include "protocol/methods.h"

namespace bench {

WireCall::WireCall(const QString& host, int port) {
    transport_.setEndpoint(host, port);
    try {
        transport_.open(10000);
    } catch (const kpv::net::TransportError& e) {
        Fail(e.message());
    }
}

QByteArray WireCall::call(const QString& method, const QVariantList& args) {
    using namespace kpv::protocol;
    try {
        const kpv::net::HttpAnswer answer =
            transport_.post("/call", {{"Content-Type", "application/json; charset=utf-8"}},
                            EncodeCall({kServerName, method, args}), 600000);
        if (answer.status != 200)
            Fail(QStringLiteral("%1: HTTP %2: %3")
                     .arg(method)
                     .arg(answer.status)
                     .arg(QString::fromUtf8(answer.body.left(300))));
        return answer.body;
    } catch (const kpv::net::TransportError& e) {
        Fail(QStringLiteral("%1: %2").arg(method, e.message()));
    }
}

}  // namespace bench
