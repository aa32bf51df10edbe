#pragma once

#include "protocol/data_packet.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <string_view>

namespace kpv::protocol {

// Writes a reply carrying a data packet, {"result":{"fields":[...],"rows":[[...],...]}}, straight into
// the body as its rows come: no document and no value object per cell. Texts are UTF-8; a byte sequence
// that is not valid UTF-8 is written as U+FFFD so the body stays valid JSON.
class PacketWriter {
  public:
    PacketWriter(QByteArray& body, const QList<PacketField>& fields);

    void beginRow();
    void null();
    void text(std::string_view utf8);
    void text(const QString& value);
    void number(double value);
    void integer(qint64 value);
    // "YYYY-MM-DDTHH:MM:SS", the wall-clock time as stored.
    void dateTime(const QDate& date, int msecsOfDay);
    void endRow();
    // Closes the packet and the reply; returns the number of rows written.
    qsizetype finish();

  private:
    void separate();

    QByteArray& out_;
    qsizetype rows_ = 0;
    bool firstCell_ = true;
};

// Appends `utf8` as a JSON string.
void AppendJsonString(QByteArray& out, std::string_view utf8);

}  // namespace kpv::protocol
