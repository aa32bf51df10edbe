#include "accounts/password_prompt.h"

#include "accounts/password_hash.h"

#include <cstdio>
#include <string>

#include <termios.h>
#include <unistd.h>

namespace kpv::accounts {

namespace {

// One line of standard input without its line end; nothing at the end of the input.
std::optional<QString> readLine() {
    std::string line;
    int c = 0;
    while ((c = std::getchar()) != EOF && c != '\n') line.push_back(char(c));
    if (c == EOF && line.empty()) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return QString::fromStdString(line);
}

// Asks on the terminal with the echo off, and puts the terminal back as it was.
std::optional<QString> askHidden(const QString& prompt) {
    std::fprintf(stderr, "%s", prompt.toUtf8().constData());
    std::fflush(stderr);
    termios saved{};
    const bool terminal = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios hidden = saved;
        hidden.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &hidden);
    }
    std::optional<QString> answer = readLine();
    if (terminal) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::fprintf(stderr, "\n");
    return answer;
}

}  // namespace

std::optional<QString> ReadNewPassword(const QString& login, QString* error) {
    std::optional<QString> password;
    if (isatty(STDIN_FILENO)) {
        password = askHidden(QStringLiteral("Senha de %1: ").arg(login));
        const std::optional<QString> again =
            password ? askHidden(QStringLiteral("Repita a senha: ")) : password;
        if (password && again != password) {
            *error = QStringLiteral("as duas senhas digitadas não são iguais; nada foi alterado");
            return std::nullopt;
        }
    } else {
        password = readLine();
    }
    if (!password) {
        *error = QStringLiteral("nenhuma senha foi informada; nada foi alterado");
        return std::nullopt;
    }
    if (password->size() < kMinPasswordLength) {
        *error = QStringLiteral("a senha deve ter pelo menos %1 caracteres; nada foi alterado")
                     .arg(kMinPasswordLength);
        return std::nullopt;
    }
    return password;
}

}  // namespace kpv::accounts
