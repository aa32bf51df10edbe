#include "protocol/codec.h"

#include <QDate>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace kpv::protocol {

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

// Packets can hold a hundred thousand rows: they are written straight into the body, not through
// QJsonDocument, which would build every cell as an object first.
class JsonWriter {
  public:
    explicit JsonWriter(QByteArray& out) : out_(out) {}

    void raw(const char* text) { out_.append(text); }
    void raw(char c) { out_.append(c); }

    void string(const QString& text) {
        out_.append('"');
        const bool plain = std::none_of(text.cbegin(), text.cend(), [](QChar c) {
            return c == QLatin1Char('"') || c == QLatin1Char('\\') || c.unicode() < 0x20;
        });
        if (plain) {
            out_.append(text.toUtf8());
        } else {
            QString escaped;
            escaped.reserve(text.size() + 8);
            for (QChar c : text) {
                switch (c.unicode()) {
                    case '"':
                        escaped += QLatin1String("\\\"");
                        break;
                    case '\\':
                        escaped += QLatin1String("\\\\");
                        break;
                    case '\n':
                        escaped += QLatin1String("\\n");
                        break;
                    case '\r':
                        escaped += QLatin1String("\\r");
                        break;
                    case '\t':
                        escaped += QLatin1String("\\t");
                        break;
                    default:
                        if (c.unicode() < 0x20) {
                            escaped += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
                        } else {
                            escaped += c;
                        }
                }
            }
            out_.append(escaped.toUtf8());
        }
        out_.append('"');
    }

    void number(double value) {
        if (!std::isfinite(value)) {
            out_.append("null");
            return;
        }
        out_.append(QByteArray::number(value, 'g', QLocale::FloatingPointShortest));
    }

    void integer(qint64 value) { out_.append(QByteArray::number(value)); }

  private:
    QByteArray& out_;
};

void writeValue(JsonWriter& w, TFieldType type, const QVariant& value) {
    // A null text from a database is a null, not an empty text.
    const bool nullText = value.metaType() == QMetaType::fromType<QString>() && value.toString().isNull();
    if (value.isNull() || nullText) {
        w.raw("null");
        return;
    }
    switch (type) {
        case TFieldType::ftString:
        case TFieldType::ftFixedChar:
            w.string(value.toString());
            break;
        case TFieldType::ftDateTime: {
            // A database hands a missing date as an invalid one as often as a null.
            const QDateTime dt = value.toDateTime();
            if (dt.isValid()) {
                w.string(dt.toString(Qt::ISODate));
            } else {
                w.raw("null");
            }
            break;
        }
        case TFieldType::ftFloat:
            w.number(value.toDouble());
            break;
        case TFieldType::ftInteger:
            w.integer(value.toLongLong());
            break;
    }
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

QVariant cellFromJson(const QJsonValue& v, const PacketField& field, qsizetype row) {
    if (v.isNull()) return {};
    const auto wrong = [&](const char* expected) {
        return WireError(QStringLiteral("Pacote de dados inválido: o campo %1 da linha %2 deveria ser %3.")
                             .arg(field.name)
                             .arg(row + 1)
                             .arg(QString::fromUtf8(expected)));
    };
    switch (field.type) {
        case TFieldType::ftString:
        case TFieldType::ftFixedChar:
            if (!v.isString()) throw wrong("um texto");
            return v.toString();
        case TFieldType::ftDateTime: {
            const QDateTime dt = QDateTime::fromString(v.toString(), Qt::ISODate);
            if (!v.isString() || !dt.isValid()) throw wrong("uma data ISO");
            return dt;
        }
        case TFieldType::ftFloat:
            if (!v.isDouble()) throw wrong("um número");
            return v.toDouble();
        case TFieldType::ftInteger: {
            const double d = v.toDouble();
            if (!v.isDouble() || d != std::floor(d)) throw wrong("um número inteiro");
            return static_cast<qint64>(v.toInteger());
        }
    }
    return {};
}

DataPacket packetFromJson(const QJsonObject& object) {
    const QJsonValue fieldsValue = object.value(QLatin1String("fields"));
    const QJsonValue rowsValue = object.value(QLatin1String("rows"));
    if (!fieldsValue.isArray() || !rowsValue.isArray()) {
        throw WireError(QStringLiteral("Pacote de dados inválido: faltam \"fields\" ou \"rows\"."));
    }
    DataPacket packet;
    for (const QJsonValue& f : fieldsValue.toArray()) {
        const QJsonObject o = f.toObject();
        PacketField field;
        field.name = o.value(QLatin1String("name")).toString();
        const QJsonValue size = o.value(QLatin1String("size"));
        if (field.name.isEmpty() ||
            !fieldTypeFromName(o.value(QLatin1String("type")).toString(), &field.type) || !size.isDouble() ||
            size.toInt(-1) < 0) {
            throw WireError(QStringLiteral("Pacote de dados inválido: definição de campo incorreta (%1).")
                                .arg(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact))));
        }
        field.size = size.toInt();
        packet.fields.append(field);
    }
    const QJsonArray rows = rowsValue.toArray();
    packet.rows.reserve(static_cast<size_t>(rows.size()));
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const QJsonArray cells = rows.at(r).toArray();
        if (!rows.at(r).isArray() || cells.size() != packet.fields.size()) {
            throw WireError(QStringLiteral("Pacote de dados inválido: a linha %1 não tem %2 valores.")
                                .arg(r + 1)
                                .arg(packet.fields.size()));
        }
        QVariantList values;
        values.reserve(cells.size());
        for (qsizetype c = 0; c < cells.size(); ++c)
            values.append(cellFromJson(cells.at(c), packet.fields.at(c), r));
        packet.rows.push_back(std::move(values));
    }
    return packet;
}

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
    for (const QJsonValue& a : args.toArray()) {
        if (a.isArray() || a.isObject()) {
            throw WireError(
                QStringLiteral("Os argumentos devem ser textos, números, valores lógicos ou nulos."));
        }
        call.args.append(a.isNull() ? QVariant() : a.toVariant());
    }
    return call;
}

