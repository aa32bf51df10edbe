#include "host/main_window.h"

#include "framework/core/dispatch.h"
#include "framework/ui/form.h"
#include "host/menu_merger.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

namespace kpv::host {

MainWindow::MainWindow() : mdiArea_(new QMdiArea(this)) {
    setObjectName(QStringLiteral("frmPrincipal"));
    setWindowTitle(QStringLiteral("Sistema de Gestão Empresarial"));
    mdiArea_->setObjectName(QStringLiteral("mdiPrincipal"));
    mdiArea_->setBackground(QColor(96, 112, 136));
    setCentralWidget(mdiArea_);
    merger_ = new MenuMerger(menuBar());

    auto* file = new QMenu(QStringLiteral("&Arquivo"), this);
    file->menuAction()->setObjectName(QStringLiteral("mnuArquivo"));
    QAction* open = file->addAction(QStringLiteral("&Emissão de RPS"));
    open->setObjectName(QStringLiteral("mnuEmissaoRPS"));
    connect(open, &QAction::triggered, this, [this] {
        if (openScreen_) Dispatch(openScreen_);
    });
    file->addSeparator();
    QAction* quit = file->addAction(QStringLiteral("Sai&r"));
    quit->setObjectName(QStringLiteral("mnuSair"));
    connect(quit, &QAction::triggered, this, &QWidget::close);
    merger_->AddHostMenu(file, 0);

    auto* windows = new QMenu(QStringLiteral("&Janela"), this);
    windows->menuAction()->setObjectName(QStringLiteral("mnuJanela"));
    connect(windows->addAction(QStringLiteral("&Cascata")), &QAction::triggered, mdiArea_,
            &QMdiArea::cascadeSubWindows);
    connect(windows->addAction(QStringLiteral("&Lado a lado")), &QAction::triggered, mdiArea_,
            &QMdiArea::tileSubWindows);
    merger_->AddHostMenu(windows, 9);

    connect(mdiArea_, &QMdiArea::subWindowActivated, this, &MainWindow::onSubWindowActivated);
    statusBar()->showMessage(QStringLiteral("Pronto"));
}

void MainWindow::SetOpenScreen(std::function<void()> open) {
    openScreen_ = std::move(open);
}

void MainWindow::onSubWindowActivated(QMdiSubWindow* window) {
    auto* form = window ? qobject_cast<ui::TForm*>(window->widget()) : nullptr;
    merger_->Merge(form ? form->Menu() : nullptr);
}

}  // namespace kpv::host
