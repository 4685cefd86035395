#include "ui/LogModel.h"

#include <gtest/gtest.h>

#include <QPalette>
#include <QSignalSpy>

#include "UiFixtures.h"
#include "model/Task.h"
#include "platform/DateTime.h"

namespace {

QPalette ViewPalette(const QColor& base, const QColor& text) {
    QPalette palette(Qt::gray);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::Text, text);
    return palette;
}
QPalette LightView() {
    return ViewPalette(Qt::white, Qt::black);
}
QPalette DarkView() {
    return ViewPalette(QColor(0x24, 0x24, 0x24), QColor(0xe8, 0xe8, 0xe8));
}

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
    EXPECT_EQ(TLogModel::Foreground(8, QStringLiteral("> USER"), s, LightView()), QColor(0, 0, 255));
    EXPECT_EQ(TLogModel::Foreground(8, QString(QChar(0x00AB)) + QStringLiteral(" 230 OK"), s, LightView()),
              QColor(0, 255, 0));
    EXPECT_EQ(TLogModel::Background(10, QStringLiteral("x"), s),
              TLogModel::Background(4, QStringLiteral("x"), s));
    // A system colour keeps the view's own; kinds above 11 are not coloured.
    EXPECT_FALSE(TLogModel::StoredColor(0xFF000005).isValid());
    EXPECT_FALSE(TLogModel::Foreground(12, QStringLiteral("x"), s, LightView()).isValid());
}

TEST_F(LogModel, StoredTextColoursGiveWayWhereTheViewsOwnBackgroundIsDark) {
    const TLogDisplaySettings defaults;
    // The file rows keep the view's background and store black text: black on a light view, the
    // view's own text colour on a dark one.
    EXPECT_EQ(TLogModel::Foreground(4, QStringLiteral("Copying"), defaults, LightView()), QColor(Qt::black));
    EXPECT_FALSE(TLogModel::Foreground(4, QStringLiteral("Copying"), defaults, DarkView()).isValid());
    // A stored pair is shown as chosen in either theme: the summary's black on lavender.
    EXPECT_EQ(TLogModel::Foreground(3, QStringLiteral("Task finished."), defaults, DarkView()),
              QColor(Qt::black));
    EXPECT_EQ(TLogModel::Background(3, QStringLiteral("Task finished."), defaults), QColor(0xcc, 0xcc, 0xe6));

    // The view's own text on a stored background: kept where it reads, else black or white.
    TLogDisplaySettings s;
    s.LogErrorsColorFg = 0xFF000008;  // the system's text colour
    s.LogErrorsColorBg = 0x00E0FFFF;  // light yellow
    EXPECT_FALSE(TLogModel::Foreground(7, QStringLiteral("x"), s, LightView()).isValid());
    EXPECT_EQ(TLogModel::Foreground(7, QStringLiteral("x"), s, DarkView()), QColor(Qt::black));
    s.LogErrorsColorBg = 0x00400000;  // dark blue
    EXPECT_EQ(TLogModel::Foreground(7, QStringLiteral("x"), s, LightView()), QColor(Qt::white));
    EXPECT_FALSE(TLogModel::Foreground(7, QStringLiteral("x"), s, DarkView()).isValid());
    // A light text colour that reads on the dark view stays.
    s.LogConsoleColorBg = 0xFF000005;
    s.LogConsoleColorFg = 0x0080FFFF;
    EXPECT_EQ(TLogModel::Foreground(9, QStringLiteral("x"), s, DarkView()), QColor(0xff, 0xff, 0x80));
    EXPECT_FALSE(TLogModel::Foreground(9, QStringLiteral("x"), s, LightView()).isValid());
}

TEST_F(LogModel, TheRowsTakeTheirTextColourFromTheViewsPalette) {
    TLogModel model;
    model.SetLogger(&Logger());
    Logger().Log(TLogKind::lkFile, QStringLiteral("Copying a"));
    model.Refresh();
    ASSERT_EQ(model.rowCount(), 1);
    const QModelIndex text = model.index(0, TLogModel::colText);
    model.SetViewPalette(LightView());
    EXPECT_EQ(model.data(text, Qt::ForegroundRole).value<QColor>(), QColor(Qt::black));
    model.SetViewPalette(DarkView());
    EXPECT_FALSE(model.data(text, Qt::ForegroundRole).isValid());
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
