#pragma once

#include "protocol/data_packet.h"
#include "protocol/fault.h"
#include "protocol/protocol_export.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <stdexcept>

// The JSON bodies of the wire protocol (docs/protocol.md), shared by the connection and the server.
namespace kpv::protocol {

// A body that does not follow the protocol; the message says what is wrong, in Portuguese.
class KPV_PROTOCOL_EXPORT WireError : public std::runtime_error {
  public:
    explicit WireError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    // Out of line, so that the type's identity lives in libkpvprotocol alone.
    ~WireError() override;

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

KPV_PROTOCOL_EXPORT QByteArray EncodeCall(const Call& call);
// Arguments come back as QString, double, bool or null QVariant. Throws WireError.
KPV_PROTOCOL_EXPORT Call DecodeCall(const QByteArray& body);

KPV_PROTOCOL_EXPORT QByteArray EncodePacketReply(const DataPacket& packet);
// The status array {"S"|"N", text}, followed by the values a method answers beside it.
KPV_PROTOCOL_EXPORT QByteArray EncodeStatusReply(const QString& status, const QString& text,
                                                 const QStringList& values = {});
KPV_PROTOCOL_EXPORT QByteArray EncodeFaultReply(const Fault& fault);

// The payload of a reply body: a QVariant holding a DataPacket, a QVariantList status array of two
// texts or more, or a Fault. Throws WireError for anything else.
KPV_PROTOCOL_EXPORT QVariant DecodeReply(const QByteArray& body);

KPV_PROTOCOL_EXPORT QString FieldTypeName(TFieldType type);

}  // namespace kpv::protocol
