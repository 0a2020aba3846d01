// Every input a fuzz target ever crashed on (tests/corpus/<target>/) is fed again to the same
// entry function, so a fault once found stays mended.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/fuzz_entries.h"

namespace {

namespace fs = std::filesystem;

TEST(FuzzCorpus, EveryKeptInputRunsCleanThroughItsTarget) {
    const fs::path corpus = PENWICK_CORPUS_DIR;
    ASSERT_TRUE(fs::is_directory(corpus)) << corpus;
    int inputs = 0;
    for (const auto& folder : fs::directory_iterator(corpus)) {
        if (!folder.is_directory()) continue;
        const auto entry = penwick::fuzz::entryNamed(folder.path().filename().string());
        ASSERT_NE(entry, nullptr) << "no fuzz target named " << folder.path().filename();
        for (const auto& file : fs::directory_iterator(folder)) {
            if (file.path().filename().string().starts_with(".")) continue;  // .gitkeep
            std::ifstream in(file.path(), std::ios::binary);
            const std::vector<std::uint8_t> data{std::istreambuf_iterator<char>(in), {}};
            SCOPED_TRACE(file.path().string());
            entry(data.data(), data.size());  // a broken property aborts the test
            ++inputs;
        }
    }
    RecordProperty("inputs", inputs);
}

}  // namespace
