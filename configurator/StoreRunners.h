// What drives the stores in a configuring run: a real run works on the stores the record names
// and remembers them for the uninstall; a "/PREVIEW" run works on faithful copies of them, with
// nothing on the machine changed, and says per store why it could not when no copy can be made.
// Both say the same in the log: the call, what it returned and what it changed.
#pragma once

#include "CString.h"
#include "PreviewScratch.h"
#include "ServerKind.h"

#include <memory>

class CRunLog;
class CServerDiscovery;
class CServerStore;
struct ConfiguredStore;

// How one store's turn went, for the stores the uninstall remembers.
enum class Turn { NotCalled, Failed, Done };

class CStoreRunner {
public:
    explicit CStoreRunner(CRunLog* log) : m_log(log) {}
    virtual ~CStoreRunner() = default;
    CStoreRunner(const CStoreRunner&) = delete;
    CStoreRunner& operator=(const CStoreRunner&) = delete;

    // Why the kinds may not be configured from where this run reads them; empty when they may.
    virtual CString WhyKindsNotTrusted() = 0;
    // The kind's store as this run reads it; null when the kind is not marked as found.
    virtual std::unique_ptr<CServerStore> StoreOf(ServerKind kind) const = 0;
    // The kind's operation on the store, or with takeBack its twin, said in the log with what it
    // changed. The result is not examined beyond the turn, so that one server's failure does not
    // keep the next from its turn.
    Turn Run(CServerStore& store, bool takeBack, CString& installationPath);
    // A store configured before, once it has been taken back from or is gone.
    virtual void Forget(const ConfiguredStore& store) = 0;

protected:
    // The store to hand the operation in place of `store`; null, said in the log, when there is none.
    virtual CServerStore* WorkOn(CServerStore& store) = 0;
    // Before a configuring call, so that a run killed in the middle of it is remembered too.
    virtual void Remember(const CServerStore& store) = 0;
    // Whether the call only shows: without a log it has nothing to show, and is not made.
    virtual bool OnlyShows() const = 0;

    CRunLog* m_log;
};

class CRealRunner final : public CStoreRunner {
public:
    using CStoreRunner::CStoreRunner;
    CString WhyKindsNotTrusted() override;
    std::unique_ptr<CServerStore> StoreOf(ServerKind kind) const override;
    void Forget(const ConfiguredStore& store) override;

private:
    CServerStore* WorkOn(CServerStore& store) override { return &store; }
    void Remember(const CServerStore& store) override;
    bool OnlyShows() const override { return false; }
};

class CPreviewRunner final : public CStoreRunner {
public:
    // discovery: what this run found, which a real run would have written to the record and read
    // back; null when the run did not discover and the record is only read.
    CPreviewRunner(const CServerDiscovery* discovery, CRunLog* log) : CStoreRunner(log), m_discovery(discovery) {}
    CString WhyKindsNotTrusted() override;
    std::unique_ptr<CServerStore> StoreOf(ServerKind kind) const override;
    void Forget(const ConfiguredStore&) override {}

private:
    CServerStore* WorkOn(CServerStore& store) override;
    void Remember(const CServerStore&) override {}
    bool OnlyShows() const override { return true; }

    const CServerDiscovery* m_discovery;
    CPreviewScratch m_scratch;
    std::unique_ptr<CServerStore> m_copy; // the store the operation works on
};
