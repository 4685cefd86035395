#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "fixtures/TempHome.h"
#include "model/Task.h"
#include "model/TaskVariables.h"
#include "platform/Drives.h"
#include "platform/SystemInfo.h"

namespace {

TSourceFolder SF(const QString& folder, bool includeSubfolders) {
    TSourceFolder item;
    item.Folder = folder;
    item.IncludeSubfolders = includeSubfolders;
    return item;
}

class TaskVariablesTest : public TarnovexTest {
protected:
    void SetUp() override { At(2024, 3, 5, 9, 5, 7); }  // a Tuesday
    static void At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
        const TDateTime now = DateTime::Encode(y, mo, d, h, mi, s);
        DateTime::SetClock([now] { return now; });
    }
    static TTask LocalTask(const QStringList& sources, const QString& destination) {
        TTask task;
        for (const QString& source : sources)
            task.SourceFolders.push_back(SF(source, true));
        task.DestLocal = destination;
        return task;
    }
    static QString Eval(const TTask& task, const char* name) {
        for (const TFolderVariableDef& def : kTaskVariables)
            if (QLatin1String(def.Name) == QLatin1String(name))
                return EvaluateTaskVariable(task, def.Code, 0);
        ADD_FAILURE() << "no variable " << name;
        return {};
    }
};

}  // namespace

TEST_F(TaskVariablesTest, DestinationVariableInArchiveFolder) {
    const TTask task = LocalTask({"/src"}, "/backup");
    EXPECT_EQ(ExpandTaskPath(task, "%destination%File Versions Archive"), "/backup/File Versions Archive");
}

TEST_F(TaskVariablesTest, TokensIgnoreCaseAndOnlyTheFirstOccurrenceIsReplaced) {
    const TTask task = LocalTask({"/src"}, "/dst");
    EXPECT_EQ(ExpandTaskPath(task, "%DATE%-%date%"), "20240305-%date%");
    EXPECT_EQ(ExpandTaskPath(task, "a%Date%b%Date%"), "a20240305b%Date%");
    EXPECT_EQ(ExpandTaskPath(task, "%Unknown%/%"), "%Unknown%/%");
}

TEST_F(TaskVariablesTest, BlankTextIsReturnedUnchanged) {
    const TTask task = LocalTask({"/src"}, "/dst");
    EXPECT_EQ(ExpandTaskPath(task, "   "), "   ");
    EXPECT_EQ(ExpandTaskPath(task, ""), "");
}

TEST_F(TaskVariablesTest, NumberedSourceVariables) {
    TTask task = LocalTask({"/home/ann/Docs"}, "/dst");
    EXPECT_EQ(ExpandTaskPath(task, "%Source2%x"), "%Source2%x");
    task.SourceFolders.push_back(SF("/srv/Music/", true));
    task.ClearPathCaches();
    EXPECT_EQ(ExpandTaskPath(task, "%source2%|%SourceTop2%|%SourceExcludeRoot2%|%Source%|%SourceTop%"),
              "/srv/Music/|Music/|srv/Music/|/home/ann/Docs/|Docs/");
    EXPECT_EQ(ExpandTaskPath(task, "%SourceRoot2%"), Drives::MountPointOf("/srv/Music/"));
}

TEST_F(TaskVariablesTest, DestinationVariablesOfAnFtpTask) {
    TTask task;
    task.DestType = TDestKind::dkFtp;
    task.DestFTP_Address = "ftp://host/pub";
    EXPECT_EQ(ExpandTaskPath(task, "x%DestinationTop%y"), "x" + kVariableErrorMark + "y");
    EXPECT_EQ(ExpandTaskPath(task, "%Destination%"), "/pub/");
    EXPECT_EQ(kVariableErrorMark, "\\\\\\ERROR!\\\\\\");
    task.DestType = TDestKind::dkCdDvd;
    EXPECT_EQ(Eval(task, "Destination"), kVariableErrorMark);
}

