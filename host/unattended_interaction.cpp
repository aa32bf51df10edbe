#include "host/unattended_interaction.h"

#include <QDialog>

#include <cstdio>

namespace kpv::host {

namespace {

class UnattendedInteraction final : public Interaction {
public:
    TModalResult MessageBox(QWidget*, const QString& text, TMsgDlgType, TMsgDlgButtons buttons) override {
        std::fprintf(stderr, "kpv-host: %s\n", qPrintable(text));
        return buttons == TMsgDlgButtons::mbOK ? TModalResult::mrOk : TModalResult::mrCancel;
    }
    void ShowModal(QDialog* dialog) override { dialog->hide(); }
    std::optional<int> PickRow(QWidget*, const QString&, data::TDataSource*) override { return std::nullopt; }
    bool PickRows(QWidget*, const QString&, data::TDataSource*, const QString&, QStringList&) override {
        return false;
    }
    std::optional<FindRequest> AskFind(QWidget*, data::TClientDataSet*) override { return std::nullopt; }
    QString SaveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    bool PrinterSetup(QWidget*, QPrinter*) override { return false; }
    void PrintPreview(QWidget*, QPrinter*, const std::function<void(QPrinter*)>&) override {}
};

}  // namespace

std::unique_ptr<Interaction> MakeUnattendedInteraction() { return std::make_unique<UnattendedInteraction>(); }

}  // namespace kpv::host
