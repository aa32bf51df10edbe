#pragma once

#include "framework/core/messages.h"
#include "framework/framework_export.h"
#include "framework/report/report_definition.h"
#include "framework/report/report_designer.h"
#include "framework/report/report_params.h"
#include "framework/report/report_query.h"
#include "framework/ui/button_flat.h"
#include "framework/ui/containers.h"
#include "framework/ui/controls.h"
#include "framework/ui/form.h"

#include <memory>

class QMenu;
class QPrinter;

namespace kpv::ui {

class TPrintBatch;

// The report-generating base screen: a strip with the screen and report codes and the command buttons,
// and a data group whose top strip chooses the report. FormCreate lists the reports defined for the
// screen's report code (lblCodRel) in the report folder of the configuration. Print, preview and save-as
// run the report chosen in cbbReportNames; the screen fills the report query's parameters through
// rpddPadrao. On a machine without a printer, prints become PDF files in the configured output folder,
// told in a box after each print, or once for a whole TPrintBatch.
class KPV_FRAMEWORK_EXPORT TfrmDadosGerRel : public TForm {
    Q_OBJECT
  public:
    explicit TfrmDadosGerRel(QWidget* owner);
    ~TfrmDadosGerRel() override;

    void FormCreate(QObject* Sender) override;
    void FormClose(QObject* Sender, TCloseAction& Action) override;

    virtual void sbtPrintClick(QObject* Sender);
    virtual void sbtPreviewClick(QObject* Sender);
    virtual void sbtSalvarComoClick(QObject* Sender);
    virtual void sbtConfigImprClick(QObject* Sender);
    virtual void sbtCancelClick(QObject* Sender);

    TLabel* lblCodTela;
    TGroupBox* grbDadosRel;
    TPanel* panRelat;
    TBevel* bvlSeparator;
    TLabel* lblRelatorio;
    TComboBox* cbbReportNames;
    TPanel* panMenu;
    TLabel* lblCodRel;
    TPanel* panBotoes;
    TButtonFlat* sbtPrint;
    TButtonFlat* sbtPreview;
    TButtonFlat* sbtSalvarComo;
    TButtonFlat* sbtConfigImpr;
    TButtonFlat* sbtCancel;
    TPanel* panHelp;
    TMessages* msgPadrao;
    TMessages* msgMensagens;
    QMenu* ppmEditReport;
    report::TReportDesignerDialog* rpddPadrao;

    // The reports listed in cbbReportNames, in the same order.
    const QList<report::TReportDefinition>& Reports() const { return reports_; }
    // Ends the event with MensErro when no report is chosen, telling why: the definition file missing or
    // invalid, as at creation.
    void CheckReportChosen() const;

  private:
    friend class TPrintBatch;

    QString reportFileError() const;
    const report::TReportDefinition& chosenReport() const;
    QPrinter& printer();
    // The PDF file a print goes to on a machine without a printer, in the configured output folder
    // (report::ReportOutputFile): raises kpv::Error without a folder, and makes the folder.
    QString printFileFor(const report::TReportDefinition& report, const report::TOpenedReport& opened) const;
    void tellFilesWritten(const QStringList& files);

    QList<report::TReportDefinition> reports_;
    QString reportsError_;  // why FormCreate listed no report
    std::unique_ptr<QPrinter> printer_;
    TPrintBatch* printBatch_ = nullptr;
};

}  // namespace kpv::ui
