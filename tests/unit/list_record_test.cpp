#include <gtest/gtest.h>

#include <string.h>

#include "engine/list_record.h"

namespace {

struct Split {
    explicit Split(const char* text)
    {
        strncpy(line, text, sizeof line - 1);
        line[sizeof line - 1] = '\0';
        splitListLine(line, &record);
    }
    char line[512];
    ListRecord record;
};

}  // namespace

TEST(ListRecord, SplitsAtCommasAndTheLineEnd)
{
    Split s("I,a.dll,1000,1.2.3.4,client\r\n");
    EXPECT_EQ('I', s.record.type);
    ASSERT_EQ(4, s.record.fieldCount);
    EXPECT_STREQ("a.dll", s.record.fields[0]);
    EXPECT_STREQ("1000", s.record.fields[1]);
    EXPECT_STREQ("1.2.3.4", s.record.fields[2]);
    EXPECT_STREQ("client", s.record.fields[3]);
    EXPECT_EQ(nullptr, s.record.fields[4]);
    // In place: the fields point into the line.
    EXPECT_EQ(s.line + 2, s.record.fields[0]);

    Split lf("T,2000\n");
    EXPECT_EQ('T', lf.record.type);
    ASSERT_EQ(1, lf.record.fieldCount);
    EXPECT_STREQ("2000", lf.record.fields[0]);

    Split bare("R,b.exe");
    EXPECT_EQ('R', bare.record.type);
    ASSERT_EQ(1, bare.record.fieldCount);
    EXPECT_STREQ("b.exe", bare.record.fields[0]);
}

TEST(ListRecord, EmptyFieldsCollapseAndMoveTheRestLeft)
{
    Split s("I,a.dll,100,,client\r\n");
    ASSERT_EQ(3, s.record.fieldCount);
    EXPECT_STREQ("a.dll", s.record.fields[0]);
    EXPECT_STREQ("100", s.record.fields[1]);
    EXPECT_STREQ("client", s.record.fields[2]);  // taken as the version

    Split leading(",,\r,I,x\r\r\n");
    EXPECT_EQ('I', leading.record.type);
    ASSERT_EQ(1, leading.record.fieldCount);
    EXPECT_STREQ("x", leading.record.fields[0]);

    // CR and LF separate fields as well as ",".
    Split inner("L,a\rb\nc");
    ASSERT_EQ(3, inner.record.fieldCount);
    EXPECT_STREQ("a", inner.record.fields[0]);
    EXPECT_STREQ("b", inner.record.fields[1]);
    EXPECT_STREQ("c", inner.record.fields[2]);
}

TEST(ListRecord, TypeIsTheFirstCharacterOfTheFirstField)
{
    Split h("Hx,Foo.Bar\r\n");
    EXPECT_EQ('H', h.record.type);
    ASSERT_EQ(1, h.record.fieldCount);
    EXPECT_STREQ("Foo.Bar", h.record.fields[0]);

    Split blank(" I,a.dll");
    EXPECT_EQ(' ', blank.record.type);

    Split comment("# T,5");
    EXPECT_EQ('#', comment.record.type);
    ASSERT_EQ(1, comment.record.fieldCount);
    EXPECT_STREQ("5", comment.record.fields[0]);

    Split typeOnly("T\r\n");
    EXPECT_EQ('T', typeOnly.record.type);
    EXPECT_EQ(0, typeOnly.record.fieldCount);
}

TEST(ListRecord, LinesWithoutFieldsHaveNoType)
{
    const char* empties[] = {"", "\r\n", "\n", ",,,", ",\r\n,"};
    for (const char* text : empties) {
        Split s(text);
        EXPECT_EQ('\0', s.record.type) << "line: " << text;
        EXPECT_EQ(0, s.record.fieldCount);
        for (int i = 0; i < listRecordMaxFields; ++i)
            EXPECT_EQ(nullptr, s.record.fields[i]);
    }
}

TEST(ListRecord, FieldsAreNotTrimmed)
{
    Split s("L, app.exe -x ,client,ZORV 3, ZORV Client,2 \r\n");
    ASSERT_EQ(5, s.record.fieldCount);
    EXPECT_STREQ(" app.exe -x ", s.record.fields[0]);
    EXPECT_STREQ("ZORV 3", s.record.fields[2]);
    EXPECT_STREQ(" ZORV Client", s.record.fields[3]);
    EXPECT_STREQ("2 ", s.record.fields[4]);
}

TEST(ListRecord, KeepsAtMostEightFields)
{
    Split s("X,1,2,3,4,5,6,7,8,9,10");
    ASSERT_EQ(8, s.record.fieldCount);
    EXPECT_STREQ("1", s.record.fields[0]);
    EXPECT_STREQ("8", s.record.fields[7]);
}

TEST(ListRecord, NumbersAreSignedDecimalsThatWrap)
{
    EXPECT_EQ(1000, parseListNumber("1000"));
    EXPECT_EQ(-5, parseListNumber("-5"));
    EXPECT_EQ(7, parseListNumber("  +7"));
    EXPECT_EQ(12, parseListNumber("12 KB"));
    EXPECT_EQ(0, parseListNumber("x12"));
    EXPECT_EQ(0, parseListNumber(""));
    EXPECT_EQ(INT32_MIN, parseListNumber("2147483648"));
    EXPECT_EQ(0, parseListNumber("4294967296"));
}
