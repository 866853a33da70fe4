// IIS keeps one registry value per virtual root: name -> "directory,second field,access flags".
#pragma once

#include "TemplateSection.h"

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

struct VirtualRootChange {
    bool deleteFirst = false;
    CString deleteName; // the existing value to delete first, exactly as enumerated
    CString setName;    // the value to write, named as the template writes it
    CString data;
};

// For each template entry not already present (same name, directory and flags, ignoring case),
// the deletion of the first root of that name and the write of the entry.
std::vector<VirtualRootChange> PlanVirtualRootChanges(const std::vector<VirtualRoot>& snapshot,
                                                      const std::vector<TemplateEntry>& entries);

// Reads the roots in enumeration order, stopping at the first value that does not fit the
// buffers (names up to 199 characters, data up to 99 bytes) or at the end.
bool ReadVirtualRoots(std::vector<VirtualRoot>& snapshot);

int EnsureIisContainsVP(CString& installationPath);
