#pragma once

// How the program's heap hands memory back to the system. The program and
// its benchmarks set it the same way at the start of main, so a benchmark
// measures the heap the program runs on.

/// An import or a print frees tens of megabytes at once; the heap keeps
/// them for the next one instead of handing them back to the system and
/// faulting every page in again (the C library's own threshold moves with
/// the largest block freed so far). Call once, first thing in main.
void UseProgramHeap();
