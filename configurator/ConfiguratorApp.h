// The configurator's application object: its initialisation is the whole run.
#pragma once

#include "Application.h"
#include "Switches.h"

class CRunLog;
class CServerDiscovery;
class CStoreRunner;

class CConfiguratorApp : public CApplication {
public:
    bool m_bDiscover = false;
    bool m_bSelect = false;
    bool m_bConfigure = false;
    bool m_bUnconfigure = false;
    bool m_bPreview = false;

    // Switches, discovery, the dialog or the record, configuration; always false, so that the
    // program ends without a message loop.
    bool InitInstance() override;

private:
    // The log, when there is one, says what each step saw and did.
    void ShowSelection(const CServerDiscovery& discovery, CRunLog* log);
    // A preview only says what it would write.
    static void WriteRecord(const CServerDiscovery& discovery, bool preview, CRunLog* log);
    // Each recorded kind's operation in the configure order: the one that adds the product's
    // mappings, or with takeBack the one that takes them out again, on the stores as the runner
    // has them worked on (a preview's runner where they change nothing; it always has a log).
    static void ConfigureRecordedServers(CString& installationPath, bool takeBack, CStoreRunner& runner, CRunLog* log);
};
