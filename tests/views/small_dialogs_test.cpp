// The save question, the not-found notice and the copy options, answered through the
// scripted platform as a user at the console would answer them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/scripted_platform.h"
#include "views/small_dialogs.h"

namespace small_dialogs_test {

namespace small_dialogs_test {

TEST(SaveQuestion, EachAnswerGivesItsModalResult) {
    struct Case {
        std::vector<std::string> answers;
        int result;
    } cases[] = {
        {{"Yes"}, saveYes},
        {{"nonsense"}, saveYes},       // an answer naming nothing is skipped; then the default
        {{"No"}, saveNo},
        {{"NoBtn"}, saveNo},
        {{"Cancel"}, saveCancel},
        {{}, saveYes},                 // Enter (the batch default) is Yes
        {{"maybe", "Cancel"}, saveCancel},  // an answer naming nothing is asked again
    };
    for (const Case& c : cases) {
        platform::ScopedScriptedPlatform scripted;
        for (const std::string& a : c.answers) scripted.platform.answers.push_back(a);
        EXPECT_EQ(SaveQuFm.ask(), c.result) << (c.answers.empty() ? "(none)" : c.answers[0]);
        ASSERT_FALSE(scripted.platform.forms.empty());
        EXPECT_NE(scripted.platform.forms[0].find("[Save Query]"), std::string::npos);
        EXPECT_NE(scripted.platform.forms[0].find("Save the current contents of the editor?"),
                  std::string::npos);
    }
}

TEST(SorryNotice, IsEnabledOnlyWhileShown) {
    platform::ScopedScriptedPlatform scripted;
    EXPECT_FALSE(SorryFm.enabled);
    SorryFm.notfound();
    EXPECT_FALSE(SorryFm.enabled);
    EXPECT_FALSE(SorryFm.isOpen());
    ASSERT_EQ(scripted.platform.forms.size(), 1u);
    EXPECT_NE(scripted.platform.forms[0].find("[Sorry, Not Found]"), std::string::npos);
    EXPECT_NE(scripted.platform.forms[0].find("     Not Found"), std::string::npos);
}

TEST(CopyOptions, AreKeptFromOneCopyToTheNext) {
    {
        platform::ScopedScriptedPlatform scripted;
        ShowCopy.ask();  // the defaults: everything included, fixed decimals
        EXPECT_TRUE(ShowCopy.cbIncTitle());
        EXPECT_TRUE(ShowCopy.cbIncRowHeaders());
        EXPECT_TRUE(ShowCopy.cbIncColHeaders());
        EXPECT_FALSE(ShowCopy.rbScientific());
    }
    {
        platform::ScopedScriptedPlatform scripted;
        scripted.platform.answers = {"Title", "cbIncColHeaders", "Scientific", "OK"};
        ShowCopy.ask();
    }
    {
        platform::ScopedScriptedPlatform scripted;  // the next Copy offers the same choices
        ShowCopy.ask();
        EXPECT_FALSE(ShowCopy.cbIncTitle());
        EXPECT_TRUE(ShowCopy.cbIncRowHeaders());
        EXPECT_FALSE(ShowCopy.cbIncColHeaders());
        EXPECT_TRUE(ShowCopy.rbScientific());
        ASSERT_FALSE(scripted.platform.forms.empty());
        EXPECT_NE(scripted.platform.forms[0].find("[ ] Title"), std::string::npos);
    }
    // Put the shared dialog back as the program starts it, for the tests that follow.
    platform::ScopedScriptedPlatform scripted;
    scripted.platform.answers = {"Title", "cbIncColHeaders", "gbNotation=1", "OK"};
    ShowCopy.ask();
    EXPECT_TRUE(ShowCopy.cbIncTitle() && ShowCopy.cbIncColHeaders() && !ShowCopy.rbScientific());
}

}  // namespace small_dialogs_test

}  // namespace small_dialogs_test
