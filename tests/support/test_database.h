#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

// The invoices the server can issue an RPS for, as "FROM … WHERE …" for a SELECT of its own columns to go
// on with its conditions and order: not issued, not transmitted, their series with an RPS series (NF, S, R).
inline constexpr char kIssuableInvoices[] =
    " FROM NOTAFISCAL NF JOIN SERIENF S ON S.CDEMPRESA = NF.CDEMPRESA AND S.CDINSCESTA = NF.CDINSCESTA"
    " AND S.CDINSCMUNI = NF.CDINSCMUNI AND S.CDSERIE = NF.CDSERIE"
    " JOIN SERIERPS R ON R.CDEMPRESA = NF.CDEMPRESA AND R.CDINSCMUNI = NF.CDINSCMUNI"
    " AND R.CDSERIERPS = S.CDSERIERPS WHERE NF.IDEMISSAORPS = '1' AND NF.IDTRANSMISRPS = '1'";

// Where a test's application database lives, as the [database] group of kpv.ini names it. The
// factories name a database that does not exist yet: kpv-appserver or kpv-demodata creates it.
struct TestDatabase {
    QString engine;  // "sqlite" or "firebird"
    QString path;
    QString host;  // Firebird server; empty for the embedded engine
    int port = 0;
    QString user;
    QString password;

    static TestDatabase Sqlite(const QString& folder);
    static TestDatabase FirebirdEmbedded(const QString& folder);
    // On the run's Firebird server (CTest fixture firebird_server); invalid when it is not running.
    // `name` must be unique within the run; an older database of that name is removed.
    static TestDatabase FirebirdServer(const QString& name);

    bool isValid() const { return !engine.isEmpty(); }
    QString describe() const;
    // The [database] group of a kpv.ini for this database.
    QString iniGroup() const;
};

// The server the firebird_server fixture started, from <build>/firebird-test-server/connection.ini.
struct FirebirdServerInfo {
    QString host;
    int port = 0;
    QString user;
    QString password;
    QString databases;  // folder for the run's databases, on this machine
};
std::optional<FirebirdServerInfo> RunningFirebirdServer();

// Fills the database with kpv-demodata --replace (replacing what it held). False with the tool's output in
// `error`.
bool RunDemoData(const TestDatabase& database, int invoices, quint64 seed, const QDate& until,
                 QString* error);

// A program of the build, from KPV_BIN_DIR.
QString BuildProgram(const QString& name);
