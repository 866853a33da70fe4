# Sourced by the demo and the benchmark: makes the sample machine, a fresh Wine prefix with
# Pellan Brell, Corvane Skylane, Corvane HTTPD, Netscape Enterprise and IIS installed (registry
# entries and configuration files), a Pellan Mondrel server on a second fixed drive, and the
# product folder C:\LINKWELL with the template. Needs the rig (scripts/wine-rig.sh) with its
# display started and the modules built in $bin.
#
# make_sample_machine MACHINE-FOLDER starts the machine's wineserver and sets:
#   c, d       the Linux folders of drives C: and D:
#   roots      the registry key of the IIS virtual roots
#   database   the Mondrel configuration database, as Windows names it
#   configs    the four configuration files, relative to C:
# and the helpers reg (Wine's reg, output without CR) and pvdb (the Mondrel database tool).

reg() { "$WINE_LOADER" reg "$@" </dev/null 2>/dev/null | tr -d '\r'; }
pvdb() { "$WINE_LOADER" "$bin/mondrel-program/pvdb.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }

make_sample_machine() {
    local machine=$1 samples="$RIG_ROOT/samples" host
    rm -rf "$machine"
    rig_start_wine "$machine/prefix"
    rig_map_drives "d:hd:$machine/drive-d"
    c="$WINEPREFIX/drive_c"
    d="$machine/drive-d"
    host=$("$WINE_LOADER" cmd /c echo %COMPUTERNAME% </dev/null 2>/dev/null | tr -d '\r')

    mkdir -p "$c/LINKWELL" "$c/BRELL" "$c/SKYLANE" "$c/CORVANE/HTTPD/conf" \
        "$c/Netscape/SuiteSpot/https-$host/config" "$d/PELLAN/MONDREL/DATA"
    cp "$samples/vpsetup.ini" "$c/LINKWELL/"
    cp "$samples/brell/HTTPD.CNF" "$c/BRELL/HTTPD.CNF"
    cp "$samples/skylane/HTTPD.CNF" "$c/SKYLANE/HTTPD.CNF"
    cp "$samples/corvane-httpd/HTTPD.CONF" "$c/CORVANE/HTTPD/conf/HTTPD.CONF"
    cp "$samples/netscape/OBJ.CONF" "$c/Netscape/SuiteSpot/https-$host/config/OBJ.CONF"
    configs=(BRELL/HTTPD.CNF SKYLANE/HTTPD.CNF CORVANE/HTTPD/conf/HTTPD.CONF "Netscape/SuiteSpot/https-$host/config/OBJ.CONF")

    # The Mondrel server: its program folder holds the client library, found only through PATH.
    cp "$bin/mondrel-program/VSERVER.EXE" "$bin/mondrel-program/pvapi411.dll" "$d/PELLAN/MONDREL/"
    database='D:\PELLAN\MONDREL\DATA\MONCFG.VSF'
    pvdb create "$database"
    pvdb add "$database" Form=DirMap RM_MapFrom=/docs 'RM_MapTo=D:\PELLAN\MONDREL\DOCS' RM_MapType=Document
    pvdb add "$database" Form=DirMap RM_MapFrom=/linkwell 'RM_MapTo=C:\OLDPROD\webadmin' RM_MapType=Document

    local setsz
    setsz() { reg add "$1" /v "$2" /t REG_SZ /d "$3" /f >/dev/null; }
    setsz 'HKLM\SOFTWARE\Pellan\Brell Webserver\1.0' ETCpath 'C:\BRELL\'
    setsz 'HKLM\SOFTWARE\Corvane\Skylane Server\4.0' ETCpath 'C:\SKYLANE'
    setsz 'HKLM\SOFTWARE\Corvane\HTTP Server\1.3' ServerRoot 'C:\CORVANE\HTTPD'
    setsz 'HKLM\SOFTWARE\Netscape\Enterprise\3.0' RootPath 'C:\Netscape\SuiteSpot'
    setsz 'HKLM\SOFTWARE\Microsoft\Inetsrv\CurrentVersion' Description 'Microsoft Internet Information Server 2.0'
    roots='HKLM\SYSTEM\CurrentControlSet\Services\W3SVC\Parameters\Virtual Roots'
    setsz "$roots" '/' 'C:\InetPub\wwwroot,,1'
    setsz "$roots" '/LINKWELL' 'C:\OLDPROD\webadmin,,1'
}
