#include "MondrelListing.h"

#include "LibraryLoading.h"
#include "MondrelBinding.h"
#include "RunLog.h"
#include "vpmondrel.h"

#include <cstdlib>

namespace {

struct Listing {
    std::vector<CString> lines;
    bool complete = true;
};

void __cdecl TakeMapping(void* context, const CString& form, const CString& source, const CString& target,
                         const CString& type)
{
    auto* listing = static_cast<Listing*>(context);
    // Called from the mapping library: nothing may be thrown back into it. A listing that lost a
    // line would show a mapping as deleted, so it is no listing at all.
    try {
        listing->lines.push_back(CString("form ") + CRunLog::Quoted(form) + ", source " + CRunLog::Quoted(source) +
                                 ", target " + CRunLog::Quoted(target) + ", type " + CRunLog::Quoted(type));
    } catch (...) {
        listing->complete = false;
    }
}

// The program folder on the search path for as long as it lives, as the bridge puts it there.
class CSearchPathWith {
public:
    explicit CSearchPathWith(const CString& folder)
    {
        const char* current = getenv("PATH");
        m_had = current != nullptr;
        m_saved = CString("PATH=") + (current ? current : "");
        _putenv(MakePathAssignment(current, folder));
    }
    ~CSearchPathWith() { _putenv(m_had ? m_saved : CString("PATH=")); }

private:
    bool m_had;
    CString m_saved;
};

} // namespace

bool ListMondrelMappings(const CString& databasePath, const CString& programDirectory, std::vector<CString>& lines)
{
    CSearchPathWith searchPath(programDirectory);
    // Bound as the configuring library binds it.
    CMondrelLibraries libraries(programDirectory);
    auto list = reinterpret_cast<ListMondrelMappingsProc>(
        reinterpret_cast<void*>(libraries.Export(kListMondrelMappingsPrimeName)));
    CString path(databasePath);
    Listing read;
    if (!list || list(path, TakeMapping, &read) != 0 || !read.complete)
        return false;
    lines.swap(read.lines);
    return true;
}
