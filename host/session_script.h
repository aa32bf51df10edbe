#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace kpv::host {

// One line of a session script: what the user does or what they should see, with the line it came from.
struct SessionStep {
    int line = 0;
    QString command;
    QStringList args;
};

// Reads a session script: one step per line, words separated by blanks, a text with blanks between
// double quotes, `#` starting a comment line. Every command and its number of arguments is checked
// against the runner's steps before anything runs, so a typing error does not stop a session half-way.
// The commands are listed in docs/session-scripts.md.
std::optional<std::vector<SessionStep>> ReadSessionScript(const QString& text, QString* error);

}  // namespace kpv::host
