#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace quillane {

// Held by the one process that watches a folder on this machine, whichever user runs it, and
// let go by the system when that process ends, however it ends (a kill included): on Linux an
// abstract local socket bound to the name, on Windows a named mutex in the machine's namespace.
class WatchLock {
public:
    // Tries to take the lock `name` (letters, digits and dashes).
    explicit WatchLock(const std::string& name);
    WatchLock(const WatchLock&) = delete;
    WatchLock& operator=(const WatchLock&) = delete;
    ~WatchLock();

    bool held() const;
    // The process that holds it when this one could not take it; 0 when the system does not tell.
    std::uint64_t holder() const { return holder_; }
    // Lets go of what others' questions left behind (POSIX: their connections); call now and then.
    void answer();

    // Which process holds `name` without taking it: 0 when the system does not tell, and
    // `held` false when none does.
    static std::uint64_t holderOf(const std::string& name, bool& held);

    struct System;

private:
    std::unique_ptr<System> system_;
    std::uint64_t holder_ = 0;
};

inline std::uint64_t WatchLock::holderOf(const std::string& name, bool& held) {
    const WatchLock probe(name);
    held = !probe.held();
    return probe.holder();
}

}  // namespace quillane
