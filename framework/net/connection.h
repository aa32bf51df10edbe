#pragma once

#include "framework/core/dispatch.h"
#include "framework/framework_export.h"
#include "protocol/call_timeout.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

namespace kpv::net {

// Makes sure a server works on the host's own database before anything is asked of it: given the value
// the server has just recorded there (the method IdentificaBanco, db/database_witness.h) and the server's
// address, it raises kpv::Error when the host's database does not hold it. The host installs it once;
// without one, connections call at once.
using DatabaseCheck = std::function<void(const QString& witness, const QString& server)>;
KPV_FRAMEWORK_EXPORT void SetDatabaseCheck(DatabaseCheck check);

class HttpTransport;
class TNetConnection;

// The late-bound server object a connection hands out: its methods are called by name.
class KPV_FRAMEWORK_EXPORT TServerObject {
  public:
    // Calls a method of the connection's server with the arguments in order. Returns the payload (a
    // DataPacket or a status array) or, when the call failed, a Fault for CheckResultServ; with the
    // connection's ThrowException set a failure raises kpv::Error instead.
    QVariant Call(const QString& method, const QVariantList& args) const;

  private:
    friend class TNetConnection;
    explicit TServerObject(TNetConnection* connection) : connection_(connection) {}
    TNetConnection* connection_;
};

// Connection to the application server over HTTP + JSON (docs/protocol.md). Calls are synchronous, on a
// kept-alive connection, each with a timeout. A server whose database holds accounts asks who calls: the
// connection then signs in, asking the user through the interaction seam, and presents the session from then
// on; when the session has expired it signs in again and repeats the call, which the server had not run.
// The connections of the host to one server share its session.
class KPV_FRAMEWORK_EXPORT TNetConnection : public QObject {
    Q_OBJECT

  public:
    TNetConnection(QObject* owner, const QString& name);
    ~TNetConnection() override;

    QString ServerName;
    bool ThrowException = false;
    // Runs first when the connection is switched on; the owner sets host and port there.
    TNotifyEvent BeforeConnect;
    // Shared token of the server, sent while no session is held; when empty the context's token (kpv.ini
    // [server] token) is sent.
    QString Token;
    int Timeout = protocol::kCallTimeoutMs;  // milliseconds per call
    // HTTPS, the server verified against CaFile (PEM) or the system's store; off, the context's
    // (kpv.ini [server] tls and caFile) decide.
    bool UseTls = false;
    QString CaFile;

    void SetHost(const QString& host);
    QString Host() const { return host_; }
    void SetPort(int port);
    int Port() const { return port_; }

    // Switching on runs BeforeConnect and checks the address; a bad address raises kpv::Error. With
    // ThrowException the server is also reached at once, and an unreachable one raises kpv::Error;
    // without it the first call reports the failure. The first call of a connection switched on, and the
    // first after a failure to reach the server, is preceded by the database check.
    void SetConnected(bool connected);
    bool Connected() const { return connected_; }

    TServerObject AppServer() { return TServerObject(this); }

  private:
    friend class TServerObject;
    QVariant call(const QString& method, const QVariantList& args);
    // The payload, or the failure through fail(); signs in when the server asks for a session first.
    QVariant exchange(const QString& method, const QVariantList& args);
    // The payload of one call, or a Fault.
    QVariant post(const QString& method, const QVariantList& args);
    // The payload of one request, or a Fault; `retryAfter` receives what the answer said of trying again.
    QVariant request(const QByteArray& target, const QList<QPair<QByteArray, QByteArray>>& headers,
                     const QByteArray& body, int* retryAfter = nullptr);
    // An invalid QVariant once signed in; a Fault when the user gave up or the server could not be asked.
    // `problem`: what the server said of the session it had, for the user to read.
    QVariant signIn(QString problem);
    // An invalid QVariant once the server's database is the host's; the failure to return otherwise.
    QVariant confirmDatabase();
    QVariant fail(const QString& code, const QString& message) const;
    QString where() const;

    QString host_;
    int port_ = 0;
    bool connected_ = false;
    bool databaseConfirmed_ = false;
    std::unique_ptr<HttpTransport> transport_;
};

}  // namespace kpv::net
