#pragma once

#include <QByteArray>
#include <QString>
#include <QTcpSocket>
#include <QVariantList>

// A call to kpv-appserver that stops when the whole answer has arrived: the time at the wire, without
// the client's decoding.
namespace bench {

class WireCall {
  public:
    WireCall(const QString& host, int port);
    // The answer's body; dies on anything but HTTP 200.
    QByteArray call(const QString& method, const QVariantList& args);

  private:
    QTcpSocket socket_;
};

}  // namespace bench
