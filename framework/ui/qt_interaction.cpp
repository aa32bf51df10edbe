#include "framework/core/interaction.h"
#include "framework/data/dialogs.h"
#include "framework/ui/sign_in_dialog.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <exception>

namespace kpv {

namespace {

class QtInteraction final : public Interaction {
  public:
    TModalResult MessageBox(QWidget* parent, const QString& text, TMsgDlgType type,
                            TMsgDlgButtons buttons) override {
        QMessageBox box(parent);
        box.setWindowTitle(MessageBoxTitle(type));
        box.setText(text);
        box.setIcon(iconOf(type));
        if (buttons == TMsgDlgButtons::mbOKCancel) {
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Ok);
        } else {
            box.setStandardButtons(QMessageBox::Ok);
        }
        box.setEscapeButton(nullptr);  // the close box must be told apart from Cancel
        box.exec();
        QAbstractButton* clicked = box.clickedButton();
        if (!clicked) return TModalResult::mrNone;
        return box.standardButton(clicked) == QMessageBox::Ok ? TModalResult::mrOk : TModalResult::mrCancel;
    }

    void ShowModal(QDialog* dialog) override { dialog->exec(); }

    std::optional<int> PickRow(QWidget* parent, const QString& title, data::TDataSource* source) override {
        return data::ShowLookupDialog(parent, title, source);
    }

    bool PickRows(QWidget* parent, const QString& title, data::TDataSource* source, const QString& keyField,
                  QStringList& keys) override {
        return data::ShowMultiSelectDialog(parent, title, source, keyField, keys);
    }

    std::optional<FindRequest> AskFind(QWidget* parent, data::TClientDataSet* dataSet) override {
        return data::ShowFindDialog(parent, dataSet);
    }

    QString SaveFileName(QWidget* parent, const QString& title, const QString& suggested,
                         const QString& filter) override {
        return QFileDialog::getSaveFileName(parent, title, suggested, filter);
    }

    bool PrinterSetup(QWidget* parent, QPrinter* printer) override {
        QPrintDialog dialog(printer, parent);
        return dialog.exec() == QDialog::Accepted;
    }

    void PrintPreview(QWidget* parent, QPrinter* printer,
                      const std::function<void(QPrinter*)>& paint) override {
        QPrintPreviewDialog dialog(printer, parent);
        // Qt never sees an exception: a failed painting closes the preview, and its error travels on from
        // here once the dialog's event loop has ended.
        std::exception_ptr failure;
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter* p) {
            if (failure) return;
            try {
                paint(p);
            } catch (...) {
                failure = std::current_exception();
                QMetaObject::invokeMethod(&dialog, &QDialog::reject, Qt::QueuedConnection);
            }
        });
        dialog.exec();
        if (failure) std::rethrow_exception(failure);
    }

    std::optional<SignInAnswer> SignIn(const QString& server, const QString& login,
                                       const QString& problem) override {
        ui::TSignInDialog dialog(QApplication::activeWindow(), server, login, problem);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return dialog.Answer();
    }

  private:
    static QMessageBox::Icon iconOf(TMsgDlgType type) {
        switch (type) {
            case TMsgDlgType::mtError:
                return QMessageBox::Critical;
            case TMsgDlgType::mtInformation:
                return QMessageBox::Information;
            case TMsgDlgType::mtConfirmation:
                return QMessageBox::Question;
            case TMsgDlgType::mtWarning:
                return QMessageBox::Warning;
        }
        return QMessageBox::NoIcon;
    }
};

}  // namespace

std::unique_ptr<Interaction> MakeQtInteraction() {
    return std::make_unique<QtInteraction>();
}

}  // namespace kpv
