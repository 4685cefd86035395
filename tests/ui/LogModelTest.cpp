#include "ui/LogModel.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "UiFixtures.h"
#include "model/Task.h"
#include "platform/DateTime.h"

namespace {

class LogModel : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        DateTime::SetClock([] { return DateTime::Encode(2026, 12, 10, 8, 30, 15); });
        task.Name = QStringLiteral("Docs");
    }
    TTaskLogger& Logger() { return LoggerOf(task); }
    TTask task;
};

TEST_F(LogModel, RefreshAppendsOnlyTheNewRecords) {
    for (int i = 0; i < 3; ++i)
        Logger().Log(TLogKind::lkFile, QStringLiteral("file %1").arg(i));
    TLogModel model;
    model.SetLogger(&Logger());
    ASSERT_EQ(model.rowCount(), 3);

    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    EXPECT_FALSE(model.Refresh());  // nothing new
    Logger().Log(TLogKind::lkWarning, QStringLiteral("careful"));
    Logger().Log(TLogKind::lkError, QStringLiteral("broken"));
    EXPECT_TRUE(model.Refresh());

    EXPECT_EQ(resets.count(), 0);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 3);
    EXPECT_EQ(inserted[0][2].toInt(), 4);
    EXPECT_EQ(model.rowCount(), 5);
    EXPECT_EQ(model.data(model.index(4, TLogModel::colNumber), Qt::DisplayRole).toString(),
              QStringLiteral("5"));
    EXPECT_TRUE(model.data(model.index(4, TLogModel::colText), Qt::DisplayRole)
                    .toString()
                    .contains(QStringLiteral("broken")));
    EXPECT_EQ(model.data(model.index(4, TLogModel::colDate), Qt::DisplayRole).toString(),
              QStringLiteral("10.12.2026"));
    EXPECT_EQ(model.data(model.index(4, TLogModel::colTime), Qt::DisplayRole).toString(),
              QStringLiteral("08:30:15"));
}

TEST_F(LogModel, RecordsDroppedAtTheFrontLeaveAsRowsAndTheNewOnesArrive) {
    Logger().SetMaxItems(4);
    for (int i = 0; i < 4; ++i)
        Logger().Log(TLogKind::lkFile, QStringLiteral("file %1").arg(i));
    TLogModel model;
    model.SetLogger(&Logger());
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    Logger().Log(TLogKind::lkFile, QStringLiteral("file 4"));
    Logger().Log(TLogKind::lkFile, QStringLiteral("file 5"));
    EXPECT_TRUE(model.Refresh());

    EXPECT_EQ(resets.count(), 0);
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed[0][2].toInt(), 1);  // rows 0 and 1 went
    ASSERT_EQ(model.rowCount(), 4);
    EXPECT_TRUE(model.Item(0).Text.endsWith(QStringLiteral("file 2")));
    EXPECT_TRUE(model.Item(3).Text.endsWith(QStringLiteral("file 5")));
}

TEST_F(LogModel, AClearedLogEmptiesThePanelAndRefillsIt) {
    Logger().Log(TLogKind::lkFile, QStringLiteral("old"));
    TLogModel model;
    model.SetLogger(&Logger());
    Logger().Clear();
    EXPECT_TRUE(model.Refresh());
    EXPECT_EQ(model.rowCount(), 0);
    Logger().Log(TLogKind::lkFile, QStringLiteral("new"));
    EXPECT_TRUE(model.Refresh());
    ASSERT_EQ(model.rowCount(), 1);
    EXPECT_TRUE(model.Item(0).Text.endsWith(QStringLiteral("new")));
}

TEST_F(LogModel, ManyRecordsArriveInOneInsertion) {
    TLogModel model;
    model.SetLogger(&Logger());
    for (int i = 0; i < 20000; ++i)
        Logger().Log(TLogKind::lkFile, QStringLiteral("f%1").arg(i));
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    EXPECT_TRUE(model.Refresh());
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(model.rowCount(), 20000);
}

TEST_F(LogModel, ColoursFollowTheRecordKind) {
    TLogDisplaySettings s;
    s.LogErrorsColorBg = 0x000000FF;   // 0x00BBGGRR: red
    s.LogFtpSendColorFg = 0x00FF0000;  // blue
    s.LogFtpRecvColorFg = 0x0000FF00;  // green
    EXPECT_EQ(TLogModel::Background(7, QStringLiteral("x"), s), QColor(255, 0, 0));
    EXPECT_EQ(TLogModel::Foreground(8, QStringLiteral("> USER"), s), QColor(0, 0, 255));
    EXPECT_EQ(TLogModel::Foreground(8, QString(QChar(0x00AB)) + QStringLiteral(" 230 OK"), s),
              QColor(0, 255, 0));
    EXPECT_EQ(TLogModel::Background(10, QStringLiteral("x"), s),
              TLogModel::Background(4, QStringLiteral("x"), s));
    // A system colour keeps the view's own; kinds above 11 are not coloured.
    EXPECT_FALSE(TLogModel::StoredColor(0xFF000005).isValid());
    EXPECT_FALSE(TLogModel::Foreground(12, QStringLiteral("x"), s).isValid());
}

TEST_F(LogModel, CopyJoinsRowsWithLineFeedAndCarriageReturn) {
    Logger().Log(TLogKind::lkFile, QStringLiteral("one"));
    Logger().Log(TLogKind::lkFile, QStringLiteral("two"));
    TLogModel model;
    model.SetLogger(&Logger());
    const QString copied = model.CopyText({0, 1});
    EXPECT_EQ(copied, QStringLiteral("10.12.2026 08:30:15: ") + model.Item(0).Text + QStringLiteral("\n\r") +
                          QStringLiteral("10.12.2026 08:30:15: ") + model.Item(1).Text);
}

TEST_F(LogModel, SearchGoesFromTheSelectedRowInEitherDirection) {
    for (const char* text : {"alpha", "Beta", "gamma", "beta"})
        Logger().Log(TLogKind::lkFile, QString::fromLatin1(text));
    TLogModel model;
    model.SetLogger(&Logger());
    EXPECT_EQ(model.Find(QStringLiteral("beta"), -1, true, false), 1);
    EXPECT_EQ(model.Find(QStringLiteral("beta"), 1, true, false), 3);
    EXPECT_EQ(model.Find(QStringLiteral("beta"), -1, true, true), 3);
    EXPECT_EQ(model.Find(QStringLiteral("beta"), 3, false, false), 1);
    EXPECT_EQ(model.Find(QStringLiteral("beta"), 3, true, false), -1);
    EXPECT_EQ(model.Find(QStringLiteral("delta"), -1, true, false), -1);
}

}  // namespace
