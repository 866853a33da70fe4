#include "ServerKinds.h"

#include "ServerDiscovery.h"
#include "vpmondrel.h"
#include "vpsetup.h"

namespace {

const ServerKindRow kRows[ServerKindCount] = {
    {Mondrel, "Pellan Mondrel", "MONCFG.VSF", "Pellan Mondrel", "Pellan Mondrel Config File", "Pellan Mondrel NVelda DLL File",
     "EnsureMondrelContainsVP", "EnsureMondrelLacksVP",
     [](bool takeBack, CString& file, CString& folder, CString& path) {
         return takeBack ? EnsureMondrelLacksVP(file, path, folder) : EnsureMondrelContainsVP(file, path, folder);
     },
     StoreKind::Database, "probe Pellan Mondrel: a breadth-first search of the fixed drives for VSERVER.EXE, then MONCFG.VSF",
     nullptr},
    {Brell, "Pellan Brell", "HTTPD.CNF", "Pellan Brell", "Pellan Brell Config File", nullptr, "EnsureBrellContainsVP",
     "EnsureBrellLacksVP",
     [](bool takeBack, CString& file, CString&, CString& path) {
         return takeBack ? EnsureBrellLacksVP(file, path) : EnsureBrellContainsVP(file, path);
     },
     StoreKind::ConfigFile, "probe Pellan Brell: its registry entries, then HTTPD.CNF in the folder they name",
     &kBrellProbe},
    {Skylane, "Corvane Skylane Server", "HTTPD.CNF", "Corvane SLS", "Corvane SLS Config File", nullptr,
     "EnsureCorvaneSLSContainsVP", "EnsureCorvaneSLSLacksVP",
     [](bool takeBack, CString& file, CString&, CString& path) {
         return takeBack ? EnsureCorvaneSLSLacksVP(file, path) : EnsureCorvaneSLSContainsVP(file, path);
     },
     StoreKind::ConfigFile, "probe Corvane Skylane Server: its registry entries, then HTTPD.CNF in the folder they name",
     &kSkylaneProbe},
    {Iis, "Microsoft IIS", nullptr, "Microsoft IIS", nullptr, nullptr, "EnsureMSIISContainsVP", "EnsureMSIISLacksVP",
     [](bool takeBack, CString&, CString&, CString& path) {
         return takeBack ? EnsureMSIISLacksVP(path) : EnsureMSIISContainsVP(path);
     },
     StoreKind::VirtualRoots, "probe Microsoft IIS: its registry entries", nullptr},
    {CorvaneHttpd, "Corvane HTTPD", "HTTPD.CONF", "Corvane HTTPD", "Corvane HTTPD Config File", nullptr,
     "EnsureCorvaneHTTPDContainsVP", "EnsureCorvaneHTTPDLacksVP",
     [](bool takeBack, CString& file, CString&, CString& path) {
         return takeBack ? EnsureCorvaneHTTPDLacksVP(file, path) : EnsureCorvaneHTTPDContainsVP(file, path);
     },
     StoreKind::ConfigFile, "probe Corvane HTTPD: its registry entries, then conf\\HTTPD.CONF below the folder they name",
     &kCorvaneHttpdProbe},
    {Netscape, "Netscape Enterprise", "OBJ.CONF", "NETSCAPE", "NETSCAPE Config File", nullptr, "EnsureNETContainsVP",
     "EnsureNETLacksVP",
     [](bool takeBack, CString& file, CString&, CString& path) {
         return takeBack ? EnsureNETLacksVP(file, path) : EnsureNETContainsVP(file, path);
     },
     StoreKind::ConfigFile,
     "probe Netscape Enterprise: its registry entries, then https-<computer name>\\config\\OBJ.CONF below the folder they name",
     &kNetscapeProbe},
};

} // namespace

const ServerKindRow& KindRow(ServerKind kind)
{
    return kRows[kind];
}

const ServerKind kConfigureOrder[ServerKindCount] = {Skylane, Mondrel, Brell, Iis, CorvaneHttpd, Netscape};
