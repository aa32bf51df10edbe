#include "framework/report/report_definition.h"

#include "framework/core/errors.h"
#include "framework/report/report_text.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace kpv::report {

namespace {

// What is wrong with a definition file, said once with the file's name in front.
class FormatError {
  public:
    explicit FormatError(QString what) : what_(std::move(what)) {}
    const QString& what() const { return what_; }

  private:
    QString what_;
};

QStringList lines(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull()) return {};
    if (value.isString()) return value.toString().split(u'\n');
    if (!value.isArray())
        throw FormatError(QStringLiteral("'%1' deve ser um texto ou uma lista de linhas").arg(key));
    QStringList result;
    for (const QJsonValue line : value.toArray()) {
        if (!line.isString()) throw FormatError(QStringLiteral("'%1' deve conter apenas textos").arg(key));
        result.push_back(line.toString());
    }
    return result;
}

double number(const QJsonObject& object, const QString& key, double fallback) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined()) return fallback;
    if (!value.isDouble() || value.toDouble() < 0)
        throw FormatError(QStringLiteral("'%1' deve ser um número não negativo").arg(key));
    return value.toDouble();
}

Qt::Alignment alignment(const QString& name) {
    if (name.isEmpty() || name == QLatin1String("left")) return Qt::AlignLeft;
    if (name == QLatin1String("center")) return Qt::AlignHCenter;
    if (name == QLatin1String("right")) return Qt::AlignRight;
    throw FormatError(QStringLiteral("alinhamento '%1' desconhecido").arg(name));
}

TReportItem item(const QJsonObject& object) {
    TReportItem it;
    const QString kind = object.value(QStringLiteral("kind")).toString(QStringLiteral("text"));
    if (kind == QLatin1String("text"))
        it.kind = TReportItem::Kind::Text;
    else if (kind == QLatin1String("box"))
        it.kind = TReportItem::Kind::Box;
    else if (kind == QLatin1String("line"))
        it.kind = TReportItem::Kind::Line;
    else
        throw FormatError(QStringLiteral("tipo de elemento '%1' desconhecido").arg(kind));
    it.x = number(object, QStringLiteral("x"), 0);
    it.y = number(object, QStringLiteral("y"), 0);
    it.w = number(object, QStringLiteral("w"), 0);
    it.h = number(object, QStringLiteral("h"), 0);
    it.label = object.value(QStringLiteral("label")).toString();
    it.text = object.value(QStringLiteral("text")).toString();
    it.fontSize = number(object, QStringLiteral("size"), it.fontSize);
    it.bold = object.value(QStringLiteral("bold")).toBool();
    it.align = alignment(object.value(QStringLiteral("align")).toString());
    it.frame = object.value(QStringLiteral("frame")).toBool();
    it.wrap = object.value(QStringLiteral("wrap")).toBool();
    try {
        ParseReportText(it.text);
    } catch (const Error& e) {
        throw FormatError(e.message());
    }
    return it;
}

TReportLayout layout(const QJsonObject& object) {
    TReportLayout result;
    const QString size = object.value(QStringLiteral("page")).toString(QStringLiteral("A4"));
    if (size == QLatin1String("A4"))
        result.pageSize = QPageSize::A4;
    else if (size == QLatin1String("Letter"))
        result.pageSize = QPageSize::Letter;
    else if (size == QLatin1String("Legal"))
        result.pageSize = QPageSize::Legal;
    else
        throw FormatError(QStringLiteral("tamanho de página '%1' desconhecido").arg(size));
    const QString orientation =
        object.value(QStringLiteral("orientation")).toString(QStringLiteral("portrait"));
    if (orientation == QLatin1String("landscape"))
        result.orientation = QPageLayout::Landscape;
    else if (orientation != QLatin1String("portrait"))
        throw FormatError(QStringLiteral("orientação '%1' desconhecida").arg(orientation));
    result.margin = number(object, QStringLiteral("margin"), result.margin);
    result.copies = lines(object, QStringLiteral("copies"));
    for (const QJsonValue value : object.value(QStringLiteral("items")).toArray()) {
        if (!value.isObject())
            throw FormatError(QStringLiteral("cada elemento do layout deve ser um objeto"));
        result.items.push_back(item(value.toObject()));
    }
    if (result.items.isEmpty()) throw FormatError(QStringLiteral("o layout não tem elementos"));
    return result;
}

