#pragma once
// penwick-contacts run through the same entry point as its main, in a scratch folder.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "embedded_support.h"
#include "tools/contacts_tool.h"

namespace penwick::testing {

struct Tool : ::testing::Test {
    struct Result {
        int status;
        std::string out, err;
    };
    Result run(std::vector<std::string> args, const std::string& input = {}) {
        std::istringstream in(input);
        std::ostringstream out, err;
        tools::ToolIo io{in, out, err, t.file("cfg/session.ini"), t.file("data"), askPassword};
        const int status = tools::runContactsTool(args, io);
        return {status, out.str(), err.str()};
    }
    Result ok(std::vector<std::string> args, const std::string& input = {}) {
        Result r = run(args, input);
        EXPECT_EQ(r.status, 0) << r.err;
        return r;
    }
    // A failure is one line on stderr and a non-zero status.
    Result fails(std::vector<std::string> args, const std::string& input = {}) {
        Result r = run(args, input);
        EXPECT_NE(r.status, 0);
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        return r;
    }
    std::string write(const std::string& name, const std::string& content) {
        std::ofstream(t.file(name), std::ios::binary) << content;
        return t.file(name);
    }
    TempFolder t;
    std::string db = t.file("a.pwdb");
    std::function<std::optional<std::string>(const std::string&)> askPassword;
};

}  // namespace penwick::testing
