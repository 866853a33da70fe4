// The decision each store makes to bring itself in line with the template (the lines of a
// configuration file, the IIS virtual roots, the Mondrel mappings): for each template entry in
// turn, nothing when an entry the store holds equals it; otherwise the first held entry with the
// same key is taken out, then the entry is added. The held entries are the store as read once
// before any change, so a step taken for one entry is not seen by the next. What counts as equal
// and as the same key, how an entry is taken out and in what order the effects come are the
// store's own.
#pragma once

#include "TemplateSection.h"

#include <vector>

template <class Entry, class Held>
struct EntryStep {
    const Entry* add;    // the template entry to add
    const Held* takeOut; // the held entry to take out first, or null
};

template <class Entry, class Held, class Matches>
const Held* FirstMatching(const Entry& entry, const std::vector<Held>& held, Matches matches)
{
    for (const Held& candidate : held) {
        if (matches(entry, candidate))
            return &candidate;
    }
    return nullptr;
}

// Whether the held entry equals one of the template's: what taking back what configuring added
// removes, and nothing else.
template <class Entry, class Held, class Equal>
bool EqualsAnyEntry(const Held& held, const std::vector<Entry>& entries, Equal equal)
{
    for (const Entry& entry : entries) {
        if (equal(entry, held))
            return true;
    }
    return false;
}

// equal(entry, held) and sameKey(entry, held) say how a template entry compares with a held one.
// The steps point into both lists.
template <class Entry, class Held, class Equal, class SameKey>
std::vector<EntryStep<Entry, Held>> PlanEntrySteps(const std::vector<Entry>& entries, const std::vector<Held>& held,
                                                   Equal equal, SameKey sameKey)
{
    std::vector<EntryStep<Entry, Held>> steps;
    for (const Entry& entry : entries) {
        if (!FirstMatching(entry, held, equal))
            steps.push_back({&entry, FirstMatching(entry, held, sameKey)});
    }
    return steps;
}

// The comparisons the stores make, for a held entry whose strings stand for a template entry's:
// its key for the URL pattern, its target for the target path and its kind for the directive
// name, each ignoring case, nothing trimmed.
template <class Held>
auto SameKeyNoCase(CString Held::*key)
{
    return [key](const TemplateEntry& entry, const Held& held) { return (held.*key).EqualsNoCase(entry.urlPattern); };
}

template <class Held>
auto EqualNoCase(CString Held::*key, CString Held::*target, CString Held::*kind)
{
    return [key, target, kind](const TemplateEntry& entry, const Held& held) {
        return (held.*key).EqualsNoCase(entry.urlPattern) && (held.*target).EqualsNoCase(entry.targetPath) &&
               (held.*kind).EqualsNoCase(entry.directiveName);
    };
}