TEST_F(TaskVariablesTest, LocalDestinationVariables) {
    const TTask task = LocalTask({"/src"}, "/mnt/backups/Daily");
    EXPECT_EQ(Eval(task, "DestinationTop"), "Daily/");
    EXPECT_EQ(Eval(task, "DestinationExcludeRoot"), "mnt/backups/Daily/");
    EXPECT_EQ(Eval(task, "DestinationRoot"), Drives::MountPointOf("/mnt/backups/Daily/"));
    EXPECT_EQ(Eval(task, "DeletedArchive"), "n/a");
    EXPECT_EQ(Eval(task, "ProjectId"), task.ID);
    EXPECT_EQ(Eval(task, "ProjectName"), "Untitled");
    EXPECT_EQ(Eval(task, "ComputerName"), SystemInfo::ComputerName().trimmed());
    EXPECT_FALSE(Eval(task, "UserName").isEmpty());
    EXPECT_EQ(EvaluateTaskVariable(task, 15, 0), kVariableErrorMark);
}

TEST_F(TaskVariablesTest, SelfReferenceStopsAtTheSixteenthLevel) {
    const TTask task = LocalTask({"/src"}, "%Destination%x");
    // Fifteen nested evaluations give a value; the sixteenth gives the mark. Each of the sixteen
    // expansions appends "x" and the separator.
    EXPECT_EQ(task.DestinationFolder(-1), kVariableErrorMark + QStringLiteral("x/").repeated(16));

    // The count belongs to one chain: an independent expansion afterwards starts from zero again.
    const TTask other = LocalTask({"/src"}, "/plain");
    EXPECT_EQ(ExpandTaskPath(other, "%Destination%"), "/plain/");

    // Two paths that refer to each other end as well.
    TTask mutual = LocalTask({"/src"}, "%VersionsArchive%");
    mutual.VersionsKeepType = TVersionsKeepKind::vkArcFolder;
    mutual.VersionsKeepArcFolder = "%Destination%v";
    EXPECT_TRUE(mutual.DestinationFolder(-1).contains(kVariableErrorMark));
}

TEST_F(TaskVariablesTest, DateAndTimeValues) {
    const TTask task = LocalTask({"/src"}, "/dst");
    EXPECT_EQ(Eval(task, "DateTime"), "20240305090507");
    EXPECT_EQ(Eval(task, "Date"), "20240305");
    EXPECT_EQ(Eval(task, "Time"), "090507");
    EXPECT_EQ(Eval(task, "Year"), "2024");
    EXPECT_EQ(Eval(task, "Month"), "03");
    EXPECT_EQ(Eval(task, "Day"), "05");
    EXPECT_EQ(Eval(task, "Hour"), "09");
    EXPECT_EQ(Eval(task, "Min"), "05");
    EXPECT_EQ(Eval(task, "Sec"), "07");
    EXPECT_EQ(Eval(task, "MinuteOfDay"), "545");
    EXPECT_EQ(Eval(task, "SecondOfDay"), "32707");
    EXPECT_EQ(Eval(task, "MonthOfYearStr"), "Mar");
    EXPECT_EQ(Eval(task, "MonthOfYearString"), "March");
    EXPECT_EQ(Eval(task, "WeekDayStr"), "Tue");
    EXPECT_EQ(Eval(task, "WeekDayString"), "Tuesday");
    EXPECT_EQ(Eval(task, "WeekDayNum"), "2");
    EXPECT_EQ(Eval(task, "DayOfWeek"), "2");
    EXPECT_EQ(Eval(task, "DayOfYear"), "65");  // 31 + 29 + 5
    EXPECT_EQ(Eval(task, "WeekOfYear"), "10");
    EXPECT_EQ(Eval(task, "WeekOfMonth"), "1");
    EXPECT_EQ(Eval(task, "HourOfYear"), QString::number(64 * 24 + 9));
    EXPECT_EQ(Eval(task, "HourOfMonth"), QString::number(4 * 24 + 9));
    EXPECT_EQ(Eval(task, "HourOfWeek"), QString::number(24 + 9));
    EXPECT_EQ(Eval(task, "MinuteOfYear"), QString::number(64 * 1440 + 545));
    EXPECT_EQ(Eval(task, "MinuteOfMonth"), QString::number(4 * 1440 + 545));
    EXPECT_EQ(Eval(task, "MinuteOfWeek"), QString::number(1440 + 545));
    EXPECT_EQ(Eval(task, "SecondOfYear"), QString::number(64 * 86400 + 32707));
    EXPECT_EQ(Eval(task, "SecondOfMonth"), QString::number(4 * 86400 + 32707));
    EXPECT_EQ(Eval(task, "SecondOfWeek"), QString::number(86400 + 32707));

    At(2024, 12, 29, 23, 59, 59);  // Sunday
    EXPECT_EQ(Eval(task, "DayOfWeek"), "7");
    EXPECT_EQ(Eval(task, "WeekDayString"), "Sunday");
    EXPECT_EQ(Eval(task, "DayOfYear"), "364");
    EXPECT_EQ(Eval(task, "MonthOfYearStr"), "Dec");
    EXPECT_EQ(Eval(task, "HourOfWeek"), "167");
}

