#include "ServerStores.h"

#include "MondrelBinding.h"
#include "PreviewScratch.h"
#include "RegistryKey.h"
#include "RunLog.h"
#include "ServerKinds.h"
#include "StoreChanges.h"
#include "vpmondrel.h"
#include "vpsetup.h"

#include <windows.h>

std::unique_ptr<CServerStore> CServerStore::Of(ServerKind kind, const CString& file, const CString& programFolder)
{
    switch (KindRow(kind).store) {
    case StoreKind::VirtualRoots: return std::unique_ptr<CServerStore>(new CVirtualRootsStore());
    case StoreKind::Database: return std::unique_ptr<CServerStore>(new CMondrelDatabaseStore(file, programFolder));
    default: return std::unique_ptr<CServerStore>(new CConfigFileStore(kind, file));
    }
}

int CServerStore::Call(bool takeBack, CString& installationPath)
{
    return KindRow(m_kind).call(takeBack, m_file, m_programFolder, installationPath);
}

CString CFileStore::Label() const
{
    return CRunLog::Quoted(m_file);
}

bool CFileStore::IsThere() const
{
    if (GetFileAttributesA(m_file) != INVALID_FILE_ATTRIBUTES)
        return true;
    const DWORD error = GetLastError();
    return !m_file.IsEmpty() && error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

std::vector<CString> CFileStore::FilesInUse() const
{
    if (m_file.IsEmpty())
        return {};
    return {m_file, TemporaryName(m_file)};
}

std::unique_ptr<CServerStore> CFileStore::CopyIn(CPreviewScratch& scratch, CString& whyNot) const
{
    CString copy;
    if (scratch.CopyOf(*this, copy))
        return At(copy);
    whyNot = (scratch.HasFolder() ? CString("no copy of ") + CRunLog::Quoted(m_file) + " could be made"
                                  : CString("no folder for the copies could be made")) +
             " in the temporary folder (error " + CRunLog::Number(static_cast<long>(scratch.Error())) + ")";
    return nullptr;
}

CConfigFileStore::CConfigFileStore(ServerKind kind, const CString& file)
    : CFileStore(kind, file, CString(), 0, kRewriteSuffix)
{
}

std::unique_ptr<CStoreSnapshot> CConfigFileStore::Look() const
{
    std::unique_ptr<CStoreSnapshot> look(new CFileSnapshot(m_file));
    look->Take();
    return look;
}

std::unique_ptr<CServerStore> CConfigFileStore::At(const CString& file) const
{
    return std::unique_ptr<CServerStore>(new CConfigFileStore(m_kind, file));
}

// The client library lets others read the database while it reads it.
CMondrelDatabaseStore::CMondrelDatabaseStore(const CString& file, const CString& programFolder)
    : CFileStore(Mondrel, file, programFolder, FILE_SHARE_READ, kDatabaseSaveSuffix)
{
}

const char* CMondrelDatabaseStore::WhyNotUsable() const
{
    return WhyMondrelProgramFolderNotTrusted(m_programFolder);
}

std::unique_ptr<CStoreSnapshot> CMondrelDatabaseStore::Look() const
{
    std::unique_ptr<CStoreSnapshot> look(new CDatabaseSnapshot(m_file, m_programFolder));
    look->Take();
    return look;
}

std::unique_ptr<CServerStore> CMondrelDatabaseStore::At(const CString& file) const
{
    return std::unique_ptr<CServerStore>(new CMondrelDatabaseStore(file, m_programFolder));
}

bool CVirtualRootsStore::IsThere() const
{
    CKey roots;
    return roots.Open(HKEY_LOCAL_MACHINE, m_key.IsEmpty() ? CString(kVirtualRootsKey) : m_key, KEY_READ) !=
           ERROR_FILE_NOT_FOUND;
}

std::unique_ptr<CStoreSnapshot> CVirtualRootsStore::Look() const
{
    std::unique_ptr<CStoreSnapshot> look(new CRootsSnapshot(m_key));
    look->Take();
    return look;
}

int CVirtualRootsStore::Call(bool takeBack, CString& installationPath)
{
    // A copy is handed to the library by its key, through the preview's own export.
    return m_key.IsEmpty() ? CServerStore::Call(takeBack, installationPath)
                           : PreviewMSIISOnKey(m_key, takeBack ? 1 : 0, installationPath);
}

std::unique_ptr<CServerStore> CVirtualRootsStore::CopyIn(CPreviewScratch& scratch, CString& whyNot) const
{
    CString key;
    if (scratch.RootsCopy(key))
        return std::unique_ptr<CServerStore>(new CVirtualRootsStore(key));
    whyNot = CString("no copy of the virtual roots could be made in the registry (error ") +
             CRunLog::Number(static_cast<long>(scratch.Error())) + ")";
    return nullptr;
}
