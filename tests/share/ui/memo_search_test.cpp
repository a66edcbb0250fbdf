#include <gtest/gtest.h>

#include <QDateTime>
#include <QLineEdit>
#include <QSpinBox>

#include "share/ui/MemoSearchDialog.h"

TEST(MemoSearchDialog, EachModeBuildsItsRequest)
{
    CMemoSearchDialog dialog;
    const memo::Time64 now = 1'700'000'000;
    EXPECT_EQ(dialog.mode(), 0);
    MemoSearchRequest today = dialog.request(now);
    EXPECT_EQ(today.mode, 0u);
    EXPECT_EQ(today.time, now);
    EXPECT_EQ(today.days, 1u);

    dialog.set_mode(1);
    EXPECT_EQ(dialog.request(now).days, 7u);

    dialog.set_mode(2);
    dialog.year()->setValue(2024);
    dialog.month()->setValue(3);
    dialog.day()->setValue(5);
    dialog.range()->setValue(4);
    const MemoSearchRequest around = dialog.request(now);
    EXPECT_EQ(around.mode, 2u);
    EXPECT_EQ(around.time, QDateTime(QDate(2024, 3, 5), QTime(0, 0)).toSecsSinceEpoch());
    EXPECT_EQ(around.days, 4u);
    // A day the month does not have is its last day.
    dialog.month()->setValue(2);
    dialog.day()->setValue(31);
    EXPECT_EQ(dialog.request(now).time, QDateTime(QDate(2024, 2, 29), QTime(0, 0)).toSecsSinceEpoch());

    dialog.set_mode(3);
    dialog.url_text()->setText(QStringLiteral("example.org/pa"));
    const MemoSearchRequest by_url = dialog.request(now);
    EXPECT_EQ(by_url.mode, 3u);
    EXPECT_EQ(by_url.text, "example.org/pa");
}
