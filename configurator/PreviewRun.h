// A "/PREVIEW" run: the same discovery, the same operations and the same log as a real run, with
// nothing on the machine changed. The record is not written; the operations work on copies of
// the configuration files, the Mondrel database and the IIS roots' key.
#pragma once

#include "CString.h"
#include "PreviewScratch.h"
#include "ServerKind.h"

class CServerDiscovery;
class CRunLog;
struct ServerKindRow;

class CPreviewRun {
public:
    // discovery: what this run found, which a real run would have written to the record and read
    // back; null when the run did not discover and the record is only read.
    explicit CPreviewRun(const CServerDiscovery* discovery) : m_discovery(discovery) {}

    // The kind as a configuring run would read it from the record.
    int ReadServer(ServerKind kind, CString& firstFile, CString& secondFile) const;
    // Whether the kinds come from the record (the run did not discover).
    bool ReadsRecord() const { return m_discovery == nullptr; }

    // The store the server's operation is to work on in place of `path` (a configuration file or
    // the database, made as the kind's store is opened and with its temporary name as it stands
    // beside the original; for IIS the key of the roots' copy); false, said in the log, when
    // there is nowhere to work or no copy can be made.
    bool StoreInPlaceOf(const ServerKindRow& kind, const CString& path, CString& copy, CRunLog& log);

private:
    const CServerDiscovery* m_discovery;
    CPreviewScratch m_scratch;
    bool m_tried = false;
    bool m_made = false;
};
