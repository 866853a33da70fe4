#include "LeadBytes.h"

#include <windows.h>

// Filled on first use rather than when the module loads: strings may be compared while the
// module's other objects are still being built. The code page does not change while it runs.
const CLeadBytes& CLeadBytes::Ansi()
{
    static CLeadBytes leads;
    if (!leads.m_read)
        leads.Read();
    return leads;
}

void CLeadBytes::Read()
{
    for (int byte = 0; byte < 256; ++byte) {
        m_lead[byte] = IsDBCSLeadByte(static_cast<BYTE>(byte)) != FALSE;
        m_any = m_any || m_lead[byte];
        m_asciiAlone = m_asciiAlone && !(m_lead[byte] && byte < 0x80);
    }
    m_read = true;
}
