#pragma once
// The command line of the benchmarks measured at several sizes:
//     NAME [--out DIR] [--sizes N,N,...] [--reps N]

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace penwick::bench {

struct SizedOptions {
    std::string out = "build/bench";
    std::vector<std::size_t> sizes;
    int reps = 3;
};

// Nothing, after printing the usage, for an option it does not know.
inline std::optional<SizedOptions> parseSizedOptions(int argc, char** argv, const char* name,
                                                     std::vector<std::size_t> defaultSizes) {
    SizedOptions options;
    options.sizes = std::move(defaultSizes);
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--out") {
            options.out = argv[i + 1];
        } else if (arg == "--reps") {
            options.reps = std::max(1, std::atoi(argv[i + 1]));
        } else if (arg == "--sizes") {
            options.sizes.clear();
            std::stringstream list(argv[i + 1]);
            for (std::string item; std::getline(list, item, ',');)
                options.sizes.push_back(std::stoul(item));
        } else {
            std::cerr << "usage: " << name << " [--out DIR] [--sizes N,N,...] [--reps N]\n";
            return std::nullopt;
        }
    }
    return options;
}

}  // namespace penwick::bench
