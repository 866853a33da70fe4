#include "MappingPlan.h"

std::vector<MappingStep> PlanMappingSteps(const std::vector<DirMapping>& existing,
                                          const std::vector<TemplateEntry>& entries)
{
    return PlanEntrySteps(entries, existing, EqualNoCase(&DirMapping::source, &DirMapping::target, &DirMapping::type),
                          SameKeyNoCase(&DirMapping::source));
}
