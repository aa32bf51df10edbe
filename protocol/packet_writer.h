#pragma once

#include "protocol/data_packet.h"
#include "protocol/protocol_export.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <string_view>

namespace kpv::protocol {

// Writes a reply carrying a data packet, {"result":{"fields":[...],"rows":[[...],...]}}, straight into
// the body as its rows come: no document and no value object per cell. Texts are UTF-8; a byte sequence
// that is not valid UTF-8 is written as U+FFFD so the body stays valid JSON.
class KPV_PROTOCOL_EXPORT PacketWriter {
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
    // Room for `bytes` more at the end of what is written; the body grows by doubling and is cut to what
    // was written when the packet is finished.
    char* room(size_t bytes);
    void put(std::string_view bytes);
    void put(char c) {
        *room(1) = c;
        ++size_;
    }
    void separate();
    void putString(std::string_view utf8);

    QByteArray& out_;
    qsizetype size_ = 0;  // bytes of out_ written; out_'s own size is its capacity until finish()
    qsizetype rows_ = 0;
    bool firstCell_ = true;
};

}  // namespace kpv::protocol
