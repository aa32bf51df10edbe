#include "framework/core/interaction.h"

namespace kpv {

namespace {
std::unique_ptr<Interaction>& current() {
    static std::unique_ptr<Interaction> interaction;
    return interaction;
}
}  // namespace

QString MessageBoxTitle(TMsgDlgType type) {
    switch (type) {
        case TMsgDlgType::mtError:
            return QStringLiteral("Erro");
        case TMsgDlgType::mtInformation:
            return QStringLiteral("Informação");
        case TMsgDlgType::mtConfirmation:
            return QStringLiteral("Confirmação");
        case TMsgDlgType::mtWarning:
            return QStringLiteral("Aviso");
    }
    return {};
}

Interaction& Interaction::Current() {
    if (!current()) current() = MakeQtInteraction();
    return *current();
}

std::unique_ptr<Interaction> Interaction::Install(std::unique_ptr<Interaction> interaction) {
    auto previous = std::move(current());
    current() = std::move(interaction);
    return previous;
}

}  // namespace kpv
