#include "framework/core/routines.h"

#include "framework/core/errors.h"
#include "framework/core/interaction.h"

#include <QApplication>

namespace kpv {

bool EmptyString(const QString& text) {
    return text.trimmed().isEmpty();
}

void MensErro(const QString& text, bool stop) {
    Interaction::Current().MessageBox(QApplication::activeWindow(), text, TMsgDlgType::mtError,
                                      TMsgDlgButtons::mbOK);
    if (stop) Abort();
}

QString Ajusta(const QString& code, int width) {
    const QString trimmed = code.trimmed();
    if (trimmed.size() >= width) return trimmed.right(width);
    return QString(width - trimmed.size(), u'0') + trimmed;
}

QDate PriDiaMes(const QDate& date) {
    return QDate(date.year(), date.month(), 1);
}

}  // namespace kpv
