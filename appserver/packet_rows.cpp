#include "appserver/packet_rows.h"

#include "protocol/codes.h"

#include <algorithm>

namespace kpv::server {

std::vector<FieldFill> FillsOf(const db::Statement& q, std::span<const protocol::FieldDefinition> fields,
                               std::initializer_list<std::pair<std::string_view, FieldSource>> sources) {
    std::vector<FieldFill> fills;
    for (const protocol::FieldDefinition& f : fields) {
        const auto own =
            std::find_if(sources.begin(), sources.end(), [&](const auto& s) { return s.first == f.name; });
        const FieldSource source = own == sources.end() ? FieldSource::Column : own->second;
        const bool reads = source == FieldSource::Column || source == FieldSource::Code;
        fills.push_back({f.name, f.type, source, reads ? q.column(f.name) : -1});
    }
    return fills;
}

std::string_view CodeText(const db::Statement& q, int column) {
    std::string_view text = q.text(column);
    constexpr std::string_view blanks = " \t\n\v\f\r";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

void WriteField(protocol::PacketWriter& w, const db::Statement& q, const FieldFill& fill) {
    if (fill.source == FieldSource::Unticked) {
        w.text(protocol::Utf8Of(protocol::kNao));
        return;
    }
    if (q.isNull(fill.column)) {
        w.null();
        return;
    }
    if (fill.source == FieldSource::Code) {
        w.text(CodeText(q, fill.column));
        return;
    }
    switch (fill.type) {
        case protocol::TFieldType::ftDateTime: {
            const db::Timestamp t = q.timestamp(fill.column);
            if (t.isValid())
                w.dateTime(t.date, t.msecs);
            else
                w.null();
            return;
        }
        case protocol::TFieldType::ftFloat:
            w.number(q.number(fill.column));
            return;
        case protocol::TFieldType::ftInteger:
            w.integer(q.integer(fill.column));
            return;
        case protocol::TFieldType::ftString:
        case protocol::TFieldType::ftFixedChar:
            w.text(q.text(fill.column));
            return;
    }
}

}  // namespace kpv::server
