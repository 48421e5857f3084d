#include <gtest/gtest.h>

#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/list_line_reader.h"
#include "engine/list_record.h"

// list_line_table.txt is read by the distribution tool's test too: both
// readings give the same rows, so the tool judges a template as the installer.

namespace {

std::string unescape(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out.push_back(text[i]);
        } else if (text[++i] == 'x') {
            out.push_back(static_cast<char>(strtol(text.substr(i + 1, 2).c_str(), nullptr, 16)));
            i += 2;
        } else if (text[i] == '{') {
            out.append(static_cast<size_t>(atoi(text.c_str() + i + 1) - 1), out.back());
            i = text.find('}', i);
        } else {
            const char e = text[i];
            out.push_back(e == 'r' ? '\r' : e == 'n' ? '\n' : e == 't' ? '\t' : e == '0' ? '\0' : e);
        }
    }
    return out;
}

}  // namespace

TEST(ListLineTable, TheInstallerReadsEveryCaseAsTheTableSays)
{
    const std::string source = __FILE__;
    std::ifstream table(source.substr(0, source.find_last_of('/') + 1) + "list_line_table.txt");
    std::string row, data;
    size_t offset = 0;
    int cases = 0;
    for (int number = 1; std::getline(table, row); ++number) {
        if (row.empty() || row[0] == '#')
            continue;
        std::vector<std::string> columns;
        std::stringstream stream(row);
        for (std::string column; std::getline(stream, column, '\t');)
            columns.push_back(unescape(column));
        SCOPED_TRACE("row " + std::to_string(number));
        if (columns.size() >= 2 && columns[0] == "data") {
            EXPECT_EQ(data.size(), offset) << "lines left that the table does not list";
            data = columns[1];
            offset = 0;
            ++cases;
        } else if (columns.size() >= 3 && columns[0] == "line") {
            // Exactly the data's bytes, so a read past them is the sanitizer's.
            std::vector<char> bytes(data.begin() + static_cast<long>(offset), data.end());
            char line[listLineSize];
            const int taken = readListLine(bytes.data(), static_cast<int>(bytes.size()), line);
            ListRecord record;
            splitListLine(line, &record);
            offset += static_cast<size_t>(taken > 0 ? taken : 0);
            EXPECT_EQ(columns[1], std::to_string(taken));
            EXPECT_EQ(columns[2] == "none" ? std::string() : columns[2],
                      record.type == '\0' ? std::string() : std::string(1, record.type));
            EXPECT_EQ(std::vector<std::string>(columns.begin() + 3, columns.end()),
                      std::vector<std::string>(record.fields, record.fields + record.fieldCount));
        }
    }
    EXPECT_EQ(data.size(), offset);
    EXPECT_GE(cases, 10) << "list_line_table.txt not found or cut";
}
