#pragma once

// Large buffers in huge pages. The GL driver takes its buffer stores from
// malloc, and on kernels whose transparent huge pages are in "madvise"
// mode only memory that asks for them gets them: every 4 kB page of a
// multi-gigabyte mesh then costs a fault and a zeroing of its own. glibc
// asks for huge pages when GLIBC_TUNABLES holds glibc.malloc.hugetlb=1,
// read once at start-up, so a program that finds the tunable missing runs
// itself again with it added, before it has done anything else.
//
// Call first thing in main, with main's own arguments. Returns at once,
// having done nothing, when the tunable is set already (by the user or the
// first run), huge pages do not pay (below), glibc is older than 2.35, the
// program runs set-user-ID or under valgrind, or the exec fails; the command
// line, the environment otherwise and open files are kept.
void startWithHugePages(char** argv);

// Whether asking for huge pages pays on this machine, from the kernel's
// files under `sys` (null: /sys): only when they are "madvise" and no memory
// balloon reports free pages to a host.
bool hugePagesPay(const char* sys = nullptr);
