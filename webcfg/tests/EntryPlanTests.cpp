#include "EntryPlan.h"

#include <catch.hpp>

#include <sstream>
#include <string>
#include <vector>

namespace {

// What a store holds, in the terms the plan compares.
struct Held {
    CString key;
    CString target;
    CString kind;
};

// Each text "key|target|kind" made into a triple, nothing trimmed.
template <class Triple>
std::vector<Triple> Triples(const std::vector<std::string>& texts)
{
    std::vector<Triple> triples;
    for (const std::string& text : texts) {
        std::vector<CString> fields;
        std::istringstream in(text);
        for (std::string field; std::getline(in, field, '|');)
            fields.push_back(CString(field.c_str()));
        fields.resize(3);
        triples.push_back(Triple{fields[0], fields[1], fields[2]});
    }
    return triples;
}

std::string Describe(const std::vector<EntryStep<TemplateEntry, Held>>& steps,
                     const std::vector<TemplateEntry>& entries, const std::vector<Held>& held)
{
    std::ostringstream out;
    for (const auto& step : steps) {
        if (step.takeOut)
            out << "-" << step.takeOut - held.data();
        out << "+" << step.add - entries.data() << ";";
    }
    return out.str();
}

} // namespace

TEST_CASE("the plan adds each entry not held, after taking out the first held entry of its key")
{
    struct Case {
        const char* rule;
        std::vector<std::string> held;
        std::vector<std::string> entries;
        const char* expected; // "-held+entry;" per step, by index
    } cases[] = {
        {"nothing held: every entry is added, in template order", {}, {"/a|d|T", "/b|d|T"}, "+0;+1;"},
        {"an entry held but for letter case is present", {"/A|D|t"}, {"/a|d|T"}, ""},
        {"another target: the held entry goes, then the entry is added", {"/a|old|T"}, {"/a|d|T"}, "-0+0;"},
        {"another kind: the same", {"/a|d|X"}, {"/a|d|T"}, "-0+0;"},
        {"strings are compared untrimmed", {"/a|d |T"}, {"/a|d|T"}, "-0+0;"},
        {"each string with its own counterpart", {"/a|T|d"}, {"/a|d|T"}, "-0+0;"},
        {"only the key finds what goes", {"/x|d|T", "/y|d|T"}, {"/a|d|T"}, "+0;"},
        {"of several held entries of the key the first goes", {"/x|d|T", "/A|old|T", "/a|other|T"}, {"/a|d|T"},
         "-1+0;"},
        {"an equal entry anywhere makes it present", {"/a|old|T", "/A|D|T"}, {"/a|d|T"}, ""},
        {"what is held is read once: two entries of one key take out the same", {"/a|old|T"}, {"/a|d1|T", "/a|d2|T"},
         "-0+0;-0+1;"},
        {"an entry held stays held while another of its key is added", {"/a|d1|T"}, {"/a|d1|T", "/a|d2|T"}, "-0+1;"},
        {"a template line standing twice is added twice", {}, {"/a|d|T", "/a|d|T"}, "+0;+1;"},
    };
    for (const Case& c : cases) {
        SECTION(c.rule)
        {
            std::vector<Held> held = Triples<Held>(c.held);
            std::vector<TemplateEntry> entries = Triples<TemplateEntry>(c.entries);
            auto steps = PlanEntrySteps(entries, held, EqualNoCase(&Held::key, &Held::target, &Held::kind),
                                        SameKeyNoCase(&Held::key));
            CHECK(Describe(steps, entries, held) == c.expected);
        }
    }
}
