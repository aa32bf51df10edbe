#include "scripted_interaction.h"

#include <QApplication>
#include <QDialog>
#include <QPrinter>

namespace {
ScriptedInteraction* g_installed = nullptr;

template <class T>
std::optional<T> take(std::deque<T>& queue) {
    if (queue.empty()) return std::nullopt;
    T value = std::move(queue.front());
    queue.pop_front();
    return value;
}
}  // namespace

ScriptedInteraction::ScriptedInteraction() {
    // The framework owns the installed implementation; we hand it a forwarding shell.
    struct Forward : kpv::Interaction {
        ScriptedInteraction* s;
        explicit Forward(ScriptedInteraction* self) : s(self) {}
        kpv::TModalResult MessageBox(QWidget* p, const QString& t, kpv::TMsgDlgType ty,
                                     kpv::TMsgDlgButtons b) override {
            return s->MessageBox(p, t, ty, b);
        }
        void ShowModal(QDialog* d) override { s->ShowModal(d); }
        std::optional<int> PickRow(QWidget* p, const QString& t, kpv::data::TDataSource* src) override {
            return s->PickRow(p, t, src);
        }
        bool PickRows(QWidget* p, const QString& t, kpv::data::TDataSource* src, const QString& k,
                      QStringList& keys) override {
            return s->PickRows(p, t, src, k, keys);
        }
        std::optional<kpv::FindRequest> AskFind(QWidget* p, kpv::data::TClientDataSet* ds) override {
            return s->AskFind(p, ds);
        }
        QString SaveFileName(QWidget* p, const QString& t, const QString& sug, const QString& f) override {
            return s->SaveFileName(p, t, sug, f);
        }
        bool PrinterSetup(QWidget* p, QPrinter* pr) override { return s->PrinterSetup(p, pr); }
        void PrintPreview(QWidget* p, QPrinter* pr, const std::function<void(QPrinter*)>& paint) override {
            s->PrintPreview(p, pr, paint);
        }
        std::optional<kpv::SignInAnswer> SignIn(const QString& sv, const QString& l,
                                                const QString& pb) override {
            return s->SignIn(sv, l, pb);
        }
    };
    previous_ = kpv::Interaction::Install(std::make_unique<Forward>(this));
    g_installed = this;
}

ScriptedInteraction::~ScriptedInteraction() {
    kpv::Interaction::Install(std::move(previous_));
    g_installed = nullptr;
}

ScriptedInteraction& ScriptedInteraction::installed() {
    return *g_installed;
}

QStringList ScriptedInteraction::messageTexts() const {
    QStringList texts;
    for (const auto& m : messages) texts << m.text;
    return texts;
}

void ScriptedInteraction::clear() {
    messages.clear();
    pickTitles.clear();
    signInAsks.clear();
    modalShows = 0;
    previews = 0;
}

kpv::TModalResult ScriptedInteraction::MessageBox(QWidget*, const QString& text, kpv::TMsgDlgType type,
                                                  kpv::TMsgDlgButtons buttons) {
    messages.push_back({text, type, buttons});
    return take(boxAnswers).value_or(kpv::TModalResult::mrOk);
}

void ScriptedInteraction::ShowModal(QDialog* dialog) {
    ++modalShows;
    dialog->setModal(true);
    dialog->show();
    QApplication::setActiveWindow(dialog);
    QApplication::processEvents();
    if (auto script = take(modalScripts); script && *script) (*script)(dialog);
    // A dialog the script left open is closed as the window's close box would.
    if (dialog->isVisible()) dialog->close();
    QApplication::processEvents();
}

std::optional<int> ScriptedInteraction::PickRow(QWidget*, const QString& title, kpv::data::TDataSource*) {
    pickTitles << title;
    return take(rowPicks).value_or(std::nullopt);
}

bool ScriptedInteraction::PickRows(QWidget*, const QString& title, kpv::data::TDataSource*, const QString&,
                                   QStringList& keys) {
    pickTitles << title;
    auto answer = take(rowsPicks).value_or(std::nullopt);
    if (!answer) return false;
    keys = *answer;
    return true;
}

std::optional<kpv::FindRequest> ScriptedInteraction::AskFind(QWidget*, kpv::data::TClientDataSet*) {
    return take(findAnswers).value_or(std::nullopt);
}

QString ScriptedInteraction::SaveFileName(QWidget*, const QString&, const QString&, const QString&) {
    return saveFileAnswer;
}

bool ScriptedInteraction::PrinterSetup(QWidget*, QPrinter*) {
    return printerSetupAnswer;
}

QString ScriptedInteraction::previewPages() const {
    return scratch_.filePath(QStringLiteral("preview.pdf"));
}

void ScriptedInteraction::PrintPreview(QWidget*, QPrinter* printer,
                                       const std::function<void(QPrinter*)>& paint) {
    ++previews;
    previewPrinterFile = printer->outputFileName();
    previewPrinterPdf = printer->outputFormat() == QPrinter::PdfFormat;
    QPrinter pages(QPrinter::HighResolution);
    pages.setOutputFileName(previewPages());
    if (paint) paint(&pages);
}

std::optional<kpv::SignInAnswer> ScriptedInteraction::SignIn(const QString& server, const QString& login,
                                                             const QString& problem) {
    signInAsks.push_back({server, login, problem});
    return take(signInAnswers).value_or(std::nullopt);
}
