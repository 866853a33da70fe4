// The stores configuring added to, kept until the uninstall has taken back from each. The
// volatile record is gone after a restart, and discovery at uninstall may miss a server that it
// found at install (a second copy met first, a file held open, a registry entry changed): a store
// left configured keeps pointing into the folder the uninstall removes. So every configuring call
// is remembered, before it is made, in a lasting key only administrators may write, outside the
// record's key and outside the product's own key (whose first subkey another program reads).
#pragma once

#include "CString.h"
#include "ServerKind.h"

#include <vector>

class CRunLog;

struct ConfiguredStore {
    CString name; // the value that holds it
    int kind;
    CString file;          // the configuration file or database; empty for IIS
    CString programFolder; // Mondrel only
};

class CConfiguredStores {
public:
    static const char kKeyPath[];
    static const char kParentPath[];

    // Adds the store unless an entry names it already (the same store; its program folder is then
    // brought up to date); false, said in the log, when the key cannot be made safe or written.
    static bool Remember(int kind, const CString& file, const CString& programFolder, CRunLog* log);
    // Every entry, in the order of the key's values; none, said in the log, when the key may not
    // be trusted.
    static std::vector<ConfiguredStore> Read(CRunLog* log);
    static void Forget(const CString& name);

    // Whether two stores are one: IIS's roots, or one file by its volume and file index (by the
    // same text when either cannot be opened).
    static bool SameStore(int kind, const CString& file, int otherKind, const CString& otherFile);
};
