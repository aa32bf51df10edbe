#include "protocol/column.h"

#include <cmath>
#include <functional>
#include <limits>
#include <numeric>
#include <vector>

namespace kpv::protocol {

namespace {

constexpr qint64 kMsecsPerDay = 24LL * 60 * 60 * 1000;
// A dictionary is kept while at most half of a column's texts differ; below this many distinct texts it
// is kept whatever the share, so that the first rows cannot decide for the whole list.
constexpr size_t kDictionaryFloor = 4096;

size_t hashOf(std::string_view text) {
    return std::hash<std::string_view>{}(text);
}

bool toDateTime(const QVariant& value, QDateTime& out) {
    switch (value.typeId()) {
        case QMetaType::QDateTime:
            out = value.toDateTime();
            return true;
        case QMetaType::QDate:
            out = value.toDate().startOfDay();
            return true;
        case QMetaType::QString:
            out = QDateTime::fromString(value.toString(), Qt::ISODate);
            return out.isValid();
        default:
            return false;
    }
}

}  // namespace

qint64 WallClockStamp(QDate date, QTime time) {
    return date.toJulianDay() * kMsecsPerDay + time.msecsSinceStartOfDay();
}

QDateTime WallClockDateTime(qint64 stamp) {
    return QDateTime(QDate::fromJulianDay(stamp / kMsecsPerDay),
                     QTime::fromMSecsSinceStartOfDay(static_cast<int>(stamp % kMsecsPerDay)));
}

class ColumnData : public QSharedData {
  public:
    explicit ColumnData(TFieldType t) : type(t) {}

    bool isText() const { return IsTextType(type); }
    uint32_t entries() const { return static_cast<uint32_t>(starts.size() - 1); }
    uint32_t entryOf(size_t row) const { return codes.empty() ? static_cast<uint32_t>(row) : codes[row]; }
    std::string_view entry(uint32_t e) const {
        return std::string_view(chars.data() + starts[e], starts[e + 1] - starts[e]);
    }
    uint32_t addEntry(std::string_view text) {
        chars.append(text);
        starts.push_back(static_cast<uint32_t>(chars.size()));
        return entries() - 1;
    }

    uint32_t findOrAdd(std::string_view text);
    void rehash(size_t slotCount);
    void dropDictionary();
    void appendText(std::string_view text);
    void setText(size_t row, std::string_view text);

