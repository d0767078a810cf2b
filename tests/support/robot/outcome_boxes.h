// The check that a subsystem's message file tells every outcome its
// operations can return: each has a box, each box a text of its own.
#pragma once
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "shell/ui/outcome_box.h"

// boxOf(outcome) gives the box of each outcome below count; the outcomes in
// silent are those that show nothing (success, or told by a lower layer).
// A box holding only the system's text has no text of its own.
template <typename BoxOf>
void ExpectEveryOutcomeTold(int count, const std::set<int> &silent, BoxOf boxOf) {
    std::set<std::string> texts;
    for (int outcome = 0; outcome < count; ++outcome) {
        OutcomeBox box = boxOf(outcome);
        EXPECT_EQ(silent.count(outcome) != 0, box.kind == kNoBox) << "outcome " << outcome;
        if (box.kind == kNoBox || box.kind == kSystemTextBox) continue;
        EXPECT_FALSE(box.text.empty()) << "outcome " << outcome;
        EXPECT_TRUE(texts.insert(box.text).second) << "outcome " << outcome << " repeats: " << box.text;
    }
}
