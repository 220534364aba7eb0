#!/usr/bin/env bash
# Decodes the runs that tavo_net_tests saved as hex dumps in FOLDER with tshark, a decoder
# that owes nothing to ours, and checks the fields it shows and the lines on the channels.
set -u
export LC_ALL=C.UTF-8
folder=$1
fails=0
fail() { echo "FAIL $*"; fails=$((fails + 1)); }
decode() { # NAME PORT TSHARK-OPTIONS...: FOLDER/NAME.txt as tshark shows it
    text2pcap -q -F pcap -4 127.0.0.1,127.0.0.1 -u "40000,$2" "$folder/$1.txt" "$folder/$1.pcap" &>/dev/null &&
        tshark -r "$folder/$1.pcap" -V "${@:3}" 2>&1
}
check() { # NAME DECODED COUNT PATTERN...: each pattern on COUNT lines (`all`: every packet)
    local name=$1 text=$2 count=$3 pattern n
    [ "$count" = all ] && count=$(grep -c '^Frame [0-9]' <<<"$text")
    for pattern in "${@:4}"; do
        n=$(grep -cE -- "$pattern" <<<"$text")
        [ "$n" -eq "$count" ] || fail "$name: $n lines, not $count, match: $pattern"
    done
}
# Lines D0..D7 from the channels tshark lists on ROW (fields FIRST..FIRST+7, ON for a line
# that is on), each run of equal packets once: the test's rows 01 80 5A FF 09, then 0.
check_lines() { # NAME DECODED ROW FIRST ON
    local got
    got=$(grep -E -- "^ *$3" <<<"$2" | tr -d '|' | awk -v first="$4" -v on="$5" '{ s = "";
        for (i = first; i < first + 8; i++) s = s ($(i + 1) == on ? 1 : 0);
        if (s != last) printf "%s ", s; last = s }')
    [ "$got" = '10000000 00000001 01011010 11111111 10010000 00000000 ' ] || fail "$1: $got"
}

e131=$(decode net-e131 5568 --enable-heuristic acn -o acn.dmx_enable:TRUE)
check e131 "$e131" 3 'Stream Terminated: True'
check e131 "$e131" all 'Packet Identifier: ASC-E1.17' 'Protocol ID: Ratified DMX Protocol \(4\)' \
    'Vector: Streaming DMX \(2\)' 'Source: Автомат световых эффектов' \
    'PDU: Streaming DMX, Universe: 300, Priority: 100' 'Preview Data: False' \
    'DMP Vector: Set Property \(2\)' 'Count: 513'
check_lines e131 "$e131" '500-520:' 5 C8 # channel 505 = 200 (C8)

artnet=$(decode net-artnet 6454)
check artnet "$artnet" all 'OpCode: ArtDMX \(0x5000\)' 'ProtVer: 14' 'Universe: 4660' 'Length: 512'
check_lines artnet "$artnet" '0x001:' 1 FL # channel 1 = 255 (FL)

if [ "$fails" -eq 0 ]; then echo "1 passed, 0 failed"; else echo "0 passed, 1 failed"; fi
exit $((fails > 0))
