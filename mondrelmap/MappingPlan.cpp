#include "MappingPlan.h"

namespace {
const auto kMappingEqualsEntry = EqualNoCase(&DirMapping::source, &DirMapping::target, &DirMapping::type);
}

std::vector<MappingStep> PlanMappingSteps(const std::vector<DirMapping>& existing,
                                          const std::vector<TemplateEntry>& entries)
{
    return PlanEntrySteps(entries, existing, kMappingEqualsEntry, SameKeyNoCase(&DirMapping::source));
}

bool IsOwnMapping(const DirMapping& mapping, const std::vector<TemplateEntry>& entries)
{
    return EqualsAnyEntry(mapping, entries, kMappingEqualsEntry);
}
