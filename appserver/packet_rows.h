#pragma once

#include "db/connection.h"
#include "protocol/packet_fields.h"
#include "protocol/packet_writer.h"

#include <initializer_list>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace kpv::server {

// Where the server takes each field of a packet from: the SELECT's column of the field's name, read as
// the field's type says; the tick mark, always unticked; a code without the blanks a CHAR column pads it
// with; or a value the method makes itself.
enum class FieldSource { Column, Unticked, Code, Made };

struct FieldFill {
    const char* name;
    protocol::TFieldType type;
    FieldSource source;
    int column;  // in the SELECT; -1 for the fields it does not read
};

// The fills of a packet's fields, in its order: from the column of the same name unless `sources`
// says otherwise for a field. Throws DatabaseError when the SELECT lacks a column a field reads.
std::vector<FieldFill> FillsOf(const db::Statement& q, std::span<const protocol::FieldDefinition> fields,
                               std::initializer_list<std::pair<std::string_view, FieldSource>> sources);

// The text of a code column without the blanks a CHAR column pads it with.
std::string_view CodeText(const db::Statement& q, int column);

// One field of the statement's current row, as its fill says; not for the fields the method makes.
void WriteField(protocol::PacketWriter& w, const db::Statement& q, const FieldFill& fill);

// The statement's current row as one row of the packet; `made(fill)` writes the fields the method makes.
template <typename Made>
void WriteRow(protocol::PacketWriter& w, const db::Statement& q, const std::vector<FieldFill>& fills,
              Made&& made) {
    w.beginRow();
    for (const FieldFill& fill : fills) {
        if (fill.source == FieldSource::Made)
            made(fill);
        else
            WriteField(w, q, fill);
    }
    w.endRow();
}

}  // namespace kpv::server
