#pragma once

#include "framework/core/interaction.h"
#include "framework/framework_export.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace kpv {

// The user of screens nobody watches: a test's, and the host's while it takes a picture or plays a session
// script. It records what it is shown, tells each thing as a line through `report` when that is set, and
// answers as it was told beforehand. Told nothing, it answers a question Cancel and gives up a lookup, a
// list, a search, a file name, a printer set-up and a sign-in, so nothing is issued or cancelled by chance.
// It is the interaction in use for as long as it lives, and puts the one before it back after.
class KPV_FRAMEWORK_EXPORT ScriptedInteraction : public Interaction {
  public:
    struct Message {
        QString text;
        TMsgDlgType type;
        TMsgDlgButtons buttons;
    };
    struct SignInAsk {
        QString server;
        QString login;
        QString problem;
    };

    ScriptedInteraction();
    ~ScriptedInteraction() override;
    ScriptedInteraction(const ScriptedInteraction&) = delete;
    ScriptedInteraction& operator=(const ScriptedInteraction&) = delete;
    // The one in use; null when none is.
    static ScriptedInteraction* installed();

    // The answers, each taken once, in order.
    std::deque<TModalResult>
        boxAnswers;  // to questions, the boxes with OK and Cancel; a box with OK alone is OK
    std::deque<std::function<void(QDialog*)>> modalScripts;  // each drives one modal dialog while it is up
    std::deque<std::optional<int>> rowPicks;           // lookup lists: the record number (0-based), or none
    std::deque<std::optional<QStringList>> rowsPicks;  // multi-selection lists: the keys marked, or none
    std::deque<std::optional<FindRequest>> findAnswers;
    std::deque<QString> saveFileAnswers;  // an empty name gives up
    std::deque<std::optional<SignInAnswer>> signInAnswers;
    // Once signInAnswers is spent, a sign-in asked afresh (not one asked again after a refusal) is answered
    // with the login it offers and this password, when there is one; the report names the password by where
    // it came from (the host's "KPV_PASSWORD").
    QString signInPassword;
    QString signInPasswordSource;
    // Where a preview paints its pages, as PDF, as the preview window would draw them; empty: not painted.
    QString previewFile;

    // One line for each thing the user would have seen: a box and its answer, a lookup, a modal dialog.
    std::function<void(const QString&)> report;
    // While a box is up, before it is answered.
    std::function<void(const Message&)> boxShown;
    // A modal dialog no script drives runs modally between these two, driven from the event loop (the steps
    // of a session); without them it is closed at once, as its close box would.
    std::function<void(QDialog*)> modalShown;
    std::function<void(QDialog*)> modalHidden;

    // What was shown.
    QList<Message> messages;
    QStringList pickTitles;
    QList<SignInAsk> signInAsks;
    int modalShows = 0;
    int previews = 0;
    int printerSetups = 0;
    // The printer the last preview was handed, as a print from the preview would use it.
    QString previewPrinterFile;
    bool previewPrinterPdf = false;

    QStringList messageTexts() const;
    // Forgets what was shown; the answers still queued stay.
    void clear();

    TModalResult MessageBox(QWidget* parent, const QString& text, TMsgDlgType type,
                            TMsgDlgButtons buttons) override;
    void ShowModal(QDialog* dialog) override;
    std::optional<int> PickRow(QWidget* parent, const QString& title, data::TDataSource* source) override;
    bool PickRows(QWidget* parent, const QString& title, data::TDataSource* source, const QString& keyField,
                  QStringList& keys) override;
    std::optional<FindRequest> AskFind(QWidget* parent, data::TClientDataSet* dataSet) override;
    QString SaveFileName(QWidget* parent, const QString& title, const QString& suggested,
                         const QString& filter) override;
    bool PrinterSetup(QWidget* parent, QPrinter* printer) override;
    void PrintPreview(QWidget* parent, QPrinter* printer,
                      const std::function<void(QPrinter*)>& paint) override;
    std::optional<SignInAnswer> SignIn(const QString& server, const QString& login,
                                       const QString& problem) override;

  private:
    void tell(const QString& line) const;

    std::unique_ptr<Interaction> previous_;
};

}  // namespace kpv