    TFieldType type;
    std::vector<bool> nulls;
    // Texts: entry i is chars[starts[i], starts[i + 1]). With a dictionary each row names its entry in
    // `codes`; without one, row i is entry i until an edit that does not fit in place gives the rows codes.
    std::string chars;
    std::vector<uint32_t> starts{0};
    std::vector<uint32_t> codes;
    bool dictionary = true;
    // The dictionary's open-addressing table: entry + 1, 0 for a free slot.
    std::vector<uint32_t> slots;
    std::vector<double> numbers;
    // Integers, and date-times as wall-clock stamps.
    std::vector<qint64> integers;
};

void ColumnData::rehash(size_t slotCount) {
    slots.assign(slotCount, 0);
    const size_t mask = slotCount - 1;
    for (uint32_t e = 0; e < entries(); ++e) {
        size_t i = hashOf(entry(e)) & mask;
        while (slots[i]) i = (i + 1) & mask;
        slots[i] = e + 1;
    }
}

uint32_t ColumnData::findOrAdd(std::string_view text) {
    if (slots.size() < 2 * (static_cast<size_t>(entries()) + 1))
        rehash(std::max<size_t>(64, slots.size() * 2));
    const size_t mask = slots.size() - 1;
    size_t i = hashOf(text) & mask;
    while (slots[i]) {
        const uint32_t e = slots[i] - 1;
        if (entry(e) == text) return e;
        i = (i + 1) & mask;
    }
    const uint32_t e = addEntry(text);
    slots[i] = e + 1;
    return e;
}

void ColumnData::dropDictionary() {
    std::string plain;
    std::vector<uint32_t> plainStarts{0};
    plainStarts.reserve(codes.capacity() + 1);
    for (size_t row = 0; row < codes.size(); ++row) {
        plain.append(entry(codes[row]));
        plainStarts.push_back(static_cast<uint32_t>(plain.size()));
    }
    chars.swap(plain);
    starts.swap(plainStarts);
    codes = {};
    slots = {};
    dictionary = false;
}

void ColumnData::appendText(std::string_view text) {
    if (!dictionary) {
        const uint32_t e = addEntry(text);
        if (!codes.empty()) codes.push_back(e);
        return;
    }
    // Repeats often come in runs (a branch, a series): the previous row's entry spares the lookup.
    if (!codes.empty() && entry(codes.back()) == text) {
        codes.push_back(codes.back());
        return;
    }
    codes.push_back(findOrAdd(text));
    if (entries() > kDictionaryFloor && 2 * static_cast<size_t>(entries()) > codes.size()) dropDictionary();
}

void ColumnData::setText(size_t row, std::string_view text) {
    if (dictionary) {
        codes[row] = findOrAdd(text);
        return;
    }
    const uint32_t e = entryOf(row);
    if (codes.empty() && entry(e).size() == text.size()) {
        std::copy(text.begin(), text.end(), chars.begin() + starts[e]);
        return;
    }
    if (codes.empty()) {
        codes.resize(nulls.size());
        std::iota(codes.begin(), codes.end(), 0U);
    }
    codes[row] = addEntry(text);
}

Column::Column(TFieldType type) : d(new ColumnData(type)) {}
Column::Column(const Column&) = default;
Column::Column(Column&&) noexcept = default;
Column& Column::operator=(const Column&) = default;
Column& Column::operator=(Column&&) noexcept = default;
Column::~Column() = default;

TFieldType Column::type() const {
    return d->type;
}

bool Column::isText() const {
    return d->isText();
}

int Column::size() const {
    return static_cast<int>(d->nulls.size());
}

void Column::reserve(int rows) {
    const auto n = static_cast<size_t>(rows);
    d->nulls.reserve(n);
    if (d->isText()) {
        d->codes.reserve(n);
    } else if (d->type == TFieldType::ftFloat) {
        d->numbers.reserve(n);
    } else {
        d->integers.reserve(n);
    }
}

void Column::appendNull() {
    ColumnData& c = *d;
    c.nulls.push_back(true);
    if (c.isText()) {
        c.appendText({});
    } else if (c.type == TFieldType::ftFloat) {
        c.numbers.push_back(0.0);
    } else {
        c.integers.push_back(0);
    }
}

void Column::appendText(std::string_view utf8) {
    ColumnData& c = *d;
    Q_ASSERT(c.isText());
    Q_ASSERT(c.chars.size() + utf8.size() <= std::numeric_limits<uint32_t>::max());
    c.nulls.push_back(false);
    c.appendText(utf8);
}

void Column::appendNumber(double value) {
    if (!std::isfinite(value)) {
        appendNull();
        return;
    }
    d->nulls.push_back(false);
    d->numbers.push_back(value);
}

void Column::appendInteger(qint64 value) {
    d->nulls.push_back(false);
    d->integers.push_back(value);
}

void Column::appendStamp(qint64 wallClock) {
    appendInteger(wallClock);
}

bool Column::append(const QVariant& value) {
    const int row = size();
    appendNull();
    if (set(row, value)) return true;
    removeLast();
    return false;
}

void Column::removeLast() {
    ColumnData& c = *d;
    c.nulls.pop_back();
    if (c.isText()) {
        // A dictionary entry the row added stays: it costs a few bytes and no row names it.
        if (!c.codes.empty()) c.codes.pop_back();
        if (!c.dictionary) {
            c.starts.pop_back();
            c.chars.resize(c.starts.back());
        }
    } else if (c.type == TFieldType::ftFloat) {
        c.numbers.pop_back();
    } else {
        c.integers.pop_back();
    }
}

bool Column::set(int row, const QVariant& value) {
    const auto r = static_cast<size_t>(row);
    const bool nullText = value.typeId() == QMetaType::QString && value.toString().isNull();
    bool null = !value.isValid() || value.isNull() || nullText;
    bool ok = true;
    double number = 0.0;
    qint64 integer = 0;
    QByteArray utf8;
    if (!null) {
        switch (d->type) {
            case TFieldType::ftString:
            case TFieldType::ftFixedChar:
                utf8 = value.toString().toUtf8();
                break;
            case TFieldType::ftFloat:
                number = value.toDouble(&ok);
                null = ok && !std::isfinite(number);
                break;
            case TFieldType::ftInteger:
                integer = value.toLongLong(&ok);
                break;
            case TFieldType::ftDateTime: {
                QDateTime stamp;
                ok = toDateTime(value, stamp);
                // A database hands a missing date as an invalid one as often as a null.
                null = ok && !stamp.isValid();
                if (ok && !null) integer = WallClockStamp(stamp.date(), stamp.time());
                break;
            }
        }
    }
    if (!ok) return false;
    ColumnData& c = *d;
    c.nulls[r] = null;
    if (c.isText()) {
        c.setText(r, null ? std::string_view() : std::string_view(utf8.constData(), utf8.size()));
    } else if (c.type == TFieldType::ftFloat) {
        c.numbers[r] = null ? 0.0 : number;
    } else {
        c.integers[r] = null ? 0 : integer;
    }
    return true;
}

bool Column::setRows(const std::vector<int>& rows, const QVariant& value) {
    if (rows.empty()) return true;
    if (!set(rows.front(), value)) return false;
    ColumnData& c = *d;
    const auto first = static_cast<size_t>(rows.front());
    const bool null = c.nulls[first];
    const bool shared = c.isText() && !c.codes.empty();
    for (size_t i = 1; i < rows.size(); ++i) {
        const auto r = static_cast<size_t>(rows[i]);
        c.nulls[r] = null;
        if (shared) {
            c.codes[r] = c.codes[first];
        } else if (c.isText()) {
            c.setText(r, std::string(c.entry(c.entryOf(first))));
        } else if (c.type == TFieldType::ftFloat) {
            c.numbers[r] = c.numbers[first];
        } else {
            c.integers[r] = c.integers[first];
        }
    }
    return true;
}

bool Column::isNull(int row) const {
    return d->nulls[static_cast<size_t>(row)];
}

std::string_view Column::utf8(int row) const {
    const auto r = static_cast<size_t>(row);
    if (!d->isText() || d->nulls[r]) return {};
    return d->entry(d->entryOf(r));
}

QString Column::text(int row) const {
    const std::string_view t = utf8(row);
    return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
}

double Column::number(int row) const {
    const auto r = static_cast<size_t>(row);
    if (d->nulls[r]) return 0.0;
    if (d->type == TFieldType::ftFloat) return d->numbers[r];
    if (d->type == TFieldType::ftInteger) return static_cast<double>(d->integers[r]);
    return 0.0;
}

qint64 Column::integer(int row) const {
    const auto r = static_cast<size_t>(row);
    if (d->nulls[r]) return 0;
    if (d->type == TFieldType::ftInteger) return d->integers[r];
    if (d->type == TFieldType::ftFloat) return qRound64(d->numbers[r]);
    return 0;
}

qint64 Column::stamp(int row) const {
    const auto r = static_cast<size_t>(row);
    if (d->nulls[r] || d->type != TFieldType::ftDateTime) return 0;
    return d->integers[r];
}

QDateTime Column::dateTime(int row) const {
    if (isNull(row) || d->type != TFieldType::ftDateTime) return {};
    return WallClockDateTime(stamp(row));
}

QVariant Column::value(int row) const {
    if (isNull(row)) return {};
    switch (d->type) {
        case TFieldType::ftString:
        case TFieldType::ftFixedChar:
            return text(row);
        case TFieldType::ftFloat:
            return number(row);
        case TFieldType::ftInteger:
            return integer(row);
        case TFieldType::ftDateTime:
            return dateTime(row);
    }
    return {};
}

size_t Column::bytes() const {
    const ColumnData& c = *d;
    return c.nulls.capacity() / 8 + c.chars.capacity() +
           (c.starts.capacity() + c.codes.capacity() + c.slots.capacity()) * sizeof(uint32_t) +
           c.numbers.capacity() * sizeof(double) + c.integers.capacity() * sizeof(qint64);
}

}  // namespace kpv::protocol
