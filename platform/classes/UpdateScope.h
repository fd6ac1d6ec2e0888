#pragma once

// The one guard of BeginUpdate/EndUpdate pairs.

#include <exception>

/// Holds Target's BeginUpdate for a scope and closes it with EndUpdate on
/// every exit, exceptions included: string lists, collections, ini files,
/// the items of list and tree views. Target must outlive the scope.
/// EndUpdate may raise (a change handler runs there): that reaches the
/// caller, unless the scope is left by an exception already, which then
/// wins.
template <class T>
class UpdateScope {
public:
    explicit UpdateScope(T& Target) : FTarget(Target), FExceptions(std::uncaught_exceptions())
    {
        FTarget.BeginUpdate();
    }
    explicit UpdateScope(T* Target) : UpdateScope(*Target) {}
    ~UpdateScope() noexcept(false)
    {
        if (std::uncaught_exceptions() == FExceptions) {
            FTarget.EndUpdate();
            return;
        }
        try {
            FTarget.EndUpdate();
        } catch (...) {
            // The exception that is leaving the scope is the one to report.
        }
    }
    UpdateScope(const UpdateScope&) = delete;
    UpdateScope& operator=(const UpdateScope&) = delete;

private:
    T& FTarget;
    int FExceptions;
};
