#include "protocol/codec.h"

#include "protocol/packet_writer.h"

#include <QDate>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <simdjson.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace kpv::protocol {

WireError::~WireError() = default;

namespace {

struct FieldTypeNameRow {
    TFieldType type;
    const char* name;
};
constexpr FieldTypeNameRow kFieldTypeNames[] = {
    {TFieldType::ftString, "ftString"},     {TFieldType::ftFixedChar, "ftFixedChar"},
    {TFieldType::ftDateTime, "ftDateTime"}, {TFieldType::ftFloat, "ftFloat"},
    {TFieldType::ftInteger, "ftInteger"},
};

bool fieldTypeFromName(const QString& name, TFieldType* type) {
    for (const auto& row : kFieldTypeNames) {
        if (name == QLatin1String(row.name)) {
            *type = row.type;
            return true;
        }
    }
    return false;
}

QJsonValue argToJson(const QVariant& value) {
    if (value.isNull()) return QJsonValue::Null;
    switch (value.metaType().id()) {
        case QMetaType::QDate:
            return value.toDate().toString(Qt::ISODate);
        case QMetaType::QDateTime:
            return value.toDateTime().toString(Qt::ISODate);
        case QMetaType::Bool:
            return value.toBool();
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
            return value.toLongLong();
        case QMetaType::Double:
        case QMetaType::Float:
            return value.toDouble();
        default:
            return value.toString();
    }
}

QJsonObject parseObject(const QByteArray& body, const QString& what) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError) {
        throw WireError(
            QStringLiteral("%1 não é um JSON válido (erro na posição %2).").arg(what).arg(error.offset));
    }
    if (!doc.isObject()) throw WireError(QStringLiteral("%1 não é um objeto JSON.").arg(what));
    return doc.object();
}

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// "yyyy-MM-dd", then "THH:mm" or " HH:mm", ":ss" and ".zzz" as given: the form the server writes, read
// without QDateTime. Anything else ISO (a zone, a week date) goes through Qt and keeps its wall clock.
bool parseWallClock(std::string_view text, qint64* stamp) {
    const auto digits = [&](size_t at, size_t count, int* out) {
        if (at + count > text.size()) return false;
        int value = 0;
        for (size_t i = at; i < at + count; ++i) {
            const char c = text[i];
            if (c < '0' || c > '9') return false;
            value = value * 10 + (c - '0');
        }
        *out = value;
        return true;
    };
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
    bool simple = digits(0, 4, &year) && text.size() >= 10 && text[4] == '-' && digits(5, 2, &month) &&
                  text[7] == '-' && digits(8, 2, &day);
    size_t at = 10;
    if (simple && text.size() > at) {
        simple = (text[at] == 'T' || text[at] == ' ') && digits(at + 1, 2, &hour) && text.size() > at + 3 &&
                 text[at + 3] == ':' && digits(at + 4, 2, &minute);
        at += 6;
        if (simple && text.size() > at) {
            simple = text[at] == ':' && digits(at + 1, 2, &second);
            at += 3;
            if (simple && text.size() > at) {
                simple = text.size() == at + 4 && text[at] == '.' && digits(at + 1, 3, &msec);
                at += 4;
            }
        }
    }
    const QDate date(year, month, day);
    const QTime time(hour, minute, second, msec);
    if (simple && text.size() == at && date.isValid() && time.isValid()) {
        *stamp = WallClockStamp(date, time);
        return true;
    }
    const QDateTime parsed = QDateTime::fromString(fromUtf8(text), Qt::ISODate);
    if (!parsed.isValid()) return false;
    *stamp = WallClockStamp(parsed.date(), parsed.time());
    return true;
}

namespace od = simdjson::ondemand;

// One pass over a reply body with simdjson's on-demand parser: a packet's cells go straight into its
// columns as they are read.
class ReplyDecoder {
  public:
    explicit ReplyDecoder(const QByteArray& body) : body_(body) {
        const auto size = static_cast<size_t>(body.size());
        // The transport leaves room after the body; a body without it is copied once.
        if (static_cast<size_t>(body.capacity()) >= size + simdjson::SIMDJSON_PADDING) {
            view_ =
                simdjson::padded_string_view(body.constData(), size, static_cast<size_t>(body.capacity()));
        } else {
            copy_ = simdjson::padded_string(body.constData(), size);
            view_ = copy_;
        }
    }

