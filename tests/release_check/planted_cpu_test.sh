#!/bin/bash
# check-release --file on a program built for the Pentium Pro fails, naming
# the file, the address and the instruction: for the compiler's cmov, and for
# each planted instruction that the 80386 and 80387 lack; and for nothing
# else (the planted 386 and 387 instructions pass).
#   planted_cpu_test.sh CHECK_RELEASE PLANTED_EXE
set -u
check=$1 planted=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
[ -f "$planted" ] || fail "$planted is missing (build the win32 preset)"
out=$("$check" --file "$planted" 2>&1) && fail "check-release passed the planted program: $out"
# The planted newer instructions, as objdump names them.
newer="fcmovb fcomi fucomip bswap cmpxchg cmpxchg8b xadd cpuid rdtsc rdmsr wrmsr rdpmc sysenter syscall
       invlpg invd wbinvd nopl emms paddb movd addps vaddps fisttpl fxsave ffreep popcnt lfence endbr32"
pattern='^check-release: planted_cpu\.exe: 0x[0-9a-f]+: (lock )?([a-z0-9]+)( [^ ].*)? is not an 80386 or 80387 instruction$'
cmovs=0 seen=" " cr4=0
while IFS= read -r line; do
    [[ $line =~ $pattern ]] || fail "a finding that does not name the file, an address and an instruction: $line"
    name=${BASH_REMATCH[2]}
    case "$name" in
        cmov*) cmovs=$((cmovs + 1)) ;;
        mov) [[ $line == *%cr4* ]] || fail "a 386 mov refused: $line"; cr4=1 ;;
        *) [[ " $(echo $newer) " == *" $name "* ]] || fail "an instruction of the 386 or 387 refused: $line"
           seen="$seen$name " ;;
    esac
done < <(grep '^check-release: ' <<<"$out")
[ "$cmovs" -ge 1 ] || fail "no finding for the compiler's cmov: $out"
[ "$cr4" = 1 ] || fail "no finding for the mov from %cr4: $out"
for name in $newer; do
    [[ $seen == *" $name "* ]] || fail "no finding for $name: $out"
done
echo "check-release refused the $cmovs cmov(s) and the $(echo $newer | wc -w) planted instructions, and nothing else"
