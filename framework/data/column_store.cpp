#include "framework/data/column_store.h"

#include <QDate>
#include <QTime>

#include <limits>

namespace kpv::data {

namespace {

constexpr qint64 msecsPerDay = 24LL * 60 * 60 * 1000;

qint64 encodeDateTime(const QDateTime& value) {
    return value.date().toJulianDay() * msecsPerDay + value.time().msecsSinceStartOfDay();
}

QDateTime decodeDateTime(qint64 stamp) {
    return QDateTime(QDate::fromJulianDay(stamp / msecsPerDay),
                     QTime::fromMSecsSinceStartOfDay(static_cast<int>(stamp % msecsPerDay)));
}

// A QString held by the variant, without copying it, or null when the variant holds something else.
const QString* heldString(const QVariant& value) {
    return value.typeId() == QMetaType::QString ? static_cast<const QString*>(value.constData()) : nullptr;
}

bool toDateTime(const QVariant& value, QDateTime& out) {
    switch (value.typeId()) {
        case QMetaType::QDateTime:
            out = value.toDateTime();
            break;
        case QMetaType::QDate:
            out = value.toDate().startOfDay();
            break;
        case QMetaType::QString:
            out = QDateTime::fromString(value.toString(), Qt::ISODate);
            break;
        default:
            return false;
    }
    return out.isValid();
}

}  // namespace

ColumnStore::ColumnStore(protocol::TFieldType type) : type_(type) {}

bool ColumnStore::isText() const {
    return type_ == protocol::TFieldType::ftString || type_ == protocol::TFieldType::ftFixedChar;
}

void ColumnStore::reserve(int rows) {
    const auto n = static_cast<size_t>(rows);
    nulls_.reserve(n);
    if (isText()) {
        offsets_.reserve(n);
        lengths_.reserve(n);
    } else if (type_ == protocol::TFieldType::ftFloat) {
        numbers_.reserve(n);
    } else {
        integers_.reserve(n);
    }
}

void ColumnStore::clear() {
    nulls_.clear();
    chars_.clear();
    offsets_.clear();
    lengths_.clear();
    numbers_.clear();
    integers_.clear();
}

bool ColumnStore::append(const QVariant& value) {
    const size_t row = nulls_.size();
    nulls_.push_back(true);
    if (isText()) {
        offsets_.push_back(0);
        lengths_.push_back(0);
    } else if (type_ == protocol::TFieldType::ftFloat) {
        numbers_.push_back(0.0);
    } else {
        integers_.push_back(0);
    }
    if (store(row, value)) return true;
    nulls_.pop_back();
    if (isText()) {
        offsets_.pop_back();
        lengths_.pop_back();
    } else if (type_ == protocol::TFieldType::ftFloat) {
        numbers_.pop_back();
    } else {
        integers_.pop_back();
    }
    return false;
}

bool ColumnStore::set(int row, const QVariant& value) {
    return store(static_cast<size_t>(row), value);
}

bool ColumnStore::store(size_t row, const QVariant& value) {
    if (!value.isValid() || value.isNull()) {
        nulls_[row] = true;
        if (isText()) lengths_[row] = 0;
        return true;
    }
    bool ok = true;
    switch (type_) {
        case protocol::TFieldType::ftString:
        case protocol::TFieldType::ftFixedChar:
            if (const QString* text = heldString(value)) {
                storeText(row, *text);
            } else {
                storeText(row, value.toString());
            }
            break;
        case protocol::TFieldType::ftFloat: {
            const double number = value.toDouble(&ok);
            if (ok) numbers_[row] = number;
            break;
        }
        case protocol::TFieldType::ftInteger: {
            const qint64 number = value.toLongLong(&ok);
            if (ok) integers_[row] = number;
            break;
        }
        case protocol::TFieldType::ftDateTime: {
            QDateTime stamp;
            ok = toDateTime(value, stamp);
            if (ok) integers_[row] = encodeDateTime(stamp);
            break;
        }
    }
    if (ok) nulls_[row] = false;
    return ok;
}

void ColumnStore::storeText(size_t row, QStringView text) {
    const auto length = static_cast<std::uint32_t>(text.size());
    const auto* source = reinterpret_cast<const char16_t*>(text.utf16());
    // Appended rows start with an empty slot at 0; only an edit of an existing text reuses its slot.
    if (length <= lengths_[row] && !nulls_[row]) {
        std::copy(source, source + length, chars_.begin() + offsets_[row]);
    } else {
        Q_ASSERT(chars_.size() + length <= std::numeric_limits<std::uint32_t>::max());
        offsets_[row] = static_cast<std::uint32_t>(chars_.size());
        chars_.insert(chars_.end(), source, source + length);
    }
    lengths_[row] = length;
}

QStringView ColumnStore::text(int row) const {
    const auto r = static_cast<size_t>(row);
    if (!isText() || nulls_[r]) return {};
    return QStringView(chars_.data() + offsets_[r], static_cast<qsizetype>(lengths_[r]));
}

double ColumnStore::number(int row) const {
    const auto r = static_cast<size_t>(row);
    if (nulls_[r]) return 0.0;
    if (type_ == protocol::TFieldType::ftFloat) return numbers_[r];
    if (type_ == protocol::TFieldType::ftInteger) return static_cast<double>(integers_[r]);
    return 0.0;
}

qint64 ColumnStore::integer(int row) const {
    const auto r = static_cast<size_t>(row);
    if (nulls_[r]) return 0;
    if (type_ == protocol::TFieldType::ftInteger) return integers_[r];
    if (type_ == protocol::TFieldType::ftFloat) return qRound64(numbers_[r]);
    return 0;
}

QDateTime ColumnStore::dateTime(int row) const {
    const auto r = static_cast<size_t>(row);
    if (nulls_[r] || type_ != protocol::TFieldType::ftDateTime) return {};
    return decodeDateTime(integers_[r]);
}

QVariant ColumnStore::value(int row) const {
    if (isNull(row)) return {};
    switch (type_) {
        case protocol::TFieldType::ftString:
        case protocol::TFieldType::ftFixedChar:
            return text(row).toString();
        case protocol::TFieldType::ftFloat:
            return number(row);
        case protocol::TFieldType::ftInteger:
            return integer(row);
        case protocol::TFieldType::ftDateTime:
            return dateTime(row);
    }
    return {};
}

size_t ColumnStore::bytes() const {
    return nulls_.capacity() / 8 + chars_.capacity() * sizeof(char16_t) +
           (offsets_.capacity() + lengths_.capacity()) * sizeof(std::uint32_t) +
           numbers_.capacity() * sizeof(double) + integers_.capacity() * sizeof(qint64);
}

}  // namespace kpv::data
