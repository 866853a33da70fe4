// IIS keeps one registry value per virtual root: name -> "directory,second field,access flags".
#pragma once

#include "EntryPlan.h"
#include "TemplateSection.h"
#include "vpsetup.h"

#include <vector>

struct VirtualRoot {
    CString name;
    CString directory;
    CString flags;
};

// Splits value data (text up to its first zero byte) at commas: first field is the directory,
// third the flags; fields the text does not reach are empty, nothing is trimmed.
VirtualRoot ParseVirtualRoot(const CString& name, const char* data, int dataBytes);

// The value data this library writes for a root: directory + ",," + flags.
CString FormatVirtualRootData(const TemplateEntry& entry);

// A step writes the entry's value, named as the template writes it, after deleting the value it
// takes out, named exactly as enumerated.
using VirtualRootStep = EntryStep<TemplateEntry, VirtualRoot>;

// A root has its key in its name, and equals an entry whose directory and flags it has too, all
// ignoring case.
std::vector<VirtualRootStep> PlanVirtualRootSteps(const std::vector<VirtualRoot>& snapshot,
                                                  const std::vector<TemplateEntry>& entries);

// Whether the root is one that configuring with these entries puts there: it equals one of them as
// the plan compares. Taking back removes these roots, and no other.
bool IsOwnVirtualRoot(const VirtualRoot& root, const std::vector<TemplateEntry>& entries);

// Reads the roots in enumeration order as configuring does, stopping at the first value that does
// not fit its buffers (names up to 199 characters, data up to 99 bytes) or at the end. The roots
// are the values of the key (under HKEY_LOCAL_MACHINE): IIS's own, or a preview's copy of it.
bool ReadVirtualRoots(std::vector<VirtualRoot>& snapshot, const char* rootsKey = kVirtualRootsKey);

// Every root of the key, each read with room for what its value holds, for the take-back: a long
// root of the administrator's must not hide ours behind it. A value that cannot be read is
// skipped; its name goes to unreadNames where that much could be read, else it is counted in
// unnamed.
struct EveryVirtualRoot {
    std::vector<VirtualRoot> roots;
    std::vector<CString> unreadNames;
    int unnamed = 0;
    long unreadError = 0; // why the last of them could not be read
};
bool ReadEveryVirtualRoot(EveryVirtualRoot& read, const char* rootsKey = kVirtualRootsKey);

// The operation (takeBack false) or its twin on the roots of the key. Results as below.
int ChangeIisRoots(CString& installationPath, bool takeBack, const char* rootsKey);

int EnsureIisContainsVP(CString& installationPath);
// Deletes every root that IsOwnVirtualRoot names, under its name exactly as enumerated. 1 when
// none of ours is left; -1 when the key or the template cannot be read (nothing changes), or when
// a root of ours stays (its deletion failed, or a value of one of our names could not be read):
// the other roots of ours still go.
int EnsureIisLacksVP(CString& installationPath);
