// The decisions of the ensure procedure: for each template entry, whether the file already has
// it, which old lines go, and which line is inserted. All are taken from the one scan made
// before any change, so an edit made for one entry is not seen by the next.
#pragma once

#include "ConfigVariant.h"

#include <vector>

struct ConfigEdit {
    enum Kind { RemoveLinesMentioning, InsertLine } kind;
    CString text; // the URL pattern to remove, or the line to insert
};

// The directives and lines that the plan for these entries can look at; a scan that keeps only
// these gives the same plan as one that keeps everything.
ScanInterest InterestOf(const ConfigFileVariant& variant, const std::vector<TemplateEntry>& entries);

// A directive has its key in its URL pattern, and equals an entry whose target path and name it has
// too, all ignoring case; where a line that already stands counts as present, such an entry is
// present whatever the scan found. A directive taken out goes with every line that mentions its
// URL pattern.
std::vector<ConfigEdit> PlanConfigEdits(const ConfigFileVariant& variant, const DirectiveScan& scan,
                                        const std::vector<TemplateEntry>& entries);
