#include "framework/core/context.h"

#include <QSettings>

namespace kpv {

ContextValues& Context() {
    static ContextValues values;
    return values;
}

ContextValues ReadContextValues(QSettings& settings) {
    ContextValues v;
    settings.beginGroup(QStringLiteral("context"));
    v.filiProc = settings.value(QStringLiteral("branch"), v.filiProc).toString();
    v.filiProcFat = settings.value(QStringLiteral("billingBranch")).toString();
    v.moduFili = settings.value(QStringLiteral("perBranchModule"), false).toBool();
    v.moduloAtiv = settings.value(QStringLiteral("activeModule"), 0).toInt();
    v.dataProc = QDate::fromString(settings.value(QStringLiteral("processingDate")).toString(), Qt::ISODate);
    // processingDate.0002=2026-11-30 gives branch 0002 a date of its own.
    const QString prefix = QStringLiteral("processingDate.");
    for (const QString& key : settings.childKeys()) {
        if (key.startsWith(prefix)) {
            v.dataProcByBranch.insert(key.mid(prefix.size()),
                                      QDate::fromString(settings.value(key).toString(), Qt::ISODate));
        }
    }
    settings.endGroup();

    settings.beginGroup(QStringLiteral("server"));
    v.webUrl = settings.value(QStringLiteral("host"), v.webUrl).toString();
    v.webPort = settings.value(QStringLiteral("port"), v.webPort).toInt();
    v.webToken = settings.value(QStringLiteral("token")).toString();
    v.webCaFile = settings.value(QStringLiteral("caFile")).toString().trimmed();
    v.webTls = settings.value(QStringLiteral("tls"), !v.webCaFile.isEmpty()).toBool();
    settings.endGroup();

    settings.beginGroup(QStringLiteral("reports"));
    v.reportFolder = settings.value(QStringLiteral("folder")).toString();
    v.outputFolder = settings.value(QStringLiteral("output")).toString();
    settings.endGroup();
    return v;
}

QString FiliProc() {
    return Context().filiProc;
}

QString FiliProcFat() {
    return Context().filiProcFat.isEmpty() ? Context().filiProc : Context().filiProcFat;
}

bool ModuFili() {
    return Context().moduFili;
}

QDate DataProc(const QString& branch) {
    const auto& c = Context();
    const QDate own = c.dataProcByBranch.value(branch);
    if (own.isValid()) return own;
    return c.dataProc.isValid() ? c.dataProc : QDate::currentDate();
}

int ModuloAtiv() {
    return Context().moduloAtiv & 0xFF;
}

QString WebURL() {
    return Context().webUrl;
}

int WebPort() {
    return Context().webPort;
}

}  // namespace kpv
