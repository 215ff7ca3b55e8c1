#!/bin/sh
# Type-checks the Windows back end with the mingw-w64 cross compiler against
# the Qt headers: it cannot be built or run here, but it must at least parse.
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
qt=$(qmake -query QT_INSTALL_HEADERS 2>/dev/null || echo /usr/include/x86_64-linux-gnu/qt5)
cxx=${MINGW_CXX:-x86_64-w64-mingw32-g++-posix}
status=0
for source in "$here"/platform/*_win.cpp; do
    if "$cxx" -std=c++17 -fsyntax-only -Wall -Wextra -Wno-attributes -DUNICODE -D_UNICODE \
        -I"$here" -I"$qt" -I"$qt/QtCore" -I"$qt/QtGui" -I"$qt/QtWidgets" -I"$qt/QtNetwork" "$source"; then
        echo "wincheck: ok   $(basename "$source")"
    else
        echo "wincheck: FAIL $(basename "$source")"
        status=1
    fi
done
exit $status
