#pragma once

#include "appserver/http_server.h"

#include <QString>

#include <cstdio>

namespace kpv::server {

class RemoteDispatcher;

// One line per call on a stream (standard error): time, peer, method, duration, outcome.
class CallLog {
  public:
    explicit CallLog(std::FILE* stream) : stream_(stream) {}
    void write(const QString& peer, const QString& method, double milliseconds, const QString& outcome);
    void note(const QString& text);

  private:
    std::FILE* stream_;
};

// The HTTP face of the dispatcher: POST /call with the shared token, when one is configured.
class Endpoint {
  public:
    Endpoint(QString token, RemoteDispatcher& dispatcher, CallLog& log)
        : token_(std::move(token)), dispatcher_(dispatcher), log_(log) {}

    HttpReply handle(const protocol::HttpHead& head, const QByteArray& body, const QString& peer);
    void rejected(const QString& peer, int status, const QString& code, const QString& message);

  private:
    bool authorized(const protocol::HttpHead& head) const;

    QString token_;
    RemoteDispatcher& dispatcher_;
    CallLog& log_;
};

}  // namespace kpv::server
