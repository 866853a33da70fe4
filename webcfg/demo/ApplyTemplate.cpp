// vpapply: calls one operation of vpsetup.dll the way the configurator does, for the demo.
//   vpapply BRELL|SLS|HTTPD|NETSCAPE <configuration file> <installation path>
//   vpapply IIS <installation path>
#include "vpsetup.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: vpapply BRELL|SLS|HTTPD|NETSCAPE FILE INSTALLPATH | vpapply IIS INSTALLPATH\n");
        return 2;
    }
    CString kind(argv[1]);
    kind.MakeUpper();
    if (kind == CString("IIS")) {
        CString path(argv[2]);
        int result = EnsureMSIISContainsVP(path);
        std::printf("EnsureMSIISContainsVP -> %d (installation path now %s)\n", result, path.c_str());
        return 0;
    }
    if (argc < 4)
        return 2;
    CString file(argv[2]);
    CString path(argv[3]);
    struct {
        const char* kind;
        const char* name;
        int(__cdecl* operation)(CString&, CString&);
    } const operations[] = {
        {"BRELL", "EnsureBrellContainsVP", EnsureBrellContainsVP},
        {"SLS", "EnsureCorvaneSLSContainsVP", EnsureCorvaneSLSContainsVP},
        {"HTTPD", "EnsureCorvaneHTTPDContainsVP", EnsureCorvaneHTTPDContainsVP},
        {"NETSCAPE", "EnsureNETContainsVP", EnsureNETContainsVP},
    };
    for (const auto& op : operations) {
        if (kind == CString(op.kind)) {
            int result = op.operation(file, path);
            std::printf("%s -> %d (installation path now %s)\n", op.name, result, path.c_str());
            return 0;
        }
    }
    std::fprintf(stderr, "unknown kind %s\n", argv[1]);
    return 2;
}
