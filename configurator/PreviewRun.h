// A "/PREVIEW" run: the same discovery, the same operations and the same log as a real run, with
// nothing on the machine changed. The record is not written; the operations work on copies of
// the configuration files and the Mondrel database, and the IIS roots are planned, not written.
#pragma once

#include "CString.h"
#include "PreviewScratch.h"
#include "ServerKind.h"

class CServerDiscovery;
class CRunLog;

class CPreviewRun {
public:
    // discovery: what this run found, which a real run would have written to the record and read
    // back; null when the run did not discover and the record is only read.
    explicit CPreviewRun(const CServerDiscovery* discovery) : m_discovery(discovery) {}

    // The kind as a configuring run would read it from the record.
    int ReadServer(ServerKind kind, CString& firstFile, CString& secondFile) const;
    // Whether the kinds come from the record (the run did not discover).
    bool ReadsRecord() const { return m_discovery == nullptr; }

    // The file the server's operation is to work on in place of `path` (a configuration file or
    // the database); false, said in the log, when there is nowhere to work or no copy can be made.
    // `sharing`: what the operation allows others while it reads the store.
    bool StoreInPlaceOf(const char* server, const CString& path, DWORD sharing, CString& copy, CRunLog& log);

private:
    const CServerDiscovery* m_discovery;
    CPreviewScratch m_scratch;
    bool m_tried = false;
    bool m_made = false;
};