    QVariant decode() {
        od::document doc;
        check(parser_.iterate(view_).get(doc));
        doc_ = &doc;
        od::json_type type{};
        check(doc.type().get(type));
        if (type != od::json_type::object)
            throw WireError(QStringLiteral("%1 não é um objeto JSON.").arg(what()));
        od::object top;
        check(doc.get_object().get(top));
        QVariant result;
        bool haveResult = false;
        for (auto member : top) {
            od::field field;
            check(std::move(member).get(field));
            std::string_view key;
            check(field.unescaped_key().get(key));
            if (key == "error") return fault(field.value());
            if (key == "result") {
                result = payload(field.value());
                haveResult = true;
            }
        }
        // Anything after the object is not JSON of ours.
        const char* rest = nullptr;
        if (doc.current_location().get(rest) == simdjson::SUCCESS) invalid();
        if (!haveResult)
            throw WireError(QStringLiteral("A resposta do servidor de aplicação não traz resultado."));
        return result;
    }

  private:
    static QString what() { return QStringLiteral("A resposta do servidor de aplicação"); }

    [[noreturn]] void invalid() {
        qsizetype position = body_.size();
        const char* at = nullptr;
        if (doc_ && doc_->current_location().get(at) == simdjson::SUCCESS) position = at - view_.data();
        throw WireError(
            QStringLiteral("%1 não é um JSON válido (erro na posição %2).").arg(what()).arg(position));
    }
    void check(simdjson::error_code error) {
        if (error != simdjson::SUCCESS) invalid();
    }
    od::json_type typeOf(od::value& value) {
        od::json_type type{};
        check(value.type().get(type));
        return type;
    }
    QString text(od::value value) {
        std::string_view s;
        check(value.get_string().get(s));
        return fromUtf8(s);
    }

    QVariant fault(od::value error) {
        if (typeOf(error) != od::json_type::object) return missingMessage();
        QString code;
        QString message;
        od::object o;
        check(error.get_object().get(o));
        for (auto member : o) {
            od::field field;
            check(std::move(member).get(field));
            std::string_view key;
            check(field.unescaped_key().get(key));
            od::value value = field.value();
            const bool isString = typeOf(value) == od::json_type::string;
            if (key == "code" && isString) {
                code = text(value);
            } else if (key == "message" && isString) {
                message = text(value);
            }
        }
        if (message.isEmpty()) return missingMessage();
        return QVariant::fromValue(Fault{code, message});
    }
    static QVariant missingMessage() {
        throw WireError(QStringLiteral("A resposta de erro do servidor não traz mensagem."));
    }

    QVariant payload(od::value result) {
        const od::json_type type = typeOf(result);
        if (type == od::json_type::array) return statusArray(result);
        if (type == od::json_type::object) return QVariant::fromValue(packet(result));
        throw WireError(QStringLiteral("A resposta do servidor de aplicação não traz resultado."));
    }

    QVariant statusArray(od::value value) {
        od::array a;
        check(value.get_array().get(a));
        QStringList texts;
        bool allTexts = true;
        for (auto element : a) {
            od::value v;
            check(element.get(v));
            if (typeOf(v) == od::json_type::string) {
                texts << text(v);
            } else {
                allTexts = false;
            }
        }
        if (!allTexts || texts.size() < 2)
            throw WireError(QStringLiteral("Vetor de situação inválido: esperados dois textos ou mais."));
        QVariantList status;
        for (const QString& t : texts) status << t;
        return status;
    }

