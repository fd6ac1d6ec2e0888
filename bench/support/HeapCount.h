#pragma once

// Counting of the heap: a program that links HeapCount.cpp has operator new
// and delete replaced for the whole program, and can ask how much it held
// at most while a scope was open. Counting runs only while a scope is open,
// so code timed outside any scope runs at full speed. The benchmarks report
// it (PeakMemory.h); the fuzz replay driver bounds each input by it.

#include <cstddef>
#include <cstdint>

class HeapCountScope {
public:
    HeapCountScope();
    ~HeapCountScope();
    HeapCountScope(const HeapCountScope&) = delete;
    HeapCountScope& operator=(const HeapCountScope&) = delete;
    /// Bytes held at most since the scope began or restarted, above what
    /// was held then.
    [[nodiscard]] size_t PeakBytes() const;
    /// Takes the peak again from what is held now.
    void Restart();

private:
    int64_t FStart;
};
