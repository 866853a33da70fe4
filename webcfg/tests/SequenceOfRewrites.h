// Configuring as it was done while each edit of the plan rewrote the whole file in turn: kept
// for the tests and the benchmark, to hold the one rewrite of a call against it.
#pragma once

#include "ConfigVariant.h"

// One rewrite each; 0, or -1 when the rewrite fails (the file is as it was then).
int RemoveDirectiveLines(const CString& configPath, const CString& urlPattern);
int InsertDirectiveLine(const CString& configPath, const CString& line, int insertionPoint);

// The ensure procedure with a rewrite of the file for every edit, a failed one skipped; results
// as the operations give them.
int EnsureBySequenceOfRewrites(const ConfigFileVariant& variant, const CString& configPath, CString& installationPath);
