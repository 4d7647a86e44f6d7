#!/bin/sh
# Sends the composed text ticket (slip.prn in the current directory) to the
# USB printer: $VARNOCK_USB_PRINTER, or the default printer. Raw mode, so
# the carriage returns and the double-width shift reach the printer as they
# are.
if [ ! -r slip.prn ]; then
    echo "uprint: slip.prn not found in $(pwd)" >&2
    exit 1
fi
if ! command -v lp >/dev/null 2>&1; then
    echo "uprint: no printing system (lp) is installed; the ticket was not printed" >&2
    exit 1
fi
# Queues exist only while the print service runs: without it lp and lpstat
# would say that there is no such printer.
case "$(LC_ALL=C lpstat -r 2>&1)" in
*"not running"*)
    echo "uprint: the print service (CUPS) is not running; the ticket was not printed" >&2
    exit 1
    ;;
esac
if [ -n "$VARNOCK_USB_PRINTER" ]; then
    exec lp -s -o raw -d "$VARNOCK_USB_PRINTER" slip.prn
fi
if ! lpstat -d 2>/dev/null | grep -q ':'; then
    echo "uprint: no USB printer set up: set VARNOCK_USB_PRINTER or a default printer; the ticket was not printed" >&2
    exit 1
fi
exec lp -s -o raw slip.prn
