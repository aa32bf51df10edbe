#pragma once

#include "framework/net/http_transport.h"

#include <QByteArray>
#include <QString>
#include <QVariantList>

// A call to kpv-appserver through the client's own transport that stops when the whole answer has
// arrived: the time at the wire, without the client's decoding.
namespace bench {

class WireCall {
  public:
    WireCall(const QString& host, int port);
    // The answer's body; dies on anything but HTTP 200.
    QByteArray call(const QString& method, const QVariantList& args);

  private:
    kpv::net::HttpTransport transport_;
};

}  // namespace bench
