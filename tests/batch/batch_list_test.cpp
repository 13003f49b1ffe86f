// The batch window's list box: the rows it shows and removes.
#include <gtest/gtest.h>

#include <QItemSelectionModel>

#include "batch/batch_list.h"
#include "tests/support/printers.h"

namespace lanxi {
namespace {

TEST(BatchListRows, HoldsFarMoreThan32767Rows) {
    BatchListBox box;
    const int n = 40'000;
    for (int i = 0; i < n; ++i) {
        ASSERT_TRUE(box.AddItem({QStringLiteral("%1.jpg").arg(i), QStringLiteral("/d")}));
    }
    EXPECT_FALSE(box.AddItem({QStringLiteral("39999.jpg"), QStringLiteral("/e")}));
    EXPECT_EQ(box.ListCount(), n);
    EXPECT_EQ(box.List(n - 1), QStringLiteral("39999.jpg"));
    EXPECT_EQ(box.model()->rowCount(), n);

    // Every other row selected, then deleted.
    QItemSelection every;
    for (int i = 0; i < n; i += 2) {
        every.select(box.model()->index(i, 0), box.model()->index(i, 0));
    }
    box.selectionModel()->select(every, QItemSelectionModel::Select);
    EXPECT_EQ(box.SelCount(), n / 2);
    box.RemoveItems(box.SelectedRows());
    EXPECT_EQ(box.ListCount(), n / 2);
    EXPECT_EQ(box.List(0), QStringLiteral("1.jpg"));
    EXPECT_EQ(box.List(n / 2 - 1), QStringLiteral("39999.jpg"));
    EXPECT_EQ(box.model()->rowCount(), n / 2);
}

}  // namespace
}  // namespace lanxi
