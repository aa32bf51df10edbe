#include "host/unattended_interaction.h"

#include <QDialog>

namespace kpv::host {

namespace {

QString typeName(TMsgDlgType type) {
    switch (type) {
        case TMsgDlgType::mtError:
            return QStringLiteral("erro");
        case TMsgDlgType::mtInformation:
            return QStringLiteral("informação");
        case TMsgDlgType::mtConfirmation:
            return QStringLiteral("confirmação");
        case TMsgDlgType::mtWarning:
            return QStringLiteral("aviso");
    }
    return {};
}

QString answerName(TModalResult answer) {
    switch (answer) {
        case TModalResult::mrOk:
            return QStringLiteral("OK");
        case TModalResult::mrCancel:
            return QStringLiteral("Cancel");
        case TModalResult::mrNone:
            return QStringLiteral("Close");
    }
    return {};
}

template <typename T>
std::optional<T> takeFirst(std::deque<T>& queue) {
    if (queue.empty()) return std::nullopt;
    T first = std::move(queue.front());
    queue.pop_front();
    return first;
}

}  // namespace

void UnattendedInteraction::report(const QString& line) const {
    if (Report) Report(line);
}

TModalResult UnattendedInteraction::MessageBox(QWidget*, const QString& text, TMsgDlgType type,
                                               TMsgDlgButtons buttons) {
    messages_.push_back(text);
    errors_.push_back(type == TMsgDlgType::mtError);
    TModalResult answer = TModalResult::mrOk;
    if (buttons == TMsgDlgButtons::mbOKCancel) {
        answer = takeFirst(answers_).value_or(TModalResult::mrCancel);
    }
    report(QStringLiteral("message [%1]: %2 -> %3").arg(typeName(type), text, answerName(answer)));
    return answer;
}

void UnattendedInteraction::ShowModal(QDialog* dialog) {
    report(QStringLiteral("modal: %1").arg(dialog->objectName()));
    if (!ModalShown) {
        // Nobody drives the dialog: it goes away at once, as if closed.
        dialog->hide();
        return;
    }
    ModalShown(dialog);
    dialog->exec();
    if (ModalHidden) ModalHidden(dialog);
}

std::optional<int> UnattendedInteraction::PickRow(QWidget*, const QString& title, data::TDataSource*) {
    const std::optional<int> row = takeFirst(picks_).value_or(std::nullopt);
    report(
        QStringLiteral("lookup: %1 -> %2").arg(title, row ? QString::number(*row) : QStringLiteral("none")));
    return row;
}

bool UnattendedInteraction::PickRows(QWidget*, const QString& title, data::TDataSource*, const QString&,
                                     QStringList& keys) {
    const std::optional<QStringList> marked = takeFirst(marks_);
    report(QStringLiteral("list: %1 -> %2")
               .arg(title, marked ? marked->join(QLatin1Char(',')) : QStringLiteral("none")));
    if (!marked) return false;
    keys = *marked;
    return true;
}

std::optional<FindRequest> UnattendedInteraction::AskFind(QWidget*, data::TClientDataSet*) {
    report(QStringLiteral("find: none"));
    return std::nullopt;
}

QString UnattendedInteraction::SaveFileName(QWidget*, const QString& title, const QString&, const QString&) {
    QString file = takeFirst(fileNames_).value_or(QString());
    report(QStringLiteral("save as: %1 -> %2").arg(title, file.isEmpty() ? QStringLiteral("none") : file));
    return file;
}

bool UnattendedInteraction::PrinterSetup(QWidget*, QPrinter*) {
    report(QStringLiteral("printer setup: none"));
    return false;
}

void UnattendedInteraction::PrintPreview(QWidget*, QPrinter*, const std::function<void(QPrinter*)>&) {
    report(QStringLiteral("preview"));
}

std::optional<SignInAnswer> UnattendedInteraction::SignIn(const QString& server, const QString& login,
                                                          const QString& problem) {
    const bool answered = problem.isEmpty() && !Password.isEmpty();
    report(QStringLiteral("sign-in: %1 at %2%3 -> %4")
               .arg(login, server, problem.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(problem),
                    answered ? QStringLiteral("KPV_PASSWORD") : QStringLiteral("none")));
    if (!answered) return std::nullopt;
    return SignInAnswer{login, Password};
}

}  // namespace kpv::host
