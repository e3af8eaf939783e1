#!/usr/bin/env bash
# Exits 0 if this machine's kernel executes 32-bit x86 programs, 1 if not.
# It asks the kernel itself: a five-instruction static i386 program, built
# here, must run and return its exit code. (A qemu binfmt handler for i386
# would answer yes too; none is registered by this project, and none should
# be, because it takes 32-bit programs away from the kernel.)
#   bash scripts/runs-i386.sh [-v]   -v prints the reason on a no
set -uo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/exit42.s" <<'ASM'
    .globl _start
_start:
    movl $1, %eax      # exit(42) through the i386 system call gate
    movl $42, %ebx
    int  $0x80
ASM
if ! as --32 -o "$work/exit42.o" "$work/exit42.s" 2>"$work/log" ||
   ! ld -m elf_i386 -o "$work/exit42" "$work/exit42.o" 2>>"$work/log"; then
    [ "${1:-}" = -v ] && echo "the i386 test program could not be built: $(cat "$work/log")"
    exit 1
fi
"$work/exit42" 2>"$work/log"
status=$?
if [ "$status" -ne 42 ]; then
    reason=$(tail -1 "$work/log")
    [ "${1:-}" = -v ] && echo "a static i386 program did not run: ${reason##*: } (exit $status)"
    exit 1
fi
exit 0
