// What the Mondrel mapping library decides, apart from the database: which mappings go and which
// are created to bring the "DirMap" documents in line with the template.
#pragma once

#include "EntryPlan.h"
#include "TemplateSection.h"

#include <vector>

// A directory mapping: a URL path (source) mapped to a folder (target) with a type, the three
// values of a "DirMap" document.
struct DirMapping {
    CString source;
    CString target;
    CString type;
};

// A step creates the entry's mapping, after deleting every mapping spelled exactly like the source
// of the one it takes out.
using MappingStep = EntryStep<TemplateEntry, DirMapping>;

// A mapping has its key in its source, and equals an entry whose target and type it has too, all
// ignoring case.
std::vector<MappingStep> PlanMappingSteps(const std::vector<DirMapping>& existing,
                                          const std::vector<TemplateEntry>& entries);

// Whether the mapping is one that configuring with these entries creates: it equals one of them as
// the plan compares. Taking back deletes these mappings, and no other.
bool IsOwnMapping(const DirMapping& mapping, const std::vector<TemplateEntry>& entries);
