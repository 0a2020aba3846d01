#pragma once
// What the benchmarks share in writing their figures: the median of repeated measurements,
// numbers with a fixed count of decimals, and results.json, one object that each benchmark
// adds its own member to.

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace penwick::bench {

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

inline std::string fixed(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

// The top-level members of a JSON object as (key, raw value) pairs; nothing when the text is
// not an object. Only as much of JSON as keeping other programs' members needs.
inline std::optional<std::vector<std::pair<std::string, std::string>>> members(
    const std::string& t) {
    std::size_t i = 0;
    auto space = [&] {
        while (i < t.size() && std::isspace(static_cast<unsigned char>(t[i]))) ++i;
    };
    auto string = [&]() -> std::optional<std::string> {
        if (i >= t.size() || t[i] != '"') return std::nullopt;
        const std::size_t start = i++;
        while (i < t.size() && t[i] != '"') i += t[i] == '\\' ? 2 : 1;
        if (i >= t.size()) return std::nullopt;
        ++i;
        return t.substr(start, i - start);
    };
    auto value = [&]() -> std::optional<std::string> {
        const std::size_t start = i;
        int depth = 0;
        while (i < t.size()) {
            const char c = t[i];
            if (c == '"') {
                if (!string()) return std::nullopt;
                continue;
            }
            if (c == '{' || c == '[') ++depth;
            if (c == '}' || c == ']') {
                if (depth == 0) break;
                --depth;
            }
            if (c == ',' && depth == 0) break;
            ++i;
        }
        if (depth != 0) return std::nullopt;
        std::string v = t.substr(start, i - start);
        while (!v.empty() && std::isspace(static_cast<unsigned char>(v.back()))) v.pop_back();
        return v;
    };
    std::vector<std::pair<std::string, std::string>> out;
    space();
    if (i >= t.size() || t[i++] != '{') return std::nullopt;
    space();
    if (i < t.size() && t[i] == '}') return out;
    for (;;) {
        space();
        auto key = string();
        space();
        if (!key || i >= t.size() || t[i++] != ':') return std::nullopt;
        space();
        auto v = value();
        if (!v || v->empty()) return std::nullopt;
        out.emplace_back(*key, *v);
        if (i >= t.size()) return std::nullopt;
        if (t[i] == '}') return out;
        if (t[i++] != ',') return std::nullopt;
    }
}

// Sets `key` of the JSON object in `path` to the raw JSON `value`, keeping the other members
// (another benchmark's figures); a file that is not an object is left alone.
inline void mergeInto(const std::filesystem::path& path, const std::string& key,
                      const std::string& value) {
    std::vector<std::pair<std::string, std::string>> all;
    if (std::ifstream in(path); in) {
        std::stringstream s;
        s << in.rdbuf();
        if (auto existing = members(s.str())) {
            all = *existing;
        } else if (!s.str().empty()) {
            std::cerr << path << " is not a JSON object; left as it is\n";
            return;
        }
    }
    const std::string quoted = "\"" + key + "\"";
    bool replaced = false;
    for (auto& [k, v] : all) {
        if (k == quoted) v = value, replaced = true;
    }
    if (!replaced) all.emplace_back(quoted, value);
    std::ofstream out(path.string() + ".tmp");
    out << "{\n";
    for (std::size_t i = 0; i < all.size(); ++i) {
        out << "  " << all[i].first << ": " << all[i].second << (i + 1 < all.size() ? ",\n" : "\n");
    }
    out << "}\n";
    out.close();
    std::filesystem::rename(path.string() + ".tmp", path);
}

}  // namespace penwick::bench
