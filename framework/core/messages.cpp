#include "framework/core/messages.h"

namespace kpv {

TMessages::TMessages(QObject* owner, const QString& name) : QObject(owner) {
    setObjectName(name);
}

QString TMessages::Msg(const QString& key) const {
    for (const QString& line : Messages) {
        const qsizetype bar = line.indexOf(u'|');
        if (bar >= 0 && QStringView(line).left(bar) == key) return line.mid(bar + 1);
    }
    return {};
}

}  // namespace kpv
