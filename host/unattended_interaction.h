#pragma once

#include "framework/core/interaction.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>

namespace kpv::host {

// The user seam of a host nobody watches (a screenshot or a session script): every message is reported
// through `Report`, and questions take the answers queued beforehand. Without a queued answer a question
// is answered no and a lookup is given up, so nothing waits for a person and nothing is issued or
// cancelled by chance.
class UnattendedInteraction final : public Interaction {
  public:
    // Receives one line per thing the user would have seen: a message box, a lookup, a modal dialog.
    std::function<void(const QString&)> Report;
    // The password a sign-in is answered with (KPV_PASSWORD), once for each time the server asks; a sign-in
    // that failed, or without one, is given up.
    QString Password;
    // Raised when a modal dialog is shown and when it has been hidden again.
    std::function<void(QDialog*)> ModalShown;
    std::function<void(QDialog*)> ModalHidden;

    void QueueAnswer(TModalResult answer) { answers_.push_back(answer); }
    // A record number (0-based) of a lookup list, or nothing for giving it up.
    void QueuePick(std::optional<int> row) { picks_.push_back(row); }
    void QueueMarks(const QStringList& keys) { marks_.push_back(keys); }
    void QueueFileName(const QString& file) { fileNames_.push_back(file); }
    // The messages shown so far, oldest first, and whether each was an error box.
    const QStringList& Messages() const { return messages_; }
    const QList<bool>& MessageWasError() const { return errors_; }

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
    void report(const QString& line) const;

    std::deque<TModalResult> answers_;
    std::deque<std::optional<int>> picks_;
    std::deque<QStringList> marks_;
    std::deque<QString> fileNames_;
    QStringList messages_;
    QList<bool> errors_;
};

}  // namespace kpv::host
