// Everything the program knows of each kind of web server, one row per kind: discovery, the
// record, the configuring run, the log and the preview all read it here.
#pragma once

#include "CString.h"
#include "ServerKind.h"

struct RegistryProbe;

// What a kind's operations change, and so how it is looked at, logged and previewed.
enum class StoreKind { ConfigFile, VirtualRoots, Database };

struct ServerKindRow {
    ServerKind kind;
    const char* product;  // as the log names the server
    const char* fileName; // the name of the file it keeps its configuration in; none for IIS
    // The record's values: found, then the file (none for IIS) and the program folder (Mondrel).
    const char* foundValue;
    const char* fileValue;
    const char* programFolderValue;
    // The two operations as the library exports them, and a call of either: with takeBack the
    // twin, which takes out what the operation adds, with the same arguments.
    const char* containsName;
    const char* lacksName;
    int (*call)(bool takeBack, CString& file, CString& programFolder, CString& installationPath);
    // What the operations change (ServerStores.h: one class each).
    StoreKind store;
    // Discovery's row: what the log says it does, and the registry probe (null where the kind
    // has a probe of its own).
    const char* probeLine;
    const RegistryProbe* probe;
};

// The row of a kind; the kinds are numbered as the record numbers them.
const ServerKindRow& KindRow(ServerKind kind);

// The kinds in the order a configuring run takes them.
extern const ServerKind kConfigureOrder[ServerKindCount];
