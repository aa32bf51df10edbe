#pragma once

#include "framework/core/interaction.h"

#include <QList>
#include <QTemporaryDir>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

// Stands in for the user in tests: records every box and dialog and answers as the test told it.
class ScriptedInteraction : public kpv::Interaction {
  public:
    struct Message {
        QString text;
        kpv::TMsgDlgType type;
        kpv::TMsgDlgButtons buttons;
    };

    // Installs itself for the lifetime of the object and puts the previous implementation back after.
    ScriptedInteraction();
    ~ScriptedInteraction() override;
    static ScriptedInteraction& installed();

    // Answers, taken in order; when a queue is empty: OK, give up, cancel.
    std::deque<kpv::TModalResult> boxAnswers;
    std::deque<std::function<void(QDialog*)>> modalScripts;  // runs while the dialog is up
    std::deque<std::optional<int>> rowPicks;
    std::deque<std::optional<QStringList>> rowsPicks;
    std::deque<std::optional<kpv::FindRequest>> findAnswers;
    QString saveFileAnswer;
    bool printerSetupAnswer = true;
    std::deque<std::optional<kpv::SignInAnswer>> signInAnswers;  // empty: gives up

    // What was shown.
    QList<Message> messages;
    QStringList pickTitles;
    struct SignInAsk {
        QString server;
        QString login;
        QString problem;
    };
    QList<SignInAsk> signInAsks;
    int modalShows = 0;
    int previews = 0;
    // The printer the last preview was handed, as a print from the preview would use it: its output file
    // and whether it writes PDF. The preview itself paints its pages into previewPages(), never onto it.
    QString previewPrinterFile;
    bool previewPrinterPdf = false;
    QString previewPages() const;

    QStringList messageTexts() const;
    void clear();

    kpv::TModalResult MessageBox(QWidget* parent, const QString& text, kpv::TMsgDlgType type,
                                 kpv::TMsgDlgButtons buttons) override;
    void ShowModal(QDialog* dialog) override;
    std::optional<int> PickRow(QWidget* parent, const QString& title,
                               kpv::data::TDataSource* source) override;
    bool PickRows(QWidget* parent, const QString& title, kpv::data::TDataSource* source,
                  const QString& keyField, QStringList& keys) override;
    std::optional<kpv::FindRequest> AskFind(QWidget* parent, kpv::data::TClientDataSet* dataSet) override;
    QString SaveFileName(QWidget* parent, const QString& title, const QString& suggested,
                         const QString& filter) override;
    bool PrinterSetup(QWidget* parent, QPrinter* printer) override;
    void PrintPreview(QWidget* parent, QPrinter* printer,
                      const std::function<void(QPrinter*)>& paint) override;
    std::optional<kpv::SignInAnswer> SignIn(const QString& server, const QString& login,
                                            const QString& problem) override;

  private:
    std::unique_ptr<kpv::Interaction> previous_;
    QTemporaryDir scratch_;
};
