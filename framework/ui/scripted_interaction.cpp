#include "framework/ui/scripted_interaction.h"

#include <QApplication>
#include <QDialog>
#include <QPrinter>

namespace kpv {

namespace {

ScriptedInteraction* g_installed = nullptr;

template <typename T>
std::optional<T> takeFirst(std::deque<T>& queue) {
    if (queue.empty()) return std::nullopt;
    T first = std::move(queue.front());
    queue.pop_front();
    return first;
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

// The framework owns the interaction in use; it is handed a shell that forwards to the scripted user.
class Forward final : public Interaction {
  public:
    explicit Forward(ScriptedInteraction& user) : user_(user) {}

    TModalResult MessageBox(QWidget* p, const QString& t, TMsgDlgType ty, TMsgDlgButtons b) override {
        return user_.MessageBox(p, t, ty, b);
    }
    void ShowModal(QDialog* d) override { user_.ShowModal(d); }
    std::optional<int> PickRow(QWidget* p, const QString& t, data::TDataSource* s) override {
        return user_.PickRow(p, t, s);
    }
    bool PickRows(QWidget* p, const QString& t, data::TDataSource* s, const QString& k,
                  QStringList& keys) override {
        return user_.PickRows(p, t, s, k, keys);
    }
    std::optional<FindRequest> AskFind(QWidget* p, data::TClientDataSet* ds) override {
        return user_.AskFind(p, ds);
    }
    QString SaveFileName(QWidget* p, const QString& t, const QString& s, const QString& f) override {
        return user_.SaveFileName(p, t, s, f);
    }
    bool PrinterSetup(QWidget* p, QPrinter* pr) override { return user_.PrinterSetup(p, pr); }
    void PrintPreview(QWidget* p, QPrinter* pr, const std::function<void(QPrinter*)>& paint) override {
        user_.PrintPreview(p, pr, paint);
    }
    std::optional<SignInAnswer> SignIn(const QString& s, const QString& l, const QString& pb) override {
        return user_.SignIn(s, l, pb);
    }

  private:
    ScriptedInteraction& user_;
};

}  // namespace

ScriptedInteraction::ScriptedInteraction() : previous_(Install(std::make_unique<Forward>(*this))) {
    g_installed = this;
}

ScriptedInteraction::~ScriptedInteraction() {
    Install(std::move(previous_));
    g_installed = nullptr;
}

ScriptedInteraction* ScriptedInteraction::installed() {
    return g_installed;
}

void ScriptedInteraction::tell(const QString& line) const {
    if (report) report(line);
}

QStringList ScriptedInteraction::messageTexts() const {
    QStringList texts;
    for (const Message& m : messages) texts << m.text;
    return texts;
}

void ScriptedInteraction::clear() {
    messages.clear();
    pickTitles.clear();
    signInAsks.clear();
    modalShows = 0;
    previews = 0;
    printerSetups = 0;
}

TModalResult ScriptedInteraction::MessageBox(QWidget*, const QString& text, TMsgDlgType type,
                                             TMsgDlgButtons buttons) {
    const Message message{text, type, buttons};
    messages.push_back(message);
    if (boxShown) boxShown(message);
    TModalResult answer = TModalResult::mrOk;
    if (buttons == TMsgDlgButtons::mbOKCancel)
        answer = takeFirst(boxAnswers).value_or(TModalResult::mrCancel);
    // The report names the box by its title, in lower case: "message [erro]: ...".
    tell(QStringLiteral("message [%1]: %2 -> %3")
             .arg(MessageBoxTitle(type).toLower(), text, answerName(answer)));
    return answer;
}

void ScriptedInteraction::ShowModal(QDialog* dialog) {
    ++modalShows;
    tell(QStringLiteral("modal: %1").arg(dialog->objectName()));
    std::optional<std::function<void(QDialog*)>> script = takeFirst(modalScripts);
    if (!script && modalShown) {
        modalShown(dialog);
        dialog->exec();
        if (modalHidden) modalHidden(dialog);
        return;
    }
    dialog->setModal(true);
    dialog->show();
    QApplication::setActiveWindow(dialog);
    QApplication::processEvents();
    if (script && *script) (*script)(dialog);
    // A dialog the script left open is closed as the window's close box would.
    if (dialog->isVisible()) dialog->close();
    QApplication::processEvents();
}

std::optional<int> ScriptedInteraction::PickRow(QWidget*, const QString& title, data::TDataSource*) {
    pickTitles << title;
    const std::optional<int> row = takeFirst(rowPicks).value_or(std::nullopt);
    tell(QStringLiteral("lookup: %1 -> %2").arg(title, row ? QString::number(*row) : QStringLiteral("none")));
    return row;
}

bool ScriptedInteraction::PickRows(QWidget*, const QString& title, data::TDataSource*, const QString&,
                                   QStringList& keys) {
    pickTitles << title;
    const std::optional<QStringList> marked = takeFirst(rowsPicks).value_or(std::nullopt);
    tell(QStringLiteral("list: %1 -> %2")
             .arg(title, marked ? marked->join(QLatin1Char(',')) : QStringLiteral("none")));
    if (!marked) return false;
    keys = *marked;
    return true;
}

std::optional<FindRequest> ScriptedInteraction::AskFind(QWidget*, data::TClientDataSet*) {
    const std::optional<FindRequest> request = takeFirst(findAnswers).value_or(std::nullopt);
    tell(request ? QStringLiteral("find: %1 = %2").arg(request->fieldName, request->text)
                 : QStringLiteral("find: none"));
    return request;
}

QString ScriptedInteraction::SaveFileName(QWidget*, const QString& title, const QString&, const QString&) {
    QString file = takeFirst(saveFileAnswers).value_or(QString());
    tell(QStringLiteral("save as: %1 -> %2").arg(title, file.isEmpty() ? QStringLiteral("none") : file));
    return file;
}

bool ScriptedInteraction::PrinterSetup(QWidget*, QPrinter*) {
    ++printerSetups;
    tell(QStringLiteral("printer setup: none"));
    return false;
}

void ScriptedInteraction::PrintPreview(QWidget*, QPrinter* printer,
                                       const std::function<void(QPrinter*)>& paint) {
    ++previews;
    previewPrinterFile = printer->outputFileName();
    previewPrinterPdf = printer->outputFormat() == QPrinter::PdfFormat;
    tell(QStringLiteral("preview"));
    if (previewFile.isEmpty() || !paint) return;
    QPrinter pages(QPrinter::HighResolution);
    pages.setOutputFileName(previewFile);
    paint(&pages);
}

std::optional<SignInAnswer> ScriptedInteraction::SignIn(const QString& server, const QString& login,
                                                        const QString& problem) {
    signInAsks.push_back({server, login, problem});
    std::optional<SignInAnswer> answer = takeFirst(signInAnswers).value_or(std::nullopt);
    QString answeredBy = answer ? QStringLiteral("answer") : QStringLiteral("none");
    if (!answer && problem.isEmpty() && !signInPassword.isEmpty()) {
        answer = SignInAnswer{login, signInPassword};
        answeredBy = signInPasswordSource;
    }
    tell(QStringLiteral("sign-in: %1 at %2%3 -> %4")
             .arg(login, server, problem.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(problem),
                  answeredBy));
    return answer;
}

}  // namespace kpv
