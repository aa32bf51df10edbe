#pragma once

#include "db/database_settings.h"
#include "test_database.h"

// The same database as kpvdb opens it, for tests that also read or prepare it in-process (link kpvdb).
inline kpv::db::DatabaseSettings SettingsOf(const TestDatabase& d) {
    kpv::db::DatabaseSettings s;
    s.engine = kpv::db::EngineFromName(d.engine);
    s.path = d.path;
    s.host = d.host;
    s.port = d.port;
    s.user = d.user;
    s.password = d.password;
    return s;
}
