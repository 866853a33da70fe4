#pragma once

// The six kinds of web server, numbered as the installed-servers record numbers them.
enum ServerKind {
    Mondrel = 0,
    Brell = 1,
    Skylane = 2,
    Iis = 3,
    CorvaneHttpd = 4,
    Netscape = 5,
    ServerKindCount = 6
};