QByteArray EncodePacketReply(const DataPacket& packet) {
    QByteArray out;
    out.reserve(64 +
                static_cast<qsizetype>(packet.rows.size()) * 32 * qMax<qsizetype>(1, packet.fields.size()));
    JsonWriter w(out);
    w.raw("{\"result\":{\"fields\":[");
    for (qsizetype i = 0; i < packet.fields.size(); ++i) {
        const PacketField& f = packet.fields.at(i);
        if (i) w.raw(',');
        w.raw("{\"name\":");
        w.string(f.name);
        w.raw(",\"type\":");
        w.string(FieldTypeName(f.type));
        w.raw(",\"size\":");
        w.integer(f.size);
        w.raw('}');
    }
    w.raw("],\"rows\":[");
    bool firstRow = true;
    for (const QVariantList& row : packet.rows) {
        if (!firstRow) w.raw(',');
        firstRow = false;
        w.raw('[');
        for (qsizetype c = 0; c < packet.fields.size(); ++c) {
            if (c) w.raw(',');
            writeValue(w, packet.fields.at(c).type, c < row.size() ? row.at(c) : QVariant());
        }
        w.raw(']');
    }
    w.raw("]}}");
    return out;
}

QByteArray EncodeStatusReply(const QString& status, const QString& text) {
    const QJsonObject body{{QStringLiteral("result"), QJsonArray{status, text}}};
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

QByteArray EncodeFaultReply(const Fault& fault) {
    const QJsonObject error{{QStringLiteral("code"), fault.code}, {QStringLiteral("message"), fault.message}};
    return QJsonDocument(QJsonObject{{QStringLiteral("error"), error}}).toJson(QJsonDocument::Compact);
}

QVariant DecodeReply(const QByteArray& body) {
    const QJsonObject o = parseObject(body, QStringLiteral("A resposta do servidor de aplicação"));
    if (o.contains(QLatin1String("error"))) {
        const QJsonObject e = o.value(QLatin1String("error")).toObject();
        const QString message = e.value(QLatin1String("message")).toString();
        if (message.isEmpty())
            throw WireError(QStringLiteral("A resposta de erro do servidor não traz mensagem."));
        return QVariant::fromValue(Fault{e.value(QLatin1String("code")).toString(), message});
    }
    const QJsonValue result = o.value(QLatin1String("result"));
    if (result.isArray()) {
        const QJsonArray a = result.toArray();
        if (a.size() != 2 || !a.at(0).isString() || !a.at(1).isString()) {
            throw WireError(QStringLiteral("Vetor de situação inválido: esperados dois textos."));
        }
        return QVariantList{a.at(0).toString(), a.at(1).toString()};
    }
    if (result.isObject()) return QVariant::fromValue(packetFromJson(result.toObject()));
    throw WireError(QStringLiteral("A resposta do servidor de aplicação não traz resultado."));
}

}  // namespace kpv::protocol
