#pragma once

#include "framework/core/interaction.h"

#include <QDialog>

class QLineEdit;

namespace kpv::ui {

// The small dialog that signs the user in to an application server: the login, filled in when known, the
// password, never shown, and after a failed attempt what the server said of it.
class TSignInDialog : public QDialog {
    Q_OBJECT

  public:
    TSignInDialog(QWidget* parent, const QString& server, const QString& login, const QString& problem);

    SignInAnswer Answer() const;

  private:
    QLineEdit* login_;
    QLineEdit* password_;
};

}  // namespace kpv::ui
