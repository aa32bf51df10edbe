#pragma once

#include "protocol/data_packet.h"
#include "protocol/fault.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <stdexcept>

// The JSON bodies of the wire protocol (docs/protocol.md), shared by the connection and the server.
namespace kpv::protocol {

// A body that does not follow the protocol; the message says what is wrong, in Portuguese.
class WireError : public std::runtime_error {
  public:
    explicit WireError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    QString message() const { return message_; }

  private:
    QString message_;
};

struct Call {
    QString server;
    QString method;
    // Texts, numbers, booleans and nulls as they are; QDate and QDateTime travel as ISO texts.
    QVariantList args;
};

QByteArray EncodeCall(const Call& call);
// Arguments come back as QString, double, bool or null QVariant. Throws WireError.
Call DecodeCall(const QByteArray& body);

QByteArray EncodePacketReply(const DataPacket& packet);
// The status array {"S"|"N", text}, followed by the values a method answers beside it.
QByteArray EncodeStatusReply(const QString& status, const QString& text, const QStringList& values = {});
QByteArray EncodeFaultReply(const Fault& fault);

// The payload of a reply body: a QVariant holding a DataPacket, a QVariantList status array of two
// texts or more, or a Fault. Throws WireError for anything else.
QVariant DecodeReply(const QByteArray& body);

QString FieldTypeName(TFieldType type);

}  // namespace kpv::protocol
