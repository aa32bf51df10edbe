#pragma once

#include <QByteArray>
#include <QString>

namespace kpv::server {

class TrdmEmissaoRPS;

// The answer to one call, ready for the wire and for the call's log line.
struct CallReply {
    int httpStatus = 200;
    QByteArray body;
    QString method;   // "-" when the request never named one
    QString outcome;  // "ok", "ok 120 rows", "refused: ...", "error <code>: ..."
};

// Publishes "Kpv41000.rdmEmissaoRPS": decodes a call, checks the method and its arguments, runs it and
// encodes the payload or the fault. Nothing it is sent can make it throw.
class RemoteDispatcher {
  public:
    explicit RemoteDispatcher(TrdmEmissaoRPS& module) : module_(module) {}

    CallReply dispatch(const QByteArray& body) noexcept;

  private:
    TrdmEmissaoRPS& module_;
};

}  // namespace kpv::server
