#pragma once

#include "framework/framework_export.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QDialog;
class QPrinter;
class QWidget;

namespace kpv {

namespace data {
class TClientDataSet;
class TDataSource;
}  // namespace data

enum class TMsgDlgType { mtError, mtInformation, mtConfirmation, mtWarning };
enum class TMsgDlgButtons { mbOK, mbOKCancel };
// mrNone: the box was closed with the window's close button.
enum class TModalResult { mrNone, mrOk, mrCancel };

// What the find dialog asks for: a field and a text to look for in it.
struct FindRequest {
    QString fieldName;
    QString text;
};

// What the user gives to sign in to an application server.
struct SignInAnswer {
    QString login;
    QString password;
};

// The title of a message box of that type ("Erro", "Informação" ...).
QString MessageBoxTitle(TMsgDlgType type);

// The one seam through which screens talk to the user. Production shows Qt dialogs; tests install a
// scripted implementation that records what was shown and answers as told.
class KPV_FRAMEWORK_EXPORT Interaction {
  public:
    virtual ~Interaction() = default;

    virtual TModalResult MessageBox(QWidget* parent, const QString& text, TMsgDlgType type,
                                    TMsgDlgButtons buttons) = 0;
    // Shows a dialog modally and returns once it is hidden again.
    virtual void ShowModal(QDialog* dialog) = 0;
    // Lookup list: the record number (0-based) of the row picked, nothing when the user gave up.
    virtual std::optional<int> PickRow(QWidget* parent, const QString& title, data::TDataSource* source) = 0;
    // Multi-selection list: `keys` holds the keys marked so far and receives the keys marked now.
    // Returns false when the user gave up (keys untouched).
    virtual bool PickRows(QWidget* parent, const QString& title, data::TDataSource* source,
                          const QString& keyField, QStringList& keys) = 0;
    virtual std::optional<FindRequest> AskFind(QWidget* parent, data::TClientDataSet* dataSet) = 0;
    virtual QString SaveFileName(QWidget* parent, const QString& title, const QString& suggested,
                                 const QString& filter) = 0;
    virtual bool PrinterSetup(QWidget* parent, QPrinter* printer) = 0;
    // Shows a preview; `paint` renders the document onto the printer it is given.
    virtual void PrintPreview(QWidget* parent, QPrinter* printer,
                              const std::function<void(QPrinter*)>& paint) = 0;
    // Asks for the login and password to sign in to the application server at `server`, the login filled in
    // with `login`; `problem` says why the last attempt failed, empty the first time. Nothing when the user
    // gave up.
    virtual std::optional<SignInAnswer> SignIn(const QString& server, const QString& login,
                                               const QString& problem) = 0;

    static Interaction& Current();
    // Replaces the implementation in use; returns the previous one.
    static std::unique_ptr<Interaction> Install(std::unique_ptr<Interaction> interaction);
};

// The production implementation, showing real Qt dialogs.
std::unique_ptr<Interaction> MakeQtInteraction();

}  // namespace kpv
