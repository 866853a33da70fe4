// The decisions of the ensure procedure: for each template entry, whether the file already has
// it, which old lines go, and which line is inserted. All are taken from the one scan made
// before any change, so an edit made for one entry is not seen by the next.
#pragma once

#include "ConfigVariant.h"

#include <vector>

// 1-based position of the first directive equal to the entry in all three strings, or 0.
int FindDirective(const TemplateEntry& entry, const std::vector<DirectiveEntry>& directives);
// 1-based position of the first directive with the same URL pattern, or 0.
int FindUrlPattern(const CString& urlPattern, const std::vector<DirectiveEntry>& directives);

struct ConfigEdit {
    enum Kind { RemoveLinesMentioning, InsertLine } kind;
    CString text; // the URL pattern to remove, or the line to insert
};

// The directives and lines that the plan for these entries can look at; a scan that keeps only
// these gives the same plan as one that keeps everything.
ScanInterest InterestOf(const ConfigFileVariant& variant, const std::vector<TemplateEntry>& entries);

std::vector<ConfigEdit> PlanConfigEdits(const ConfigFileVariant& variant, const DirectiveScan& scan,
                                        const std::vector<TemplateEntry>& entries);