TEST_F(TaskVariablesTest, WeeksCountInTheMonthAndYearOfTheirThursday) {
    const TTask task = LocalTask({"/src"}, "/dst");
    At(2021, 1, 1);  // Friday: its week's Thursday is 31 December 2020
    EXPECT_EQ(Eval(task, "WeekOfYear"), "53");
    EXPECT_EQ(Eval(task, "WeekOfMonth"), "5");
    At(2024, 7, 31);  // Wednesday: Thursday is 1 August
    EXPECT_EQ(Eval(task, "WeekOfMonth"), "1");
    At(2024, 7, 28);  // Sunday: Thursday is 25 July
    EXPECT_EQ(Eval(task, "WeekOfMonth"), "4");
    At(2024, 12, 30);  // Monday of ISO week 1 of 2025
    EXPECT_EQ(Eval(task, "WeekOfYear"), "1");
    At(2024, 4, 4);  // the first Thursday of April
    EXPECT_EQ(Eval(task, "WeekOfMonth"), "1");
    At(2024, 4, 3);  // Wednesday before it, still the first week of April
    EXPECT_EQ(Eval(task, "WeekOfMonth"), "1");
    At(2024, 4, 1);
    EXPECT_EQ(Eval(task, "WeekOfMonth"), "1");
}

TEST_F(TaskVariablesTest, EnvironmentAndSpecialFolders) {
    qputenv("TARNOVEX_VARTEST", "envvalue");
    const TTask task = LocalTask({"/src"}, "/dst");
    EXPECT_EQ(ExpandTaskPath(task, "/x/%tarnovex_vartest%/%TARNOVEX_VARTEST%"),
              "/x/envvalue/%TARNOVEX_VARTEST%");
    qunsetenv("TARNOVEX_VARTEST");
    EXPECT_EQ(ExpandTaskPath(task, "/x/%TARNOVEX_VARTEST%"), "/x/%TARNOVEX_VARTEST%");
    // Task variables come first: a value inserted earlier is itself searched by later tokens.
    qputenv("TARNOVEX_VARTEST", "%Date%");
    EXPECT_EQ(ExpandTaskPath(task, "%Year%-%TARNOVEX_VARTEST%"), "2024-%Date%");
    qunsetenv("TARNOVEX_VARTEST");

    EXPECT_EQ(ExpandTaskPath(task, "[%WindowsCookies%]"), "[]");
    EXPECT_EQ(ExpandTaskPath(task, "%WindowsDesktop%"),
              QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation)));
    EXPECT_EQ(ExpandTaskPath(task, "%WINDOWSPERSONAL%"),
              QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)));
    EXPECT_TRUE(ExpandTaskPath(task, "%WindowsStartup%").endsWith("/autostart"));
}

