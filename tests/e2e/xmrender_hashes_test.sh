#!/usr/bin/env bash
# Every sample xmrender writes is fixed to the bit: the MD5 of the WAV it
# renders from each corpus module (8 seconds) and from the show's song (whole,
# and at two other rates) must equal the recorded ones in xmrender_hashes.txt,
# and so must the exit code (the broken modules are refused). The song's
# renders are checked again with the mixer's vector paths off (QORBT_SCALAR=1).
#   tests/e2e/xmrender_hashes_test.sh QORBT BUILD_DIR
set -u
build=$2
xmrender=$build/tools/programs/xmrender
corpus=${QORBT_XM_CORPUS:-$(dirname "$0")/../../../shared/xm-corpus}
expected="$(dirname "$0")/xmrender_hashes.txt"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

status=0 checked=0
while read -r name rate seconds code hash; do
    case $name in
        "#"*) continue ;;
        corpus/*) module=$corpus/${name#corpus/} ;;
        *) module=$build/assets/$name ;;
    esac
    if [ ! -f "$module" ]; then
        echo "skip: $module is missing"; continue
    fi
    length=()
    if [ "$seconds" != - ]; then length=(--seconds "$seconds"); fi
    variants=(QORBT_SCALAR=0)
    case $name in corpus/*) ;; *) variants+=(QORBT_SCALAR=1) ;; esac
    for variant in "${variants[@]}"; do
        rm -f "$work/out.wav"
        env "$variant" "$xmrender" "$module" "$work/out.wav" --rate "$rate" "${length[@]}" > /dev/null 2>&1
        actual_code=$?
        actual=none
        if [ -s "$work/out.wav" ]; then actual=$(md5sum < "$work/out.wav" | cut -c1-32); fi
        if [ "$actual_code" != "$code" ] || [ "$actual" != "$hash" ]; then
            echo "FAIL: $name at $rate Hz ($variant): exit $actual_code, $actual (recorded: exit $code, $hash)"
            status=1
        fi
        checked=$((checked + 1))
    done
done < "$expected"
if [ "$checked" -eq 0 ]; then echo "FAIL: nothing checked"; status=1; fi
echo "checked $checked renders"
exit $status
