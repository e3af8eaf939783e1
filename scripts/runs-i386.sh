#!/usr/bin/env bash
# Exits 0 if this machine's kernel executes 32-bit x86 programs, 1 if not.
# It asks the kernel itself: a three-instruction static i386 program, built
# here, must run and return its exit code. The same program built for x86-64
# must run too, or the place it was built in is to blame, not the kernel.
# (A qemu binfmt handler for i386 would answer yes as well; none is registered
# by this project, and none should be: it takes 32-bit programs away from the
# kernel.)
#   bash scripts/runs-i386.sh [-v]   -v prints the reason on a no
set -uo pipefail
verbose=${1:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
say() { [ "$verbose" = -v ] && echo "$*"; exit 1; }

# exit42 ABI as-flag ld-emulation exit-instructions...: builds the program and
# runs it; its exit status, or a reason on stdout with status 1.
exit42() {
    local abi=$1 as_flag=$2 emulation=$3
    shift 3
    printf '    .globl _start\n_start:\n' >"$work/$abi.s"
    printf '    %s\n' "$@" >>"$work/$abi.s"
    if ! as "$as_flag" -o "$work/$abi.o" "$work/$abi.s" 2>"$work/log" ||
       ! ld -m "$emulation" -o "$work/$abi" "$work/$abi.o" 2>>"$work/log"; then
        echo "the $abi test program could not be built: $(head -1 "$work/log")"
        return 1
    fi
    "$work/$abi" 2>"$work/log"
    local status=$?
    [ "$status" -eq 42 ] && return 0
    local reason
    reason=$(tail -1 "$work/log")
    echo "a static $abi program did not run: ${reason##*: } (exit $status)"
    return 1
}

why=$(exit42 x86-64 --64 elf_x86_64 'movl $60, %eax' 'movl $42, %edi' 'syscall') ||
    say "cannot tell whether 32-bit code runs: $why"
why=$(exit42 i386 --32 elf_i386 'movl $1, %eax' 'movl $42, %ebx' 'int $0x80') || say "$why"
exit 0
