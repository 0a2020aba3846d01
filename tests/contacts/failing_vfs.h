#pragma once
// A SQLite VFS over the default one that fails every write with "disk full" once a budget of
// written bytes is spent: a disk that fills up in the middle of a run, without a small
// filesystem to fill.

#include <cstdint>

namespace penwick::testing {

class FullDisk {
public:
    // Installs itself as the default VFS of this process for its lifetime; connections opened
    // meanwhile write through it.
    explicit FullDisk(std::int64_t bytesLeft);
    ~FullDisk();
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    // How many writes were refused.
    int refused() const;
};

}  // namespace penwick::testing
