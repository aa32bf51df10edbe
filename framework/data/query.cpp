#include "framework/data/query.h"

#include "db/dialect.h"
#include "framework/core/errors.h"
#include "framework/data/sql_params.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>

#include <sqlite3.h>

namespace kpv::data {

namespace {

bool isBlank(const QStringList& lines) {
    return std::all_of(lines.begin(), lines.end(),
                       [](const QString& line) { return line.trimmed().isEmpty(); });
}

QString trimTrailingBlanks(const QString& text) {
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == u' ') --end;
    return end == text.size() ? text : text.left(end);
}

struct ColumnType {
    TFieldType type;
    int size;
};

// SQLite reports every column without a numeric affinity as text; its declared type still tells a
// date column from a text one.
std::optional<ColumnType> sqliteDeclaredType(const QSqlQuery& query, int column) {
    const QVariant handle = query.result()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3_stmt*") != 0) return std::nullopt;
    auto* statement = *static_cast<sqlite3_stmt* const*>(handle.constData());
    const char* declared = statement ? sqlite3_column_decltype(statement, column) : nullptr;
    if (!declared) return std::nullopt;
    const QString type = QString::fromUtf8(declared).toUpper();
    if (type.contains(u"DATE") || type.contains(u"TIME")) return ColumnType{TFieldType::ftDateTime, 0};
    if (type.contains(u"INT")) return ColumnType{TFieldType::ftInteger, 0};
    if (type.contains(u"REAL") || type.contains(u"FLOA") || type.contains(u"DOUB") ||
        type.contains(u"NUMERIC") || type.contains(u"DECIMAL")) {
        return ColumnType{TFieldType::ftFloat, 0};
    }
    static const QRegularExpression size(QStringLiteral("\\((\\d+)\\)"));
    const QRegularExpressionMatch match = size.match(type);
    return ColumnType{type.startsWith(u"CHAR") ? TFieldType::ftFixedChar : TFieldType::ftString,
                      match.hasMatch() ? match.captured(1).toInt() : 0};
}

ColumnType columnType(const QSqlQuery& query, const QSqlField& field, int column) {
    if (auto declared = sqliteDeclaredType(query, column)) return *declared;
    switch (field.metaType().id()) {
        case QMetaType::QDate:
        case QMetaType::QDateTime:
        case QMetaType::QTime:
            return {TFieldType::ftDateTime, 0};
        case QMetaType::Double:
        case QMetaType::Float:
            return {TFieldType::ftFloat, 0};
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
            return {TFieldType::ftInteger, 0};
        default:
            return {TFieldType::ftString, std::max(field.length(), 0)};
    }
}

}  // namespace

TADOIBQuery::TADOIBQuery(QObject* parent, const QString& name)
    : QObject(parent), query_(new TClientDataSet(this, name)) {
    setObjectName(name);
}

TADOIBQuery::~TADOIBQuery() = default;

const QStringList& TADOIBQuery::StatementFor(const db::Dialect& dialect) const {
    const QStringList* own = nullptr;
    switch (dialect.texts()) {
        case db::StatementTexts::SQLite:
            own = &SQL_SQLITE;
            break;
        case db::StatementTexts::InterBase:
            own = &SQL_IB;
            break;
        case db::StatementTexts::Oracle:
            own = &SQL_ORACLE;
            break;
        case db::StatementTexts::MSSQL:
            own = &SQL_MSSQL;
            break;
    }
    return isBlank(*own) ? SQL : *own;
}

bool TADOIBQuery::usesParameter(const QString& upperName) const {
    for (const QStringList* text : {&SQL, &SQL_ORACLE, &SQL_MSSQL, &SQL_IB, &SQL_SQLITE}) {
        if (ToPositional(text->join(u'\n')).names.contains(upperName)) return true;
    }
    return false;
}

TParam* TADOIBQuery::ParamByName(const QString& name) {
    const QString key = name.toUpper();
    auto found = params_.find(key);
    if (found != params_.end()) return found->second.get();
    if (!usesParameter(key)) {
        throw Error(QStringLiteral("%1: parâmetro '%2' não encontrado.").arg(objectName(), name));
    }
    return params_.emplace(key, std::make_unique<TParam>(name)).first->second.get();
}

TField* TADOIBQuery::AddField(const QString& name, TFieldType type, int size, const QString& label,
                              bool visible, bool required) {
    Close();
    query_->TruncateFields(declaredFields_);
    TField* field = query_->AddField(name, type, size);
    if (!label.isEmpty()) field->DisplayLabel = label;
    field->Visible = visible;
    field->Required = required;
    ++declaredFields_;
    return field;
}

void TADOIBQuery::Open() {
    if (Active()) return;
    if (BeforeOpen) BeforeOpen(this);
    const QStringList& statement = StatementFor(TdtmDBGeral::Instance().Dialect());
    if (isBlank(statement)) {
        throw Error(QStringLiteral("%1: não há comando SQL para o banco de dados em uso.").arg(objectName()));
    }
    const protocol::DataPacket packet = execute(statement.join(u'\n'));
    query_->TruncateFields(declaredFields_);
    for (const protocol::PacketField& column : packet.fields()) {
        if (!query_->FindField(column.name)) query_->AddField(column.name, column.type, column.size);
    }
    query_->LoadFromPacket(packet);
}

protocol::DataPacket TADOIBQuery::execute(const QString& statement) {
    const TPositionalStatement positional = ToPositional(statement);
    QSqlQuery query(TdtmDBGeral::Instance().Database());
    query.setForwardOnly(true);
    const auto fail = [&](const QSqlError& error) {
        return Error(QStringLiteral("%1: %2").arg(objectName(), error.text()));
    };
    if (!query.prepare(positional.text)) throw fail(query.lastError());
    for (int i = 0; i < positional.names.size(); ++i) {
        const QString& name = positional.names[i];
        const auto found = params_.find(name);
        // A parameter nobody set is null, as a database parameter that was never assigned.
        query.bindValue(i, found != params_.end() ? found->second->Value() : QVariant());
    }
    if (!query.exec()) throw fail(query.lastError());

    const QSqlRecord record = query.record();
    QList<protocol::PacketField> fields;
    std::vector<bool> isText;
    for (int c = 0; c < record.count(); ++c) {
        const ColumnType type = columnType(query, record.field(c), c);
        fields.append({record.fieldName(c), type.type, type.size});
        isText.push_back(protocol::IsTextType(type.type));
    }
    protocol::DataPacket packet(fields);
    while (query.next()) {
        for (int c = 0; c < record.count(); ++c) {
            QVariant value = query.value(c);
            if (isText[static_cast<size_t>(c)] && !value.isNull() && value.typeId() == QMetaType::QString) {
                value = trimTrailingBlanks(value.toString());
            }
            if (!packet.column(c).append(value)) {
                throw Error(QStringLiteral("%1: valor '%2' inválido para o campo '%3' (registro %4).")
                                .arg(objectName(), value.toString(), fields[c].name)
                                .arg(packet.rowCount() + 1));
            }
        }
        packet.endRow();
    }
    if (query.lastError().isValid()) throw fail(query.lastError());
    return packet;
}

void TADOIBQuery::Close() {
    query_->Close();
}

bool TADOIBQuery::Locate(const QString& fieldName, const QString& text) {
    return query_->Locate(fieldName, text, true, false);
}

}  // namespace kpv::data
