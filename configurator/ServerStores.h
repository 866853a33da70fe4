// What each kind of web server keeps its configuration in, as the configuring run meets it: a
// configuration file, the IIS virtual roots or a Mondrel database. Each store knows its own: how
// it is looked at, the files its writer uses beside it, how its operation opens it, and how a
// preview makes a faithful copy of it for the operation to work on.
#pragma once

#include "CString.h"
#include "ServerKind.h"

#include <memory>
#include <vector>

class CPreviewScratch;
class CStoreSnapshot;

class CServerStore {
public:
    // The store of the kind that the record (or a remembered entry) names by its file (none for
    // IIS) and program folder (Mondrel only).
    static std::unique_ptr<CServerStore> Of(ServerKind kind, const CString& file, const CString& programFolder);
    virtual ~CServerStore() = default;

    ServerKind Kind() const { return m_kind; }
    // As the record names it, and as the operation is handed it (it may come back changed).
    const CString& File() const { return m_file; }
    const CString& ProgramFolder() const { return m_programFolder; }
    // How the log names it among the stores configured before.
    virtual CString Label() const = 0;
    // Whether it is still on the machine, so that there is anything to take back from.
    virtual bool IsThere() const = 0;
    // The files its operation opens or makes: the store's file and its writer's temporary name.
    virtual std::vector<CString> FilesInUse() const = 0;
    // Why its operation can do nothing here, for the log; empty when it can.
    virtual const char* WhyNotUsable() const { return ""; }

    // A look at it as it stands, taken.
    virtual std::unique_ptr<CStoreSnapshot> Look() const = 0;
    // The kind's operation on it, or with takeBack the twin; -1 leaves the system's error behind.
    virtual int Call(bool takeBack, CString& installationPath);
    // Its copy among the preview's, to hand the operation in its place; null, with what the log
    // says of it, when none can be made.
    virtual std::unique_ptr<CServerStore> CopyIn(CPreviewScratch& scratch, CString& whyNot) const = 0;

protected:
    CServerStore(ServerKind kind, const CString& file, const CString& programFolder)
        : m_kind(kind), m_file(file), m_programFolder(programFolder)
    {
    }

    ServerKind m_kind;
    CString m_file;
    CString m_programFolder;
};

// A store that is a file, rewritten by its writer through a temporary name beside it.
class CFileStore : public CServerStore {
public:
    CString Label() const override;
    bool IsThere() const override;
    std::vector<CString> FilesInUse() const override;
    std::unique_ptr<CServerStore> CopyIn(CPreviewScratch& scratch, CString& whyNot) const override;
    // How its operation lets other programs use the file while it reads it.
    unsigned long SharingWhileRead() const { return m_sharing; }
    // The name beside the file under which its writer makes the next content.
    CString TemporaryName(const CString& file) const { return file + m_temporarySuffix; }

protected:
    CFileStore(ServerKind kind, const CString& file, const CString& programFolder, unsigned long sharing,
               const char* temporarySuffix)
        : CServerStore(kind, file, programFolder), m_sharing(sharing), m_temporarySuffix(temporarySuffix)
    {
    }
    // The same store at another place: the preview's copy.
    virtual std::unique_ptr<CServerStore> At(const CString& file) const = 0;

private:
    unsigned long m_sharing;
    const char* m_temporarySuffix;
};

// A CERN-style rule file, an Apache-style or a Netscape configuration file: the library opens it
// for itself alone and rewrites it through the rewrite's temporary file.
class CConfigFileStore : public CFileStore {
public:
    CConfigFileStore(ServerKind kind, const CString& file);
    std::unique_ptr<CStoreSnapshot> Look() const override;

private:
    std::unique_ptr<CServerStore> At(const CString& file) const override;
};

// A Mondrel database: read by the server's client library, which lets others read it meanwhile
// and saves through a file of its own beside it; nothing is loaded from a program folder users
// may change.
class CMondrelDatabaseStore : public CFileStore {
public:
    CMondrelDatabaseStore(const CString& file, const CString& programFolder);
    const char* WhyNotUsable() const override;
    std::unique_ptr<CStoreSnapshot> Look() const override;

private:
    std::unique_ptr<CServerStore> At(const CString& file) const override;
};

// The IIS virtual roots, or a preview's copy of them: a key under HKEY_LOCAL_MACHINE.
class CVirtualRootsStore : public CServerStore {
public:
    // copyKey: empty for IIS's own roots.
    explicit CVirtualRootsStore(const CString& copyKey = CString()) : CServerStore(Iis, CString(), CString()), m_key(copyKey) {}
    CString Label() const override { return "virtual roots"; }
    bool IsThere() const override;
    std::vector<CString> FilesInUse() const override { return {}; }
    std::unique_ptr<CStoreSnapshot> Look() const override;
    int Call(bool takeBack, CString& installationPath) override;
    std::unique_ptr<CServerStore> CopyIn(CPreviewScratch& scratch, CString& whyNot) const override;

private:
    CString m_key;
};
