#include "wire_call.h"

#include "measure.h"
#include "protocol/codec.h"
#include "protocol/http.h"
#include "protocol/methods.h"

namespace bench {

WireCall::WireCall(const QString& host, int port) {
    socket_.connectToHost(host, static_cast<quint16>(port));
    if (!socket_.waitForConnected(10000)) Fail(QStringLiteral("cannot reach %1:%2").arg(host).arg(port));
}

QByteArray WireCall::call(const QString& method, const QVariantList& args) {
    using namespace kpv::protocol;
    const QByteArray body = EncodeCall({kServerName, method, args});
    socket_.write(SerializeRequest(
        "POST", "/call", {{"Host", "127.0.0.1"}, {"Content-Type", "application/json; charset=utf-8"}}, body));
    HttpReader reader(HttpReader::Kind::Response, {16 * 1024, qsizetype(4) << 30});
    QByteArray buffer;
    while (reader.read(buffer) == HttpReader::State::NeedMore) {
        if (!socket_.waitForReadyRead(600000)) Fail(QStringLiteral("%1: no answer").arg(method));
        buffer += socket_.readAll();
    }
    if (reader.head().status != 200)
        Fail(QStringLiteral("%1: HTTP %2: %3")
                 .arg(method)
                 .arg(reader.head().status)
                 .arg(QString::fromUtf8(reader.body().left(300))));
    return reader.body();
}

}  // namespace bench
