#pragma once

#include <QString>

#include <stdexcept>

namespace kpv::server {

// A call the server cannot answer with a payload: the client's mistake (4xx) or the server's (5xx).
// It travels as the protocol's error reply; `code` and `message` are documented in docs/protocol.md.
class ServerFault : public std::runtime_error {
  public:
    ServerFault(int httpStatus, QString code, const QString& message)
        : std::runtime_error(message.toStdString()),
          httpStatus_(httpStatus),
          code_(std::move(code)),
          message_(message) {}

    int httpStatus() const { return httpStatus_; }
    QString code() const { return code_; }
    QString message() const { return message_; }

  private:
    int httpStatus_;
    QString code_;
    QString message_;
};

// An argument with a value the method cannot work with.
inline ServerFault InvalidArgument(const QString& message) {
    return ServerFault(422, QStringLiteral("invalid_argument"), message);
}

}  // namespace kpv::server
