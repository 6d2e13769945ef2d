#!/bin/sh
# Checks that every translatable text of the program is in every catalog
# under resources/Language/ (except en.po, which only gives the window-title
# keys their English titles). Texts are the literals marked with _(),
# wxGetTranslation(), wxTRANSLATE() or N_() anywhere under src/, plus the window
# title keys, which are looked up by name.
# Prints the missing texts per catalog and exits 1 when any is missing.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM

titles="CMainFrame CAboutDlg CBlockSetDlg CCombineDlg CSlotDefineDlg CExtractFrameDlg CHalfCutDlg CPlotSetDlg"

find "$root/src" \( -name '*.cpp' -o -name '*.h' \) | LC_ALL=C sort > "$work/sources"
xgettext --from-code=UTF-8 --language=C++ -k_ -kN_ -kwxGetTranslation -kwxTRANSLATE \
    --omit-header -f "$work/sources" -o "$work/code.pot"
[ -f "$work/code.pot" ] || : > "$work/code.pot"
for key in $titles; do
    printf 'msgid "%s"\nmsgstr ""\n\n' "$key" >> "$work/code.pot"
done
msguniq -o "$work/keys.pot" "$work/code.pot"

# One msgid per line, in the catalog's own escaped spelling. A text with a
# line break is written over several quoted lines even with --no-wrap; they
# are joined back into one.
msgids() {
    msgcat --no-wrap --no-location "$1" 2>/dev/null | awk '
        /^msgid "/ { inid = 1; s = substr($0, 8); sub(/"$/, "", s); next }
        inid && /^"/ { t = substr($0, 2); sub(/"$/, "", t); s = s t; next }
        { if (inid && s != "") print s; inid = 0 }
        END { if (inid && s != "") print s }' | LC_ALL=C sort -u
}
msgids "$work/keys.pot" > "$work/keys"

status=0
count=0
for po in "$root"/resources/Language/*.po; do
    [ -e "$po" ] || continue
    lang=$(basename "$po" .po)
    if [ "$lang" = en ]; then
        printf '%s\n' $titles | LC_ALL=C sort > "$work/want"
    else
        cp "$work/keys" "$work/want"
    fi
    if ! msgfmt --check-format -o /dev/null "$po"; then
        echo "$lang.po: does not compile" >&2
        status=1
        continue
    fi
    # Untranslated entries count as missing.
    msgattrib --no-wrap --translated --no-obsolete "$po" -o "$work/translated.po" 2>/dev/null || : > "$work/translated.po"
    msgids "$work/translated.po" > "$work/have"
    LC_ALL=C comm -23 "$work/want" "$work/have" > "$work/missing"
    if [ -s "$work/missing" ]; then
        echo "$lang.po lacks $(wc -l < "$work/missing") text(s):" >&2
        sed 's/^/  "/; s/$/"/' "$work/missing" >&2
        status=1
    fi
    count=$((count + 1))
done
if [ "$count" -eq 0 ]; then
    echo "no catalogs found under resources/Language" >&2
    exit 1
fi
[ "$status" -eq 0 ] && echo "catalogs: all $(wc -l < "$work/keys") texts present in $count catalog(s)"
exit "$status"
