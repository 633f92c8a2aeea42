#include "cli/CsvReader.h"

#include <gtest/gtest.h>

using namespace quorvel;

TEST(CsvReader, readsRfc4180) {
    using Fields = std::vector<std::string>;
    const struct {
        const char* name;
        std::string_view bytes;
        std::vector<std::pair<int, Fields>> records; // line, fields
        int unterminated = 0;
    } cases[] = {
        {"plain, LF", "a,b\nc,d\n", {{1, {"a", "b"}}, {2, {"c", "d"}}}},
        {"BOM, CRLF, no last line end",
         "\xEF\xBB\xBF"
         "a,b\r\nc,\r\n,d",
         {{1, {"a", "b"}}, {2, {"c", ""}}, {3, {"", "d"}}}},
        {"quoted commas and doubled quotes",
         "\"x,y\",\"say \"\"hi\"\"\",\"\"\n",
         {{1, {"x,y", "say \"hi\"", ""}}}},
        {"a line break inside quotes keeps the record's line",
         "\"two\nlines\",z\nnext\n",
         {{1, {"two\nlines", "z"}}, {3, {"next"}}}},
        {"blank lines left out", "\n\r\na\n\n\nb\n", {{3, {"a"}}, {6, {"b"}}}},
        {"an unclosed quote", "a\n\"open,\nb\n", {{1, {"a"}}, {2, {"open,\nb\n"}}}, 2},
    };
    for (const auto& c : cases) {
        const CsvText text = ReadCsv(c.bytes);
        std::vector<std::pair<int, Fields>> got;
        for (const CsvRecord& r : text.records)
            got.emplace_back(r.line, r.fields);
        EXPECT_EQ(got, c.records) << c.name;
        EXPECT_EQ(text.unterminatedQuoteLine, c.unterminated) << c.name;
    }
}
