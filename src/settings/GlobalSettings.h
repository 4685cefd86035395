#pragma once

#include <QString>
#include <functional>

#include "settings/AlertTypes.h"

// The program-wide preferences, including the task defaults that every task option group with
// UseDefault set takes its values from. Field names are the stored value names; each sub-struct is
// one key below the program root. Defaults are the member initialisers.

struct TMainSettings {  // key "Main"
    quint8 ViewStyle = 3;
    int SortColumn = 0;
    bool SortOrderAZ = true;
    QString CurrentGroup = QStringLiteral("All Tasks");
    QString CurrentProject;
    bool Suspend = false;
    bool DisableScheduler = false;
    int LastTip = 0;
    bool FirstStart = true;
    int ViewSizeName = 130;
    int ViewSizeType = 90;
    int ViewSizeLastRun = 120;
    int ViewSizeNextRun = 120;
    int ViewSizeSource = 250;
    int ViewSizeDestination = 250;
};

struct TStartupSettings {  // key "Startup and Shutdown"
    bool StartupRunMinimized = false;
    bool StartupHideTrayIcon = false;
    bool StartupShutDownAtClose = true;
    bool StartupConfirmShutdown = true;
    bool StartupHotKeyUse = false;
    quint16 StartupHotKey = 0;
    bool StartupShowSplash = true;
};

struct TPerformanceSettings {  // key "Global Performance"
    bool DisallowSimultaneousBackup = false;
    bool SchedulePauseUse = true;
    int SchedulePauseMin = 5;
    bool TempDirDefault = true;
    QString TempDirCustom;
};

struct TLogDisplaySettings {  // key "Log Display"; colours 0x00BBGGRR or 0xFF0000nn (system colour nn)
    quint32 LogSummaryColorBg = 0x00E6CCCC;
    quint32 LogSummaryColorFg = 0x00000000;
    quint32 LogFilesColorBg = 0xFF000005;
    quint32 LogFilesColorFg = 0x00000000;
    quint32 LogSkippingColorBg = 0x00BFFFFF;
    quint32 LogSkippingColorFg = 0x00000000;
    quint32 LogWarningsColorBg = 0x00CACAFF;
    quint32 LogWarningsColorFg = 0x00000000;
    quint32 LogErrorsColorBg = 0x007575FF;
    quint32 LogErrorsColorFg = 0x00000000;
    quint32 LogFtpSendColorBg = 0x00FFFFFF;
    quint32 LogFtpSendColorFg = 0x00BFBFBF;
    quint32 LogFtpRecvColorBg = 0x00FFFFFF;
    quint32 LogFtpRecvColorFg = 0x007F7F7F;
    quint32 LogConsoleColorBg = 0x00FFFFFF;
    quint32 LogConsoleColorFg = 0x00800080;
    int LogFontSize = 9;
    QString LogFontName = QStringLiteral("Tahoma");
    bool LogGrid = false;
    int LogViewSizeNum = 50;
    int LogViewSizeDate = 80;
    int LogViewSizeTime = 80;
    int LogViewSizeEvent = 440;
};

struct TTasksDefaults {  // key "Tasks Defaults"
    bool RunBefore = false;
    QString RunBeforeProgramName;
    bool RunBeforeWaitProgram = false;
    bool RunAfter = false;
    QString RunAfterProgramName;
    bool RunAfterWaitProgram = false;
    QString DialEntry;
    bool DialDisconnectAfter = false;
    QString HardwareSkipList;
    bool BandwidthUse = false;
    int BandwidthValue = 1;
    QString BandwidthMeasure = QStringLiteral("MBits");  // "KBits" or "MBits"
    QString Password;
    QString PasswordReminder;
    bool LogEnabled = true;
    QString LogFileName = QStringLiteral("Tarnovex.log");
    int LogMaxSize = 0;
    bool LogIncludeSummary = true;
    bool LogIncludeFiles = true;
    bool LogIncludeSkipping = true;
    bool LogIncludeWarnings = true;
    bool LogIncludeErrors = true;
    bool LogIncludeFtp = true;
    bool LogIncludeConsole = true;
    quint8 CpuPerformance = 2;
    bool PowerDontStartOnBatteries = false;
    bool PowerWakeToRun = false;
    QString PowerBatteryMode = QStringLiteral("C");
    QString EmailSmtpServer;
    int EmailSmtpServerPort = 25;
    bool EmailSmtpServerAuthUse = false;
    QString EmailSmtpServerAuthUser;
    QString EmailSmtpServerAuthPassword;
    QString EmailTo;
    QString EmailFrom;
    QString EmailSubject = QStringLiteral("Backup Notification");
    // The 105 "Events..." values; defaults set by DefaultEventAlerts().
    TEventAlerts Events = DefaultEventAlerts();

    static TEventAlerts DefaultEventAlerts();
};

struct TGlobalSettings {
    TMainSettings Main;
    TStartupSettings Startup;
    TPerformanceSettings Performance;
    TLogDisplaySettings LogDisplay;
    QString Language;  // key "Interface Language", value "Language"
    TTasksDefaults TasksDefaults;
};

// The one in-memory set of the program.
TGlobalSettings& GlobalSettings();

// Reads every value with its default (keys are not created), then runs the registered table loaders
// (the archiver and encryptor definitions register theirs).
void LoadGlobalSettings();
// Writes every value (the window values of "Main" excepted), then runs the registered table savers.
void SaveGlobalSettings();
// Resets the in-memory set to the defaults (tests, and before a load).
void ResetGlobalSettings();

// Hook for the tables that live beside the preferences ("External Compressors", "External Encryptors").
void RegisterGlobalSettingsTable(const QString& name, std::function<void()> load, std::function<void()> save);

// The folder for a run's temporary files, created with its parents: the system temporary folder
// (or TempDirCustom), then "~Tarnovex-" and a number unique within the process, then '/'.
QString MakeRunTempFolder();
