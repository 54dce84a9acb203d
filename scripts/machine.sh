# Sourced by setup.sh and wine-env.sh: what this machine's kernel can run.

# Whether the kernel itself runs 32-bit x86 code. A user-mode emulator registered with binfmt_misc
# runs such code too, but then the process is the emulator: the kernel names the emulator, not the
# program, as the process's executable. So a tiny i386 program waits on its standard input while
# /proc tells what runs. Where 32-bit code runs only through an emulator, the answer is no: nothing
# is ever tested or timed under one.
kernel_runs_32bit() {
  local dir shell pid exe= native=1 fd
  dir=$(mktemp -d) || return 1
  # read(0, buf, 1); exit(0)
  printf '%s\n' '.globl _start' '_start:' 'movl $3, %eax' 'movl $0, %ebx' 'movl $buf, %ecx' \
    'movl $1, %edx' 'int $0x80' 'movl $1, %eax' 'movl $0, %ebx' 'int $0x80' '.bss' 'buf: .skip 1' \
    >"$dir/wait.s"
  if as --32 "$dir/wait.s" -o "$dir/wait.o" 2>/dev/null &&
    ld -m elf_i386 "$dir/wait.o" -o "$dir/wait" 2>/dev/null && mkfifo "$dir/in"; then
    shell=$(readlink "/proc/$$/exe")
    "$dir/wait" <"$dir/in" 2>/dev/null &
    pid=$!
    exec {fd}>"$dir/in"
    # Until the child has left the shell for the program (at most 5 s), or has ended.
    for _ in $(seq 1 500); do
      exe=$(readlink "/proc/$pid/exe" 2>/dev/null) || { exe=; break; }
      [ "$exe" != "$shell" ] && break
      sleep 0.01
    done
    [ "$exe" = "$dir/wait" ] && native=0
    exec {fd}>&-
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  rm -rf "$dir"
  return $native
}