    PacketField field(od::value value) {
        std::string_view raw;
        const auto wrong = [&] {
            return WireError(QStringLiteral("Pacote de dados inválido: definição de campo incorreta (%1).")
                                 .arg(fromUtf8(raw)));
        };
        if (typeOf(value) != od::json_type::object) {
            raw = value.raw_json_token();
            throw wrong();
        }
        od::object o;
        check(value.get_object().get(o));
        check(o.raw_json().get(raw));
        check(o.reset().error());
        PacketField f;
        bool typed = false;
        bool sized = false;
        for (auto member : o) {
            od::field m;
            check(std::move(member).get(m));
            std::string_view key;
            check(m.unescaped_key().get(key));
            od::value v = m.value();
            const od::json_type t = typeOf(v);
            if (key == "name" && t == od::json_type::string) {
                f.name = text(v);
            } else if (key == "type" && t == od::json_type::string) {
                typed = fieldTypeFromName(text(v), &f.type);
            } else if (key == "size" && t == od::json_type::number) {
                int64_t size = -1;
                sized = v.get_int64().get(size) == simdjson::SUCCESS && size >= 0 &&
                        size <= std::numeric_limits<int>::max();
                if (sized) f.size = static_cast<int>(size);
            }
        }
        if (f.name.isEmpty() || !typed || !sized) throw wrong();
        return f;
    }

    DataPacket packet(od::value value) {
        od::object o;
        check(value.get_object().get(o));
        od::value fieldsValue;
        od::value rowsValue;
        const auto missing = [] {
            return WireError(QStringLiteral("Pacote de dados inválido: faltam \"fields\" ou \"rows\"."));
        };
        if (o.find_field_unordered("fields").get(fieldsValue) != simdjson::SUCCESS ||
            typeOf(fieldsValue) != od::json_type::array) {
            throw missing();
        }
        QList<PacketField> fields;
        od::array fieldArray;
        check(fieldsValue.get_array().get(fieldArray));
        for (auto element : fieldArray) {
            od::value v;
            check(element.get(v));
            fields.append(field(v));
        }
        if (o.find_field_unordered("rows").get(rowsValue) != simdjson::SUCCESS ||
            typeOf(rowsValue) != od::json_type::array) {
            throw missing();
        }
        DataPacket packet(fields);
        od::array rows;
        check(rowsValue.get_array().get(rows));
        const int width = static_cast<int>(fields.size());
        int r = 0;
        for (auto element : rows) {
            od::value row;
            check(element.get(row));
            const auto shortRow = [&] {
                return WireError(QStringLiteral("Pacote de dados inválido: a linha %1 não tem %2 valores.")
                                     .arg(r + 1)
                                     .arg(width));
            };
            if (typeOf(row) != od::json_type::array) throw shortRow();
            od::array cells;
            check(row.get_array().get(cells));
            int c = 0;
            for (auto cellElement : cells) {
                if (c == width) throw shortRow();
                od::value cell;
                check(cellElement.get(cell));
                this->cell(cell, fields[c], packet.column(c), r);
                ++c;
            }
            if (c != width) throw shortRow();
            packet.endRow();
            ++r;
        }
        return packet;
    }

    void cell(od::value& v, const PacketField& field, Column& column, int row) {
        const auto wrong = [&](const char* expected) {
            return WireError(
                QStringLiteral("Pacote de dados inválido: o campo %1 da linha %2 deveria ser %3.")
                    .arg(field.name)
                    .arg(row + 1)
                    .arg(QString::fromUtf8(expected)));
        };
        const od::json_type type = typeOf(v);
        if (type == od::json_type::null) {
            column.appendNull();
            return;
        }
        switch (field.type) {
            case TFieldType::ftString:
            case TFieldType::ftFixedChar: {
                if (type != od::json_type::string) throw wrong("um texto");
                std::string_view s;
                check(v.get_string().get(s));
                column.appendText(s);
                return;
            }
            case TFieldType::ftDateTime: {
                if (type != od::json_type::string) throw wrong("uma data ISO");
                std::string_view s;
                check(v.get_string().get(s));
                qint64 stamp = 0;
                if (!parseWallClock(s, &stamp)) throw wrong("uma data ISO");
                column.appendStamp(stamp);
                return;
            }
            case TFieldType::ftFloat: {
                if (type != od::json_type::number) throw wrong("um número");
                double d = 0;
                check(v.get_double().get(d));
                column.appendNumber(d);
                return;
            }
            case TFieldType::ftInteger: {
                if (type != od::json_type::number) throw wrong("um número inteiro");
                int64_t i = 0;
                if (v.get_int64().get(i) == simdjson::SUCCESS) {
                    column.appendInteger(i);
                    return;
                }
                double d = 0;
                check(v.get_double().get(d));
                if (d != std::floor(d) || std::abs(d) > 9.2e18) throw wrong("um número inteiro");
                column.appendInteger(static_cast<qint64>(d));
                return;
            }
        }
    }

