// The keys under HKEY_LOCAL_MACHINE that carry what decides a run's work from one run to the next
// (the installed-servers record, the stores configured): on NT 4.0 anyone may make or change keys
// under SOFTWARE, so a run trusts such a key only when Administrators or SYSTEM own it and no one
// else may change it, and makes its own with that protection.
#pragma once

#include "CString.h"

#include <windows.h>

#include <vector>

class CRunLog;

enum class KeyLife { Volatile, Lasting };

// Why an open key may not be trusted ("it lets others change it" ...); empty when it may. A key
// whose life is not `life` is not kept either. The handle needs READ_CONTROL, and
// KEY_CREATE_SUB_KEY to tell its life.
CString WhyKeyNotProtected(HKEY key, KeyLife life);

enum class KeyThere {
    Judged, // kept only when protected and of the given life; otherwise deleted and made again
    Kept    // left as it is: a reader judges it (KeysAreProtected) before it uses it
};
// Makes each key of `path` (a parent first, then its child) that is not there, protected and of
// the given life. A key that is there already is treated as `there` says; one deleted is said in
// the log. Only the keys of the path are ever deleted: a key holding another subkey, or a link,
// is not, and then nothing is made. False, said in the log, when a key cannot be made so.
bool MakeProtectedKeys(const std::vector<const char*>& path, KeyLife life, KeyThere there, CRunLog* log);

// Whether every key of `path` that is there is protected (their life is not asked); `why` says
// which is not, and how. A missing key is no reason: there is nothing in it to trust.
bool KeysAreProtected(const std::vector<const char*>& path, CString& why);
