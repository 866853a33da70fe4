// The configurator's application object: its initialisation is the whole run.
#pragma once

#include "Application.h"
#include "Switches.h"

class CRunLog;
class CServerDiscovery;

class CConfiguratorApp : public CApplication {
public:
    bool m_bDiscover = false;
    bool m_bSelect = false;
    bool m_bConfigure = false;
    bool m_bUnconfigure = false;

    // Switches, discovery, the dialog or the record, configuration; always false, so that the
    // program ends without a message loop.
    bool InitInstance() override;

private:
    // The log, when there is one, says what each step saw and did.
    void ShowSelection(const CServerDiscovery& discovery, CRunLog* log);
    static void WriteRecord(const CServerDiscovery& discovery, CRunLog* log);
    // Each recorded kind's operation in the configure order: the one that adds the product's
    // mappings, or with takeBack the one that takes them out again.
    static void ConfigureRecordedServers(CString& installationPath, bool takeBack, CRunLog* log);
};
