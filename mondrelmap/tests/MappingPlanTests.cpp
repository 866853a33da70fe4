// The Mondrel plan without the database: which sources go and which mappings are created.
#include "MappingPlan.h"

#include <catch.hpp>

#include <sstream>
#include <string>
#include <vector>

namespace {

// "-source" for a deletion, "+source target type" for a creation.
std::string Describe(const std::vector<MappingStep>& steps)
{
    std::ostringstream out;
    for (const MappingStep& step : steps) {
        if (step.takeOut)
            out << "-" << step.takeOut->source.c_str() << ";";
        out << "+" << step.add->urlPattern.c_str() << " " << step.add->targetPath.c_str() << " "
            << step.add->directiveName.c_str() << ";";
    }
    return out.str();
}

} // namespace

TEST_CASE("a mapping is kept when equal but for case, and otherwise its source goes as first read")
{
    const std::vector<TemplateEntry> entries = {{"/lw", "C:\\P\\web", "Document"}, {"/lw-bin", "C:\\P\\web\\bin", "Program"}};
    struct Case {
        const char* rule;
        std::vector<DirMapping> existing;
        const char* expected;
    } cases[] = {
        {"an empty database gets every entry, in template order",
         {},
         "+/lw C:\\P\\web Document;+/lw-bin C:\\P\\web\\bin Program;"},
        {"source, target and type equal but for case",
         {{"/LW", "c:\\p\\WEB", "document"}, {"/lw-bin", "C:\\P\\web\\bin", "PROGRAM"}},
         ""},
        {"another target: the source goes spelled as the first mapping of it",
         {{"/lw-bin", "C:\\P\\web\\bin", "Program"}, {"/LW", "C:\\OLD", "Document"},
          {"/lw", "C:\\OTHER", "Document"}},
         "-/LW;+/lw C:\\P\\web Document;"},
        {"another type",
         {{"/lw", "C:\\P\\web", "Program"}, {"/lw-bin", "C:\\P\\web\\bin", "Program"}},
         "-/lw;+/lw C:\\P\\web Document;"},
        {"the target and type of another source make no mapping equal",
         {{"/lw-bin", "C:\\P\\web", "Document"}},
         "+/lw C:\\P\\web Document;-/lw-bin;+/lw-bin C:\\P\\web\\bin Program;"},
    };
    for (const Case& c : cases) {
        SECTION(c.rule) { CHECK(Describe(PlanMappingSteps(c.existing, entries)) == c.expected); }
    }
}
