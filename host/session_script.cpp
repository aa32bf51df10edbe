#include "host/session_script.h"

#include "host/session_runner.h"

namespace kpv::host {

namespace {

// Blank-separated words; double quotes keep blanks and may be empty, and two double quotes inside them
// stand for one. False for a quote left open.
bool splitWords(const QString& line, QStringList& words) {
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c != u'"') {
                word += c;
            } else if (i + 1 < line.size() && line.at(i + 1) == u'"') {
                word += c;
                ++i;
            } else {
                quoted = false;
            }
        } else if (c == u'"') {
            quoted = inWord = true;
        } else if (c.isSpace()) {
            if (inWord) words << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words << word;
    return !quoted;
}

}  // namespace

std::optional<std::vector<SessionStep>> ReadSessionScript(const QString& text, QString* error) {
    std::vector<SessionStep> steps;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        QStringList words;
        if (!splitWords(line, words)) {
            *error = QStringLiteral("line %1: a double quote is left open").arg(i + 1);
            return std::nullopt;
        }
        SessionStep step{i + 1, words.takeFirst(), words};
        const std::optional<SessionRunner::Arity> known = SessionRunner::StepArity(step.command);
        if (!known) {
            *error = QStringLiteral("line %1: unknown command '%2'").arg(step.line).arg(step.command);
            return std::nullopt;
        }
        if (step.args.size() < known->least || step.args.size() > known->most) {
            *error = QStringLiteral("line %1: '%2' takes %3 argument(s), not %4")
                         .arg(step.line)
                         .arg(step.command)
                         .arg(known->least == known->most
                                  ? QString::number(known->least)
                                  : QStringLiteral("%1 to %2").arg(known->least).arg(known->most))
                         .arg(step.args.size());
            return std::nullopt;
        }
        if (const std::optional<QString> wrong = SessionRunner::CheckStep(step.command, step.args)) {
            *error = QStringLiteral("line %1: %2").arg(step.line).arg(*wrong);
            return std::nullopt;
        }
        steps.push_back(std::move(step));
    }
    return steps;
}

}  // namespace kpv::host
