#include "settings/known_keys_p.h"

#include <QLatin1String>

#include <initializer_list>

namespace kpv::settings {

namespace {

// Every group and key of kpv.ini, whichever program reads it: one file serves the host, the server and the
// tools, so a key one of them does not use is still no typing error.
struct Group {
    QLatin1String name;
    std::initializer_list<QLatin1String> keys;
    std::initializer_list<QLatin1String> prefixes;  // keys followed by a branch code or another qualifier
};

using L = QLatin1String;

const std::initializer_list<Group>& groups() {
    static const std::initializer_list<Group> table = {
        {L("host"), {L("package"), L("open")}, {}},
        {L("context"),
         {L("branch"), L("billingBranch"), L("perBranchModule"), L("activeModule"), L("processingDate")},
         {L("processingDate.")}},
        {L("server"),
         {L("host"), L("port"), L("token"), L("caFile"), L("tls"), L("maxBodyBytes"), L("readTimeoutMs"),
          L("idleTimeoutMs"), L("maxConnections"), L("workers"), L("deadlineMs"), L("tlsCert"), L("tlsKey"),
          L("acceptClearText"), L("sessionIdleMinutes"), L("user")},
         {}},
        {L("reports"), {L("folder"), L("output")}, {}},
        {L("database"),
         {L("engine"), L("path"), L("host"), L("port"), L("user"), L("password"), L("busyTimeoutMs")},
         {}},
        {L("nfse"),
         {L("environment"), L("signatureAlgorithm")},
         {L("certificate."), L("certificatePassword.")}},
    };
    return table;
}

const Group* find(const QString& name) {
    for (const Group& g : groups()) {
        if (name == g.name) return &g;
    }
    return nullptr;
}

}  // namespace

bool IsKnownGroup(const QString& group) {
    return find(group) != nullptr;
}

bool IsKnownKey(const QString& group, const QString& key) {
    const Group* g = find(group);
    if (!g) return false;
    for (const QLatin1String k : g->keys) {
        if (key == k) return true;
    }
    for (const QLatin1String prefix : g->prefixes) {
        if (key.size() > prefix.size() && key.startsWith(prefix)) return true;
    }
    return false;
}

}  // namespace kpv::settings
