#include "framework/core/context.h"

#include "settings/branch_code.h"
#include "settings/settings_file.h"

#include <QFileInfo>

#include <climits>

namespace kpv {

namespace {

QString branch(const settings::SettingsFile& file, const QString& key, const QString& fallback) {
    const QString group = QStringLiteral("context");
    if (!file.contains(group, key)) return fallback;
    const std::optional<QString> code = settings::BranchCode(file.text(group, key));
    if (!code) file.invalid(group, key, QStringLiteral("esperado o código da filial, de 1 a 4 dígitos"));
    return *code;
}

}  // namespace

ContextValues& Context() {
    static ContextValues values;
    return values;
}

ContextValues ReadContextValues(const settings::SettingsFile& file) {
    ContextValues v;
    const QString context = QStringLiteral("context");
    v.filiProc = branch(file, QStringLiteral("branch"), v.filiProc);
    v.filiProcFat = branch(file, QStringLiteral("billingBranch"), QString());
    v.moduFili = file.boolean(context, QStringLiteral("perBranchModule"), false);
    v.moduloAtiv = int(file.integer(context, QStringLiteral("activeModule"), 0, 0, INT_MAX));
    v.dataProc = file.date(context, QStringLiteral("processingDate"));
    // processingDate.0002=2026-11-30 gives branch 0002 a date of its own.
    const QString prefix = QStringLiteral("processingDate.");
    for (const QString& key : file.keys(context)) {
        if (!key.startsWith(prefix)) continue;
        const std::optional<QString> code = settings::BranchCode(key.mid(prefix.size()));
        if (!code)
            file.invalid(context, key,
                         QStringLiteral("a chave leva o código da filial, processingDate.0002"));
        const QDate date = file.date(context, key);
        if (!date.isValid()) file.invalid(context, key, QStringLiteral("esperada uma data AAAA-MM-DD"));
        v.dataProcByBranch.insert(*code, date);
    }

    const QString server = QStringLiteral("server");
    v.webUrl = file.text(server, QStringLiteral("host"), v.webUrl);
    if (v.webUrl.isEmpty())
        file.invalid(server, QStringLiteral("host"),
                     QStringLiteral("esperado o endereço do servidor de aplicação"));
    v.webPort = int(file.integer(server, QStringLiteral("port"), v.webPort, 1, 65535));
    v.webToken = file.text(server, QStringLiteral("token"));
    v.webUser = file.text(server, QStringLiteral("user"));
    v.webCaFile = file.path(server, QStringLiteral("caFile"));
    if (!v.webCaFile.isEmpty() && !QFileInfo(v.webCaFile).isReadable()) {
        file.invalid(
            server, QStringLiteral("caFile"),
            QStringLiteral("arquivo PEM não encontrado ou sem permissão de leitura: %1").arg(v.webCaFile));
    }
    v.webTls = file.boolean(server, QStringLiteral("tls"), !v.webCaFile.isEmpty());

    v.reportFolder = file.path(QStringLiteral("reports"), QStringLiteral("folder"));
    v.outputFolder = file.path(QStringLiteral("reports"), QStringLiteral("output"));
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
