#pragma once

#include "framework/framework_export.h"

#include <QObject>
#include <QStringList>

namespace kpv {

// Message catalogue of a screen: lines of a key, a bar and a text.
class KPV_FRAMEWORK_EXPORT TMessages : public QObject {
    Q_OBJECT
  public:
    explicit TMessages(QObject* owner, const QString& name = QStringLiteral("msgPadrao"));

    QStringList Messages;

    // The text after the first bar of the line whose key is `key`; empty when there is none.
    QString Msg(const QString& key) const;
};

}  // namespace kpv
