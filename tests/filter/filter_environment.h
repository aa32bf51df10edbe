#pragma once

// What the filter dialog's confirmation tests run against: a fresh SQLite application database with the
// filter tests' rows, the real kpv-appserver over it, reached through a relay that writes down every call,
// and the emission screen inside an MDI area.
#include "appserver_process.h"
#include "filter/frm_filtro_emissao_rps.h"
#include "recording_relay.h"
#include "screen_fixture.h"

#include <functional>
#include <memory>

namespace filtertest {

using DialogScript = std::function<void(Cli_kpv41100::TfrmFiltroEmissaoRPS*)>;

class FilterEnvironment : public ScreenFixture {
  public:
    // In initTestCase: database, server and relay, the context pointing at the relay. False with the reason
    // in `error`.
    bool startServices(QString* error);
    // The same, and the emission screen created in an MDI area of the environment's own.
    bool start(QString* error);
    // In init: the context the dialog's defaults come from, no dialog yet, company 01 on the emission
    // screen (when there is one) with its lists empty and its list closed, nothing shown or relayed so far.
    void reset();
    // In cleanupTestCase.
    void stop();

    // Shows the dialog through its entry, runs the script while it is up and returns the entry's answer.
    // A dialog the script leaves open is closed with the window's close box.
    bool show(const DialogScript& script);

    // Points the emission screen's connection at another port of 127.0.0.1 (0: back to the relay).
    void connectTo(int port);

    RecordingRelay& relay() { return *relay_; }
    AppServerProcess& server() { return *server_; }

  private:
    std::unique_ptr<AppServerProcess> server_;
    std::unique_ptr<RecordingRelay> relay_;
};

// The invoice entries (NRLANCTONF) the emission screen lists, in list order.
QStringList ListedEntries();

// A port of 127.0.0.1 nobody listens on.
int DeadPort();

}  // namespace filtertest
