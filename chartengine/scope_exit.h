#pragma once
// Runs a function on scope exit, also when an exception leaves the scope: keeps a flag right when a
// hook throws.

template <class F>
struct TScopeExit {
    F f;
    ~TScopeExit() { f(); }
};
template <class F>
TScopeExit(F) -> TScopeExit<F>;