    const QByteArray& body_;
    simdjson::padded_string copy_;
    simdjson::padded_string_view view_;
    od::parser parser_;
    od::document* doc_ = nullptr;
};

}  // namespace

QString FieldTypeName(TFieldType type) {
    for (const auto& row : kFieldTypeNames) {
        if (row.type == type) return QLatin1String(row.name);
    }
    return {};
}

QByteArray EncodeCall(const Call& call) {
    QJsonArray args;
    for (const QVariant& a : call.args) args.append(argToJson(a));
    const QJsonObject body{{QStringLiteral("server"), call.server},
                           {QStringLiteral("method"), call.method},
                           {QStringLiteral("args"), args}};
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

Call DecodeCall(const QByteArray& body) {
    const QJsonObject o = parseObject(body, QStringLiteral("A requisição"));
    const QJsonValue server = o.value(QLatin1String("server"));
    const QJsonValue method = o.value(QLatin1String("method"));
    const QJsonValue args = o.value(QLatin1String("args"));
    if (!server.isString() || !method.isString() || !args.isArray()) {
        throw WireError(
            QStringLiteral("A requisição deve ter \"server\" e \"method\" (textos) e \"args\" (lista)."));
    }
    Call call{server.toString(), method.toString(), {}};
    for (const QJsonValue a : args.toArray()) {
        if (a.isArray() || a.isObject()) {
            throw WireError(
                QStringLiteral("Os argumentos devem ser textos, números, valores lógicos ou nulos."));
        }
        call.args.append(a.isNull() ? QVariant() : a.toVariant());
    }
    return call;
}

QByteArray EncodePacketReply(const DataPacket& packet) {
    const QList<PacketField>& fields = packet.fields();
    QByteArray out;
    out.reserve(64 + static_cast<qsizetype>(packet.rowCount()) * 32 * qMax<qsizetype>(1, fields.size()));
    PacketWriter w(out, fields);
    for (int r = 0; r < packet.rowCount(); ++r) {
        w.beginRow();
        for (int c = 0; c < fields.size(); ++c) {
            const Column& column = packet.column(c);
            if (column.isNull(r)) {
                w.null();
                continue;
            }
            switch (column.type()) {
                case TFieldType::ftString:
                case TFieldType::ftFixedChar:
                    w.text(column.utf8(r));
                    break;
                case TFieldType::ftDateTime: {
                    const QDateTime stamp = column.dateTime(r);
                    w.dateTime(stamp.date(), stamp.time().msecsSinceStartOfDay());
                    break;
                }
                case TFieldType::ftFloat:
                    w.number(column.number(r));
                    break;
                case TFieldType::ftInteger:
                    w.integer(column.integer(r));
                    break;
            }
        }
        w.endRow();
    }
    w.finish();
    return out;
}

QByteArray EncodeStatusReply(const QString& status, const QString& text, const QStringList& values) {
    QJsonArray array{status, text};
    for (const QString& v : values) array.append(v);
    const QJsonObject body{{QStringLiteral("result"), array}};
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

QByteArray EncodeFaultReply(const Fault& fault) {
    const QJsonObject error{{QStringLiteral("code"), fault.code}, {QStringLiteral("message"), fault.message}};
    return QJsonDocument(QJsonObject{{QStringLiteral("error"), error}}).toJson(QJsonDocument::Compact);
}

QVariant DecodeReply(const QByteArray& body) {
    return ReplyDecoder(body).decode();
}

}  // namespace kpv::protocol
