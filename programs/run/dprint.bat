#!/bin/sh
# Sends the composed text ticket (slip.prn in the current directory) to the
# parallel printer: /dev/lp0 when the port exists, else the printer queue
# $VARNOCK_LPT_PRINTER (default "lpt"). Raw mode, so the carriage returns
# and the double-width shift reach the printer as they are.
if [ ! -r slip.prn ]; then
    echo "dprint: slip.prn not found in $(pwd)" >&2
    exit 1
fi
if [ -z "$VARNOCK_LPT_PRINTER" ] && [ -w /dev/lp0 ]; then
    exec cat slip.prn > /dev/lp0
fi
queue="${VARNOCK_LPT_PRINTER:-lpt}"
if ! command -v lp >/dev/null 2>&1; then
    echo "dprint: no parallel port /dev/lp0 and no printing system (lp); the ticket was not printed" >&2
    exit 1
fi
# Queues exist only while the print service runs: without it lp and lpstat
# would say that there is no such printer.
case "$(LC_ALL=C lpstat -r 2>&1)" in
*"not running"*)
    echo "dprint: the print service (CUPS) is not running; the ticket was not printed" >&2
    exit 1
    ;;
esac
if ! lpstat -p "$queue" >/dev/null 2>&1; then
    echo "dprint: no parallel printer set up: no /dev/lp0 and no printer queue \"$queue\" (set VARNOCK_LPT_PRINTER); the ticket was not printed" >&2
    exit 1
fi
exec lp -s -o raw -d "$queue" slip.prn
