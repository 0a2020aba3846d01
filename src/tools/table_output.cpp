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

Format formatOf(const Arguments& a) {
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
    switch (format) {
        case Format::Csv: {
            for (std::size_t c = 0; c < columns.size(); ++c) {
                out << (c ? "," : "") << csvField(columns[c].name);
            }
            out << "\r\n";
            for (const auto& row : rows) {
                for (std::size_t c = 0; c < columns.size(); ++c) {
                    out << (c ? "," : "") << csvField(row[c].value_or(""));
                }
                out << "\r\n";
            }
            break;
        }
        case Format::Json: {
            out << "[";
            for (std::size_t r = 0; r < rows.size(); ++r) {
                out << (r ? ",\n " : "\n ") << "{";
                for (std::size_t c = 0; c < columns.size(); ++c) {
                    out << (c ? ", " : "") << jsonString(columns[c].name) << ": ";
                    const Cell& cell = rows[r][c];
                    if (!cell) {
                        out << "null";
                    } else if (columns[c].numeric) {
                        out << *cell;
                    } else {
                        out << jsonString(*cell);
                    }
                }
                out << "}";
            }
            out << (rows.empty() ? "]\n" : "\n]\n");
            break;
        }
        case Format::Table: {
            std::vector<std::size_t> width(columns.size());
            for (std::size_t c = 0; c < columns.size(); ++c) width[c] = columns[c].name.size();
            for (const auto& row : rows) {
                for (std::size_t c = 0; c < columns.size(); ++c) {
                    width[c] = std::max(width[c], displayWidth(oneLine(row[c].value_or(""))));
                }
            }
            auto line = [&](const std::vector<std::string>& cells) {
                std::string text;
                for (std::size_t c = 0; c < columns.size(); ++c) {
                    const std::string pad(width[c] - displayWidth(cells[c]), ' ');
                    if (c) text += "  ";
                    text += columns[c].numeric ? pad + cells[c] : cells[c] + pad;
                }
                while (!text.empty() && text.back() == ' ') text.pop_back();
                out << text << "\n";
            };
            std::vector<std::string> header;
            header.reserve(columns.size());
            for (const auto& column : columns) header.push_back(column.name);
            line(header);
            for (const auto& row : rows) {
                std::vector<std::string> cells;
                cells.reserve(row.size());
                for (const Cell& cell : row) cells.push_back(oneLine(cell.value_or("")));
                line(cells);
            }
            break;
        }
    }
}

}  // namespace penwick::tools
