#!/bin/sh
# Runs a program of the Windows build under wine:  wine_run.sh PREFIX PROGRAM [ARGUMENT...]
# PREFIX is the build's own wine prefix, never the user's ~/.wine; wine's own diagnostics are off,
# so that the console holds what the program wrote and nothing else, and a new prefix gets no menu
# entries on the desktop and asks for no downloads. Wine keeps a Windows file name on the host in
# the host's character set: a UTF-8 one holds every name the tests write, whatever the locale the
# run was started in (in the C locale, a name with a character beyond ASCII cannot be made).
prefix=$1
shift
case $prefix in /*) ;; *) prefix=$PWD/$prefix ;; esac  # wine takes no other
WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" LC_ALL=C.UTF-8
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES LC_ALL
if command -v wine >/dev/null 2>&1; then exec wine "$@"; fi
exec wine64 "$@"
