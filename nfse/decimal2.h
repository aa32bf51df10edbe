#pragma once

#include <QString>
#include <QStringView>

#include <compare>
#include <optional>

namespace kpv::nfse {

// An amount (R$) or a rate (%) as the layout writes them: exactly two decimal places, kept as a whole
// number of hundredths so that nothing is rounded on the way.
class Decimal2 {
  public:
    constexpr Decimal2() = default;
    static constexpr Decimal2 FromHundredths(qint64 hundredths) { return Decimal2(hundredths); }
    // "1234.5", "1234.50", "-0.07", "12": digits with at most two decimals after a point; nothing else.
    static std::optional<Decimal2> FromText(QStringView text);

    constexpr qint64 hundredths() const { return hundredths_; }
    // "1234.50", with a point whatever the locale.
    QString text() const;

    constexpr auto operator<=>(const Decimal2&) const = default;

  private:
    constexpr explicit Decimal2(qint64 hundredths) : hundredths_(hundredths) {}
    qint64 hundredths_ = 0;
};

}  // namespace kpv::nfse
