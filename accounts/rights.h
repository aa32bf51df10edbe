#pragma once

#include <QString>

#include <optional>

namespace kpv::accounts {

// What an account may do beyond reading, which every active account may: "emitir" issues and prints RPS,
// "cancelar" cancels them; an account with "consultar" alone only reads.
enum class Right { Emitir = 1, Cancelar = 2, Consultar = 4 };

class Rights {
  public:
    Rights() = default;

    // "emitir,cancelar": names joined by commas, blanks and letter case ignored; at least one. Nothing, with
    // the reason in `error`, for an unknown name or an empty list.
    static std::optional<Rights> Parse(const QString& list, QString* error);

    bool has(Right right) const { return (bits_ & int(right)) != 0; }
    // The names in a fixed order, as the table keeps them: "emitir,cancelar".
    QString text() const;

    bool operator==(const Rights&) const = default;

  private:
    int bits_ = 0;
};

}  // namespace kpv::accounts