TReportDefinition definition(const QJsonObject& object) {
    TReportDefinition result;
    result.title = object.value(QStringLiteral("title")).toString().trimmed();
    if (result.title.isEmpty()) throw FormatError(QStringLiteral("há um relatório sem título"));
    result.SQL = lines(object, QStringLiteral("SQL"));
    result.SQL_IB = lines(object, QStringLiteral("SQL_IB"));
    result.SQL_SQLITE = lines(object, QStringLiteral("SQL_SQLITE"));
    result.SQL_ORACLE = lines(object, QStringLiteral("SQL_ORACLE"));
    result.SQL_MSSQL = lines(object, QStringLiteral("SQL_MSSQL"));
    if (result.SQL.join(QString()).trimmed().isEmpty())
        throw FormatError(QStringLiteral("o relatório '%1' não tem consulta").arg(result.title));
    if (!object.value(QStringLiteral("layout")).isObject())
        throw FormatError(QStringLiteral("o relatório '%1' não tem layout").arg(result.title));
    result.layout = layout(object.value(QStringLiteral("layout")).toObject());
    result.fileName = object.value(QStringLiteral("file")).toString().trimmed();
    for (const TTextPiece& piece : ParseReportText(result.fileName)) {
        if (piece.placeholder && !piece.format.isEmpty())
            throw FormatError(
                QStringLiteral("o nome de arquivo do relatório '%1' não aceita formatos").arg(result.title));
    }
    return result;
}

}  // namespace

QStringList TReportLayout::FieldNames() const {
    QStringList names;
    auto add = [&names](const QString& name) {
        if (!name.isEmpty() && name != kCopyPlaceholder && !names.contains(name)) names.push_back(name);
    };
    for (const TReportItem& it : items) {
        for (const TTextPiece& piece : ParseReportText(it.text)) {
            if (!piece.placeholder) continue;
            add(piece.text);
            add(piece.argument);
        }
    }
    return names;
}

QStringList TReportDefinition::FieldNames() const {
    QStringList names = layout.FieldNames();
    for (const TTextPiece& piece : ParseReportText(fileName)) {
        if (piece.placeholder && !names.contains(piece.text)) names.push_back(piece.text);
    }
    return names;
}

QString ReportFileName(const QString& folder, const QString& reportCode) {
    return QDir(folder).filePath(reportCode + QStringLiteral(".json"));
}

std::optional<QList<TReportDefinition>> LoadReportDefinitions(const QString& folder,
                                                              const QString& reportCode) {
    const QString path = ReportFileName(folder, reportCode);
    if (folder.isEmpty() || !QFile::exists(path)) return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Não foi possível ler a definição de relatórios '%1': %2.")
                        .arg(path, file.errorString()));
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    try {
        if (document.isNull()) throw FormatError(parseError.errorString());
        const QJsonValue reports = document.object().value(QStringLiteral("reports"));
        if (!reports.isArray() || reports.toArray().isEmpty())
            throw FormatError(QStringLiteral("falta a lista 'reports'"));
        QList<TReportDefinition> result;
        for (const QJsonValue report : reports.toArray()) {
            if (!report.isObject()) throw FormatError(QStringLiteral("cada relatório deve ser um objeto"));
            result.push_back(definition(report.toObject()));
        }
        return result;
    } catch (const FormatError& e) {
        throw Error(QStringLiteral("A definição de relatórios '%1' é inválida: %2.").arg(path, e.what()));
    }
}

}  // namespace kpv::report
