#include "framework/ui/sign_in_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kpv::ui {

TSignInDialog::TSignInDialog(QWidget* parent, const QString& server, const QString& login,
                             const QString& problem)
    : QDialog(parent), login_(new QLineEdit(login, this)), password_(new QLineEdit(this)) {
    setObjectName(QStringLiteral("dlgEntrada"));
    setWindowTitle(QStringLiteral("Entrar no servidor de aplicação"));
    login_->setObjectName(QStringLiteral("edtUsuario"));
    password_->setObjectName(QStringLiteral("edtSenha"));
    password_->setEchoMode(QLineEdit::Password);

    auto* layout = new QVBoxLayout(this);
    auto* where = new QLabel(QStringLiteral("Servidor de aplicação em %1").arg(server), this);
    layout->addWidget(where);
    if (!problem.isEmpty()) {
        auto* said = new QLabel(problem, this);
        said->setObjectName(QStringLiteral("lblProblema"));
        said->setWordWrap(true);
        layout->addWidget(said);
    }
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Usuário:"), login_);
    form->addRow(QStringLiteral("Senha:"), password_);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Entrar"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancelar"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    (login.isEmpty() ? login_ : password_)->setFocus();
}

SignInAnswer TSignInDialog::Answer() const {
    return {login_->text().trimmed(), password_->text()};
}

}  // namespace kpv::ui
