#pragma once

#include <csignal>
#include <sys/resource.h>

// A full disk for as long as it lives: no file this process writes may grow beyond `bytes`. A write past the
// limit fails as it does on a full disk, reported as an error rather than by a signal.
class DiskFullAfter {
public:
    explicit DiskFullAfter(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~DiskFullAfter() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    DiskFullAfter(const DiskFullAfter&) = delete;
    DiskFullAfter& operator=(const DiskFullAfter&) = delete;

private:
    rlimit saved_{};
    void (*oldHandler_)(int) = nullptr;
};
