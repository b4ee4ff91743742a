// Lowers the process's file-size limit for one scope, so writes beyond it fail as on a full disk.
#pragma once

#include <sys/resource.h>

#include <csignal>

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        mPreviousHandler = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &mPrevious);
        rlimit limit = mPrevious;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &mPrevious);
        std::signal(SIGXFSZ, mPreviousHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit mPrevious{};
    void (*mPreviousHandler)(int) = nullptr;
};
