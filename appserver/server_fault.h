#pragma once

#include "protocol/fault_codes.h"

#include <QLatin1String>
#include <QString>

#include <concepts>
#include <stdexcept>

namespace kpv::server {

// A call the server cannot answer with a payload: the client's mistake (4xx) or the server's (5xx).
// It travels as the protocol's error reply, with the code and the HTTP status of its fault.
class ServerFault : public std::runtime_error {
  public:
    // In the situation's own words.
    ServerFault(protocol::FaultCode fault, const QString& message)
        : std::runtime_error(message.toStdString()), fault_(fault), message_(message) {}

    // In the words of the protocol's table of faults, %1, %2... standing for `args` in order.
    template <typename... Args>
    static ServerFault Of(protocol::FaultCode fault, const Args&... args) {
        const QString words = protocol::FaultText(fault);
        if constexpr (sizeof...(Args) == 0)
            return ServerFault(fault, words);
        else
            return ServerFault(fault, words.arg(text(args)...));
    }

    protocol::FaultCode fault() const { return fault_; }
    int httpStatus() const { return protocol::DefinitionOf(fault_).httpStatus; }
    QString code() const { return protocol::DefinitionOf(fault_).code; }
    QString message() const { return message_; }

  private:
    static QString text(const QString& s) { return s; }
    static QString text(QLatin1String s) { return s; }
    static QString text(std::integral auto n) { return QString::number(n); }

    protocol::FaultCode fault_;
    QString message_;
};

// An argument with a value the method cannot work with.
inline ServerFault InvalidArgument(const QString& message) {
    return ServerFault(protocol::FaultCode::InvalidArgument, message);
}

}  // namespace kpv::server
