#include "tools/table_output.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

#include "tools/csv.h"

namespace penwick::tools {

namespace {

std::size_t displayWidth(std::string_view s) {
    // Code points, not bytes: continuation bytes take no room.
    return static_cast<std::size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string jsonString(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                    out += buffer;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

}  // namespace

Format listingFormat(const Arguments& a) {
    expectPositional(a, 0, 1);
    const std::string f = a.value("format").value_or("table");
    if (f == "table") return Format::Table;
    if (f == "csv") return Format::Csv;
    if (f == "json") return Format::Json;
    throw UsageError{"--format must be table, csv or json, not " + f};
}

std::string oneLine(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    }
    return out;
}

void printTable(std::ostream& out, Format format, const std::vector<Column>& columns,
                const std::vector<std::vector<Cell>>& rows) {
    printRows(out, format, columns, [&](const RowSink& sink) {
        for (const auto& row : rows) sink(row);
    });
}

void printRows(std::ostream& out, Format format, const std::vector<Column>& columns,
               const std::function<void(const RowSink&)>& produce) {
    switch (format) {
        case Format::Csv: {
            for (std::size_t c = 0; c < columns.size(); ++c) {
                out << (c ? "," : "") << csvField(columns[c].name);
            }
            out << "\r\n";
            produce([&](const std::vector<Cell>& row) {
                for (std::size_t c = 0; c < columns.size(); ++c) {
                    out << (c ? "," : "") << csvField(row[c].value_or(""));
                }
                out << "\r\n";
            });
            break;
        }
        case Format::Json: {
            out << "[";
            bool first = true;
            produce([&](const std::vector<Cell>& row) {
                out << (first ? "\n " : ",\n ") << "{";
                first = false;
                bool firstField = true;
                for (std::size_t c = 0; c < columns.size(); ++c) {
                    if (columns[c].extra) continue;
                    out << (firstField ? "" : ", ") << jsonString(columns[c].name) << ": ";
                    firstField = false;
                    const Cell& cell = row[c];
                    if (!cell) {
                        out << "null";
                    } else if (columns[c].numeric) {
                        out << *cell;
                    } else {
                        out << jsonString(*cell);
                    }
                }
                if (std::any_of(columns.begin(), columns.end(),
                                [](const Column& c) { return c.extra; })) {
                    out << (firstField ? "" : ", ") << "\"extra\": {";
                    bool firstExtra = true;
                    for (std::size_t c = 0; c < columns.size(); ++c) {
                        if (!columns[c].extra || !row[c] || row[c]->empty()) continue;
                        out << (firstExtra ? "" : ", ") << jsonString(columns[c].name) << ": "
                            << jsonString(*row[c]);
                        firstExtra = false;
                    }
                    out << "}";
                }
                out << "}";
            });
            out << (first ? "]\n" : "\n]\n");
            break;
        }
        case Format::Table: {
            std::vector<std::size_t> width(columns.size());
            for (std::size_t c = 0; c < columns.size(); ++c)
                width[c] = displayWidth(columns[c].name);
            produce([&](const std::vector<Cell>& row) {
                for (std::size_t c = 0; c < columns.size(); ++c) {
                    width[c] = std::max(width[c], displayWidth(oneLine(row[c].value_or(""))));
                }
            });
            std::string text;
            auto line = [&](const auto& cellText) {
                text.clear();
                for (std::size_t c = 0; c < columns.size(); ++c) {
                    const std::string cell = cellText(c);
                    const std::size_t w = displayWidth(cell);
                    // A row added between the two passes may be wider: never a negative pad.
                    const std::string pad(width[c] > w ? width[c] - w : 0, ' ');
                    if (c) text += "  ";
                    text += columns[c].numeric ? pad + cell : cell + pad;
                }
                while (!text.empty() && text.back() == ' ') text.pop_back();
                out << text << "\n";
            };
            line([&](std::size_t c) { return columns[c].name; });
            produce([&](const std::vector<Cell>& row) {
                line([&](std::size_t c) { return oneLine(row[c].value_or("")); });
            });
            break;
        }
    }
}

}  // namespace penwick::tools
