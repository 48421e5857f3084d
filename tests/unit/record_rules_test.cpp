#include <gtest/gtest.h>

#include <string>

#include "engine/record_rules.h"

namespace {

// Answers as given; notes each question asked, one letter each.
struct FakeFacts : RecordFacts {
    bool fits = true;
    int order = -1;
    DigestAnswer component = DigestAnswer::Differs;
    DigestAnswer system = DigestAnswer::Differs;
    DigestAnswer fetched = DigestAnswer::Matches;
    bool folder = false;
    std::string asked;

    bool pathFits() override { asked += 'p'; return fits; }
    int versionOrder() override { asked += 'v'; return order; }
    DigestAnswer componentDigest() override { asked += 'c'; return component; }
    DigestAnswer systemFileDigest() override { asked += 's'; return system; }
    DigestAnswer fetchedSystemFileDigest() override { asked += 'f'; return fetched; }
    bool pathIsFolder() override { asked += 'd'; return folder; }
};

ListRecord recordOf(char type, int fields)
{
    static char text[] = "x";
    ListRecord record = { type, fields, {} };
    for (int i = 0; i < fields; ++i)
        record.fields[i] = text;
    return record;
}

const WalkRules keyless = { false, false, false, false, -1, -1 };
const WalkRules keyed = { true, false, false, false, -1, -1 };

struct Case {
    const char* what;
    char type;
    int fields;
    WalkRules walk;
    FakeFacts facts;
    RecordAction action;
    const char* asked;   // the questions, in order: nothing more is looked at
};

FakeFacts facts(int order, DigestAnswer component = DigestAnswer::Differs, DigestAnswer system = DigestAnswer::Differs)
{
    FakeFacts made;
    made.order = order;
    made.component = component;
    made.system = system;
    return made;
}

TEST(RecordRules, WhatEachRecordDoesWithWhatItFinds)
{
    WalkRules forced = keyed;
    forced.forceAll = true;
    WalkRules failed = keyed;
    failed.componentFailed = true;
    WalkRules noReg = keyless;
    noReg.noReg = true;
    WalkRules fetchedLine = keyed;
    fetchedLine.installedSystemFileLine = 40;
    WalkRules failedLine = keyless;
    failedLine.failedSystemFileLine = 40;
    FakeFacts unsafe = facts(1);
    unsafe.fits = false;
    FakeFacts folder = facts(-1);
    folder.folder = true;
    FakeFacts fetchedDiffers = facts(0);
    fetchedDiffers.fetched = DigestAnswer::Differs;
    const Case cases[] = {
        { "I newer, keyless", 'I', 3, keyless, facts(1), RecordAction::CountCurrent, "pv" },
        { "I same, keyless", 'I', 3, keyless, facts(0), RecordAction::CountCurrent, "pv" },
        { "I outdated, keyless", 'I', 3, keyless, facts(-1), RecordAction::Download, "pv" },
        { "I unsafe path", 'I', 4, keyless, unsafe, RecordAction::Refuse, "p" },
        { "I too few fields", 'I', 2, keyless, facts(1), RecordAction::Refuse, "" },
        { "I planted newer, keyed", 'I', 3, keyed, facts(1, DigestAnswer::Differs), RecordAction::Download, "pc" },
        { "I digest matches, keyed", 'I', 3, keyed, facts(-1, DigestAnswer::Matches), RecordAction::CountCurrent, "pc" },
        { "I check runs, keyed", 'I', 3, keyed, facts(0, DigestAnswer::Pending), RecordAction::AwaitCheck, "pc" },
        { "I /all hashes nothing", 'I', 3, forced, facts(0, DigestAnswer::Matches), RecordAction::Download, "p" },
        { "M newer stays", 'M', 3, keyed, facts(1), RecordAction::CountCurrent, "v" },
        { "M same, keyless", 'M', 3, keyless, facts(0), RecordAction::CountCurrent, "v" },
        { "M same and published", 'M', 3, keyed, facts(0, DigestAnswer::Differs, DigestAnswer::Matches),
          RecordAction::CountCurrent, "vs" },
        { "M same, other bytes", 'M', 3, keyed, facts(0), RecordAction::DownloadSystemFile, "vspd" },
        { "M same, check runs", 'M', 3, keyed, facts(0, DigestAnswer::Differs, DigestAnswer::Pending),
          RecordAction::AwaitCheck, "vs" },
        { "M outdated", 'M', 3, keyless, facts(-1), RecordAction::DownloadSystemFile, "vpd" },
        { "M a folder in its place", 'M', 3, keyless, folder, RecordAction::Refuse, "vpd" },
        { "M download failed before", 'M', 3, failedLine, facts(-1), RecordAction::Next, "" },
        { "M fetched, keyless", 'M', 3, [] { WalkRules w = keyless; w.installedSystemFileLine = 40; return w; }(),
          facts(0), RecordAction::ReplaceSystemFile, "p" },
        { "M fetched, checked", 'M', 3, fetchedLine, facts(0), RecordAction::ReplaceSystemFile, "pf" },
        { "M fetched, changed since", 'M', 3, fetchedLine, fetchedDiffers, RecordAction::RefuseComponent, "pf" },
        { "R", 'R', 1, keyed, facts(0), RecordAction::Register, "" },
        { "R after a failed component", 'R', 2, failed, facts(0), RecordAction::Refuse, "" },
        { "R failed component, keyless", 'R', 1, [] { WalkRules w = keyless; w.componentFailed = true; return w; }(),
          facts(0), RecordAction::Register, "" },
        { "R without fields", 'R', 0, keyless, facts(0), RecordAction::Refuse, "" },
        { "H after a failed component", 'H', 1, failed, facts(0), RecordAction::Refuse, "" },
        { "H", 'H', 1, keyless, facts(0), RecordAction::HoldObject, "" },
        { "L after a failed component", 'L', 4, failed, facts(0), RecordAction::Shortcut, "" },
        { "L too few fields", 'L', 3, keyless, facts(0), RecordAction::Refuse, "" },
        { "L, R and H with /no-reg", 'L', 0, noReg, facts(0), RecordAction::Next, "" },
        { "R with /no-reg", 'R', 0, noReg, facts(0), RecordAction::Next, "" },
        { "T", 'T', 1, keyless, facts(0), RecordAction::SetTotal, "" },
        { "T without its field", 'T', 0, keyless, facts(0), RecordAction::Refuse, "" },
        { "D", 'D', 0, keyed, facts(0), RecordAction::NoteDigest, "" },
        { "a comment", '#', 5, keyed, facts(0), RecordAction::Next, "" },
        { "a lower-case type", 'i', 3, keyed, facts(0), RecordAction::Next, "" },
    };
    for (const Case& c : cases) {
        FakeFacts answers = c.facts;
        const ListRecord record = recordOf(c.type, c.fields);
        EXPECT_EQ(decideRecord(record, 40, c.walk, answers), c.action) << c.what;
        EXPECT_EQ(answers.asked, c.asked) << c.what;
    }
}

TEST(RecordRules, ADigestServesTheRecordBehindIt)
{
    for (char type : { 'D', 'I', 'M' })
        EXPECT_TRUE(keepsHeldDigest(type)) << type;
    for (char type : { 'T', 'L', 'R', 'H', '#', '\0', 'd' })
        EXPECT_FALSE(keepsHeldDigest(type)) << type;
}

}  // namespace
