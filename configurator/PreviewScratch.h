// Where a preview lets the library do its work: a folder of its own under the system's temporary
// folder, holding copies of the configuration files and the Mondrel database. The operations run
// on the copies exactly as they would on the originals, which nobody touches. The copies hold what
// the originals' access lists may hide, and what they hold decides what the preview shows: the
// folder and everything made in it let in only Administrators, SYSTEM and the running user, from
// the moment each exists (given to each, not left to inheritance).
#pragma once

#include "CString.h"
#include "FileIdentity.h"
#include "Protection.h"
#include "UniqueHandle.h"

#include <windows.h>

#include <vector>

class CFileStore;

class CPreviewScratch {
public:
    CPreviewScratch() = default;
    CPreviewScratch(const CPreviewScratch&) = delete;
    CPreviewScratch& operator=(const CPreviewScratch&) = delete;
    // Everything made here is removed again.
    ~CPreviewScratch();

    // Makes the folder; false, with the system's error, when it cannot be made. The first copy
    // makes it when it is not made yet; a folder that could not be made is not tried again.
    bool Make();
    bool HasFolder() const { return !m_folder.IsEmpty(); }
    DWORD Error() const { return m_error; }

    // The copy to hand an operation in place of the store's file, made at its first use: a later
    // operation on the same file, by whatever name, works on the same copy, and so sees what the
    // earlier one did, as it would on the original. A missing file gives a path where there is
    // nothing; a file that other programs hold open is copied as far as they let it be read and
    // held as they hold it; the temporary name beside it is made as it stands beside the
    // original (held, read-only, or one this process may not replace). False, with the system's
    // error, when the copy cannot be made or written here: the operation would not meet that, so
    // the preview cannot say what it does. The store says how its operation opens the file and
    // the temporary name its writer makes beside it.
    bool CopyOf(const CFileStore& store, CString& copy);

    // The key (under HKEY_LOCAL_MACHINE) to hand the IIS operation in place of the virtual roots,
    // made at its first use: a volatile key of this process's, owned by Administrators, holding
    // the roots' values as the registry keeps them (names in their own letters, data byte for
    // byte) and letting Administrators and SYSTEM do to it what this process may do to the roots,
    // and no one else anything. Where there is no roots key, a key below the copy that is not
    // there either. False, with the system's error, when it cannot be made.
    bool RootsCopy(CString& key);

private:
    // How other programs hold a file open, as far as it decides who else may open it: the rights
    // they let others have and the rights they hold themselves, found by asking for each. A copy
    // held so meets every opening as the file does.
    struct Holding {
        static const DWORD kEveryShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
        DWORD access = 0;
        DWORD sharing = kEveryShare;
        bool Held() const { return access != 0 || sharing != kEveryShare; }
    };
    static Holding HoldingOf(const CString& path);
    // False, with the system's error, when the copy cannot be held so.
    bool HoldAsHeld(const CString& copy, const Holding& holding);
    // The copy's folder: one per original, so that a copy keeps its file name.
    CString NewFolder();
    void Remove(const CString& path);

    CNarrowSecurity m_narrow{CNarrowSecurity::AdministratorsAndMe, FILE_ALL_ACCESS, 0};
    CString m_folder;
    bool m_triedFolder = false;
    DWORD m_folderError = 0;
    DWORD m_error = 0;
    int m_folders = 0;
    struct Copy {
        CString original;
        CString copy;
        CString temporary; // the name the copy's writer makes beside it
        bool identified;
        FileIdentity identity;
    };
    std::vector<Copy> m_copies;
    std::vector<CFileHandle> m_holds; // copies held as another program holds their originals
    void DropRootsCopy();

    CString m_rootsCopy;
    CString m_rootsCopyHanded; // the copy, or a key below it where the roots key is not there
    CRegKey m_rootsCopyKey; // as made, with every right: to give it back and delete it
};
