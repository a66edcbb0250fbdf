#include <gtest/gtest.h>

#include "res/StringTable.h"
#include "settings/Settings.h"

// The search prefixes live twice: as strings of the string table (which the settings sheet
// offers) and as the settings' own defaults. They must be the same texts.
TEST(SearchPrefixes, StringTableAgreesWithTheSettingsDefaults)
{
    EXPECT_EQ(res::text(101), settings::kSearchGoogle);
    EXPECT_EQ(res::text(102), settings::kSearchGoo);
    EXPECT_EQ(res::text(103), settings::kSearchYahoo);
    EXPECT_EQ(res::text(105), settings::kSearchMsn);
}
