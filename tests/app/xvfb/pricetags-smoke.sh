#!/bin/sh
# Starts the program in a fresh folder under a real X server (or offscreen
# with "offscreen" as the second argument), lets it close itself, and
# checks what a first start leaves behind.
set -eu
PROGRAM="$1"
MODE="${2:-xvfb}"
DIR="$(mktemp -d)"
trap 'rm -rf "$DIR"' EXIT
cd "$DIR"
export PRICETAGS_QUIT_AFTER_MS=1500
if [ "$MODE" = offscreen ]; then
    QT_QPA_PLATFORM=offscreen "$PROGRAM"
else
    command -v xvfb-run >/dev/null || exit 77
    unset QT_QPA_PLATFORM
    xvfb-run -a "$PROGRAM"
fi
[ -d TXT ] || { echo "no TXT folder"; exit 1; }
for F in Ticket1.dcr Ticket2.dcr Ticket3.dcr Report.dcr Articles.fl; do
    [ -s "TXT/$F" ] || { echo "no shipped TXT/$F"; exit 1; }
done
grep -q '^\[Configuration\]' pricetags.ini || { echo "no [Configuration]"; exit 1; }
grep -q '^\[FormMainPosition\]' pricetags.ini || { echo "no window placement"; exit 1; }
grep -q '^\[MarkupList\]' pricetags.ini || { echo "no named markups"; exit 1; }
[ -f LastInvoice.inv ] || { echo "no invoice state"; exit 1; }
echo "first start ok"
