// The ensure procedure shared by the four file-editing operations.
#pragma once

#include "ConfigVariant.h"

// 1: the template section was applied (whether or not the file changed), the file rewritten once
// when anything changed. -1: the file cannot be used (it cannot be read, is empty, or its first
// line is already a directive), the template file cannot be read, or the rewrite failed; the file
// is as it was then.
int EnsureConfigFileContainsVP(const ConfigFileVariant& variant, const CString& configPath, CString& installationPath);

// Takes out of the file every line that configuring with the same template put there (COwnLines),
// wherever it stands, in one rewrite; a file without such lines is not rewritten. 1 when nothing
// of ours is left; -1 when the file cannot be read or is empty, the template cannot be read, or
// the rewrite fails (the file is then as it was).
int EnsureConfigFileLacksVP(const ConfigFileVariant& variant, const CString& configPath, CString& installationPath);
