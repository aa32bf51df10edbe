#include "framework/data/field.h"

#include "framework/core/errors.h"
#include "framework/data/client_data_set.h"
#include "framework/data/display_format.h"

namespace kpv::data {

namespace {

bool isText(TFieldType type) {
    return type == TFieldType::ftString || type == TFieldType::ftFixedChar;
}

QString plainNumber(double value) {
    QLocale locale = DisplayLocale();
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'g', 15);
}

QString plainDateTime(const QDateTime& value) {
    QString date = value.date().toString(QStringLiteral("dd/MM/yyyy"));
    if (value.time() == QTime(0, 0)) return date;
    return date + u' ' + value.time().toString(QStringLiteral("HH:mm:ss"));
}

}  // namespace

TField::TField(TClientDataSet* dataSet, int index, const QString& name, TFieldType type, int size)
    : DisplayLabel(name),
      DisplayWidth(isText(type) && size > 0 ? size : 10),
      dataSet_(dataSet),
      index_(index),
      name_(name),
      type_(type),
      size_(size) {}

bool TField::IsNull() const {
    return dataSet_->valueIsNull(index_);
}

QVariant TField::AsVariant() const {
    return dataSet_->value(index_);
}

QString TField::AsString() const {
    return formatted(false);
}

double TField::AsFloat() const {
    if (isText(type_)) {
        const QString text = AsString().trimmed();
        if (text.isEmpty()) return 0.0;
        bool ok = false;
        const double value = DisplayLocale().toDouble(text, &ok);
        if (ok) return value;
        const double plain = text.toDouble(&ok);
        if (ok) return plain;
        throw Error(
            QStringLiteral("'%1' não é um valor numérico válido para o campo '%2'.").arg(text, name_));
    }
    return AsVariant().toDouble();
}

QDateTime TField::AsDateTime() const {
    if (type_ == TFieldType::ftDateTime) return AsVariant().toDateTime();
    throw Error(QStringLiteral("O campo '%1' não é uma data.").arg(name_));
}

void TField::SetAsString(const QString& value) {
    if (isText(type_)) {
        dataSet_->setValue(index_, value);
        return;
    }
    const QString text = value.trimmed();
    if (text.isEmpty()) {
        Clear();
        return;
    }
    const auto invalid = [&] {
        return Error(QStringLiteral("'%1' não é um valor válido para o campo '%2'.").arg(value, name_));
    };
    bool ok = false;
    switch (type_) {
        case TFieldType::ftFloat: {
            double number = DisplayLocale().toDouble(text, &ok);
            if (!ok) number = text.toDouble(&ok);
            if (!ok) throw invalid();
            dataSet_->setValue(index_, number);
            return;
        }
        case TFieldType::ftInteger: {
            const qint64 number = text.toLongLong(&ok);
            if (!ok) throw invalid();
            dataSet_->setValue(index_, number);
            return;
        }
        case TFieldType::ftDateTime: {
            for (const char* format : {"dd/MM/yyyy HH:mm:ss", "dd/MM/yyyy HH:mm", "dd/MM/yyyy"}) {
                const QDateTime stamp = QDateTime::fromString(text, QString::fromLatin1(format));
                if (stamp.isValid()) {
                    dataSet_->setValue(index_, stamp);
                    return;
                }
            }
            const QDateTime iso = QDateTime::fromString(text, Qt::ISODate);
            if (!iso.isValid()) throw invalid();
            dataSet_->setValue(index_, iso);
            return;
        }
        default:
            break;
    }
}

void TField::SetAsFloat(double value) {
    if (isText(type_)) {
        SetAsString(plainNumber(value));
    } else if (type_ == TFieldType::ftDateTime) {
        throw Error(QStringLiteral("O campo '%1' não aceita um número.").arg(name_));
    } else if (type_ == TFieldType::ftInteger) {
        dataSet_->setValue(index_, qRound64(value));
    } else {
        dataSet_->setValue(index_, value);
    }
}

void TField::SetAsInteger(qint64 value) {
    if (isText(type_)) {
        SetAsString(QString::number(value));
    } else if (type_ == TFieldType::ftDateTime) {
        throw Error(QStringLiteral("O campo '%1' não aceita um número.").arg(name_));
    } else if (type_ == TFieldType::ftFloat) {
        dataSet_->setValue(index_, static_cast<double>(value));
    } else {
        dataSet_->setValue(index_, value);
    }
}

void TField::SetAsDateTime(const QDateTime& value) {
    if (isText(type_)) {
        SetAsString(plainDateTime(value));
    } else if (type_ == TFieldType::ftDateTime) {
        dataSet_->setValue(index_, value.isValid() ? QVariant(value) : QVariant());
    } else {
        throw Error(QStringLiteral("O campo '%1' não aceita uma data.").arg(name_));
    }
}

void TField::SetAsVariant(const QVariant& value) {
    if (!value.isValid() || value.isNull()) {
        Clear();
        return;
    }
    switch (value.typeId()) {
        case QMetaType::QString:
            SetAsString(value.toString());
            return;
        case QMetaType::QDateTime:
            SetAsDateTime(value.toDateTime());
            return;
        case QMetaType::QDate:
            SetAsDateTime(value.toDate().startOfDay());
            return;
        case QMetaType::Double:
        case QMetaType::Float:
            SetAsFloat(value.toDouble());
            return;
        default:
            break;
    }
    bool ok = false;
    const qint64 number = value.toLongLong(&ok);
    if (!ok) {
        throw Error(
            QStringLiteral("'%1' não é um valor válido para o campo '%2'.").arg(value.toString(), name_));
    }
    SetAsInteger(number);
}

void TField::Clear() {
    dataSet_->setValue(index_, QVariant());
}

QString TField::Text() const {
    return getText(false);
}

QString TField::DisplayText() const {
    return getText(true);
}

QString TField::getText(bool displayText) const {
    if (!OnGetText) return formatted(displayText);
    QString text;
    OnGetText(const_cast<TField*>(this), text, displayText);
    return text;
}

QString TField::formatted(bool displayText) const {
    if (IsNull()) return {};
    switch (type_) {
        case TFieldType::ftString:
        case TFieldType::ftFixedChar: {
            if (dataSet_->editing(index_)) return AsVariant().toString();
            return dataSet_->Column(index_).text(dataSet_->ReadingRecNo());
        }
        case TFieldType::ftFloat: {
            const double value = AsVariant().toDouble();
            return displayText && !DisplayFormat.isEmpty() ? FormatFloat(DisplayFormat, value)
                                                           : plainNumber(value);
        }
        case TFieldType::ftInteger: {
            const qint64 value = AsVariant().toLongLong();
            return displayText && !DisplayFormat.isEmpty()
                       ? FormatFloat(DisplayFormat, static_cast<double>(value))
                       : QString::number(value);
        }
        case TFieldType::ftDateTime:
            return plainDateTime(AsVariant().toDateTime());
    }
    return {};
}

}  // namespace kpv::data
