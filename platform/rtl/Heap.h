#pragma once

// How the program's heap takes memory from the system and hands it back.
// The program and its benchmarks set it the same way at the start of main,
// so a benchmark measures the heap the program runs on.

/// An import or a print frees tens of megabytes at once; the heap keeps
/// them for the next one instead of handing them back to the system and
/// faulting every page in again (the C library's own threshold moves with
/// the largest block freed so far). The first 48 MB of the heap are taken
/// from the system at once, untouched, and asked to come in 2 MB pages
/// where the system offers them: the first import or print of a process
/// then faults a page per 2 MB instead of per 4 KB, which on a virtual
/// machine is most of its time. Nothing of it is resident until used,
/// but for the few small pages below the first 2 MB boundary, which the
/// start fills anyway and which are taken in one call.
/// Call once, first thing in main.
void UseProgramHeap();
