#include "settings/GlobalSettings.h"

#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QtEndian>
#include <atomic>
#include <cerrno>
#include <ctime>
#include <mutex>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "store/SafeRegistry.h"

namespace {

// One list of every stored value drives both the load and the save, so the two cannot drift apart.
// Load reads into a fresh set whose member initialisers are the defaults.
class TSettingsIo {
public:
    virtual ~TSettingsIo() = default;
    // Selects the key below the program root; false when it cannot be used (values are skipped).
    virtual bool Key(const QString& name) = 0;
    virtual void Bool(const QString& name, bool& value) = 0;
    virtual void Int(const QString& name, int& value) = 0;
    virtual void Str(const QString& name, QString& value) = 0;
    // Binary values of a fixed byte count holding a little-endian number.
    virtual void Bin(const QString& name, quint8& value) = 0;
    virtual void Bin(const QString& name, quint16& value) = 0;
    virtual void Bin(const QString& name, quint32& value) = 0;
};

class TSettingsReader final : public TSettingsIo {
public:
    bool Key(const QString& name) override {
        reg_.CloseKey();
        return reg_.OpenKeyReadOnly(kProgramRoot + QLatin1Char('\\') + name);
    }
    void Bool(const QString& name, bool& value) override { value = reg_.ReadBool(name, value); }
    void Int(const QString& name, int& value) override { value = reg_.ReadInteger(name, value); }
    void Str(const QString& name, QString& value) override { value = reg_.ReadString(name, value); }
    void Bin(const QString& name, quint8& value) override { ReadFixed(name, value); }
    void Bin(const QString& name, quint16& value) override { ReadFixed(name, value); }
    void Bin(const QString& name, quint32& value) override { ReadFixed(name, value); }

private:
    // Only a binary value of exactly the expected size replaces the default; a shorter one would
    // otherwise leave a half-overwritten number.
    template <typename T>
    void ReadFixed(const QString& name, T& value) {
        if (reg_.GetDataType(name) != TRegDataType::rdBinary || reg_.GetDataSize(name) != int(sizeof(T)))
            return;
        uchar bytes[sizeof(T)] = {};
        if (reg_.ReadBinary(name, bytes, int(sizeof(T))) == int(sizeof(T)))
            value = qFromLittleEndian<T>(bytes);
    }
    TSafeRegistry reg_;
};

class TSettingsWriter final : public TSettingsIo {
public:
    bool Key(const QString& name) override {
        reg_.CloseKey();
        return reg_.OpenKey(kProgramRoot + QLatin1Char('\\') + name, true);
    }
    void Bool(const QString& name, bool& value) override { reg_.WriteBool(name, value); }
    void Int(const QString& name, int& value) override { reg_.WriteInteger(name, value); }
    void Str(const QString& name, QString& value) override { reg_.WriteString(name, value); }
    void Bin(const QString& name, quint8& value) override { WriteFixed(name, value); }
    void Bin(const QString& name, quint16& value) override { WriteFixed(name, value); }
    void Bin(const QString& name, quint32& value) override { WriteFixed(name, value); }

private:
    template <typename T>
    void WriteFixed(const QString& name, T value) {
        uchar bytes[sizeof(T)];
        qToLittleEndian<T>(value, bytes);
        reg_.WriteBinary(name, bytes, int(sizeof(T)));
    }
    TSafeRegistry reg_;
};

#define TV_VALUE(kind, owner, field) io.kind(QStringLiteral(#field), owner.field)

void MainValues(TSettingsIo& io, TMainSettings& s) {
    if (!io.Key(QStringLiteral("Main")))
        return;
    TV_VALUE(Bin, s, ViewStyle);
    TV_VALUE(Int, s, SortColumn);
    TV_VALUE(Bool, s, SortOrderAZ);
    TV_VALUE(Str, s, CurrentGroup);
    TV_VALUE(Str, s, CurrentProject);
    TV_VALUE(Bool, s, Suspend);
    TV_VALUE(Bool, s, DisableScheduler);
    TV_VALUE(Int, s, LastTip);
    TV_VALUE(Bool, s, FirstStart);
    TV_VALUE(Int, s, ViewSizeName);
    TV_VALUE(Int, s, ViewSizeType);
    TV_VALUE(Int, s, ViewSizeLastRun);
    TV_VALUE(Int, s, ViewSizeNextRun);
    TV_VALUE(Int, s, ViewSizeSource);
    TV_VALUE(Int, s, ViewSizeDestination);
}

void StartupValues(TSettingsIo& io, TStartupSettings& s) {
    if (!io.Key(QStringLiteral("Startup and Shutdown")))
        return;
    TV_VALUE(Bool, s, StartupRunMinimized);
    TV_VALUE(Bool, s, StartupHideTrayIcon);
    TV_VALUE(Bool, s, StartupShutDownAtClose);
    TV_VALUE(Bool, s, StartupConfirmShutdown);
    TV_VALUE(Bool, s, StartupHotKeyUse);
    TV_VALUE(Bin, s, StartupHotKey);
    TV_VALUE(Bool, s, StartupShowSplash);
}

void PerformanceValues(TSettingsIo& io, TPerformanceSettings& s) {
    if (!io.Key(QStringLiteral("Global Performance")))
        return;
    TV_VALUE(Bool, s, DisallowSimultaneousBackup);
    TV_VALUE(Bool, s, SchedulePauseUse);
    TV_VALUE(Int, s, SchedulePauseMin);
    TV_VALUE(Bool, s, TempDirDefault);
    TV_VALUE(Str, s, TempDirCustom);
}

void LogDisplayValues(TSettingsIo& io, TLogDisplaySettings& s) {
    if (!io.Key(QStringLiteral("Log Display")))
        return;
    TV_VALUE(Bin, s, LogSummaryColorBg);
    TV_VALUE(Bin, s, LogSummaryColorFg);
    TV_VALUE(Bin, s, LogFilesColorBg);
    TV_VALUE(Bin, s, LogFilesColorFg);
    TV_VALUE(Bin, s, LogSkippingColorBg);
    TV_VALUE(Bin, s, LogSkippingColorFg);
    TV_VALUE(Bin, s, LogWarningsColorBg);
    TV_VALUE(Bin, s, LogWarningsColorFg);
    TV_VALUE(Bin, s, LogErrorsColorBg);
    TV_VALUE(Bin, s, LogErrorsColorFg);
    TV_VALUE(Bin, s, LogFtpSendColorBg);
    TV_VALUE(Bin, s, LogFtpSendColorFg);
    TV_VALUE(Bin, s, LogFtpRecvColorBg);
    TV_VALUE(Bin, s, LogFtpRecvColorFg);
    TV_VALUE(Bin, s, LogConsoleColorBg);
    TV_VALUE(Bin, s, LogConsoleColorFg);
    TV_VALUE(Int, s, LogFontSize);
    TV_VALUE(Str, s, LogFontName);
    TV_VALUE(Bool, s, LogGrid);
    TV_VALUE(Int, s, LogViewSizeNum);
    TV_VALUE(Int, s, LogViewSizeDate);
    TV_VALUE(Int, s, LogViewSizeTime);
    TV_VALUE(Int, s, LogViewSizeEvent);
}

void LanguageValues(TSettingsIo& io, QString& language) {
    if (!io.Key(QStringLiteral("Interface Language")))
        return;
    io.Str(QStringLiteral("Language"), language);
}

void EventValues(TSettingsIo& io, TEventAlerts& events) {
    for (int set = 0; set < kAlertSetCount; ++set) {
        for (int event = 0; event < kAlertEventCount; ++event) {
            TAlertChannels& a = events[set][event];
            const QString prefix = QStringLiteral("Events") + QLatin1String(kAlertSetNames[set]) +
                                   QLatin1String(kAlertEventNames[event]);
            io.Bool(prefix + QStringLiteral("Dialog"), a.Dialog);
            io.Bool(prefix + QStringLiteral("Balloon"), a.Balloon);
            io.Bool(prefix + QStringLiteral("Sound"), a.Sound);
            io.Str(prefix + QStringLiteral("SoundFile"), a.SoundFile);
            if (event == int(TAlertEventKind::File))
                continue;  // a file event is never mailed
            io.Bool(prefix + QStringLiteral("EmailUse"), a.EmailUse);
            io.Str(prefix + QStringLiteral("Email"), a.Email);
            if (event == int(TAlertEventKind::Finish))
                io.Bool(prefix + QStringLiteral("EmailSendLog"), a.EmailSendLog);
        }
    }
}

void TasksDefaultsValues(TSettingsIo& io, TTasksDefaults& s) {
    if (!io.Key(QStringLiteral("Tasks Defaults")))
        return;
    TV_VALUE(Bool, s, RunBefore);
    TV_VALUE(Str, s, RunBeforeProgramName);
    TV_VALUE(Bool, s, RunBeforeWaitProgram);
    TV_VALUE(Bool, s, RunAfter);
    TV_VALUE(Str, s, RunAfterProgramName);
    TV_VALUE(Bool, s, RunAfterWaitProgram);
    TV_VALUE(Str, s, DialEntry);
    TV_VALUE(Bool, s, DialDisconnectAfter);
    TV_VALUE(Str, s, HardwareSkipList);
    TV_VALUE(Bool, s, BandwidthUse);
    TV_VALUE(Int, s, BandwidthValue);
    TV_VALUE(Str, s, BandwidthMeasure);
    TV_VALUE(Str, s, Password);
    TV_VALUE(Str, s, PasswordReminder);
    TV_VALUE(Bool, s, LogEnabled);
    TV_VALUE(Str, s, LogFileName);
    TV_VALUE(Int, s, LogMaxSize);
    TV_VALUE(Bool, s, LogIncludeSummary);
    TV_VALUE(Bool, s, LogIncludeFiles);
    TV_VALUE(Bool, s, LogIncludeSkipping);
    TV_VALUE(Bool, s, LogIncludeWarnings);
    TV_VALUE(Bool, s, LogIncludeErrors);
    TV_VALUE(Bool, s, LogIncludeFtp);
    TV_VALUE(Bool, s, LogIncludeConsole);
    TV_VALUE(Bin, s, CpuPerformance);
    TV_VALUE(Bool, s, PowerDontStartOnBatteries);
    TV_VALUE(Bool, s, PowerWakeToRun);
    TV_VALUE(Str, s, PowerBatteryMode);
    TV_VALUE(Str, s, EmailSmtpServer);
    TV_VALUE(Int, s, EmailSmtpServerPort);
    TV_VALUE(Bool, s, EmailSmtpServerAuthUse);
    TV_VALUE(Str, s, EmailSmtpServerAuthUser);
    TV_VALUE(Str, s, EmailSmtpServerAuthPassword);
    TV_VALUE(Str, s, EmailTo);
    TV_VALUE(Str, s, EmailFrom);
    TV_VALUE(Str, s, EmailSubject);
    EventValues(io, s.Events);
}

#undef TV_VALUE

void AllValues(TSettingsIo& io, TGlobalSettings& s) {
    MainValues(io, s.Main);
    StartupValues(io, s.Startup);
    PerformanceValues(io, s.Performance);
    LogDisplayValues(io, s.LogDisplay);
    LanguageValues(io, s.Language);
    TasksDefaultsValues(io, s.TasksDefaults);
}

struct TTableHook {
    QString name;
    std::function<void()> load;
    std::function<void()> save;
};

std::mutex& HooksMutex() {
    static std::mutex mutex;
    return mutex;
}

// Function-local so that tables may register during static initialisation of other units.
std::vector<TTableHook>& Hooks() {
    static std::vector<TTableHook> hooks;
    return hooks;
}

std::vector<TTableHook> HooksCopy() {
    std::lock_guard lock(HooksMutex());
    return Hooks();
}

qint64 MillisecondTick() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

}  // namespace

TEventAlerts TTasksDefaults::DefaultEventAlerts() {
    struct TRow {
        bool dialog, balloon, sound;
        const char* soundFile;
    };
    // [set][event] in the order Start, File, DiskSpan, Error, Warning, Finish.
    static constexpr TRow rows[kAlertSetCount][kAlertEventCount] = {
        {{false, true, true, "Media\\Male Voice\\MaleTaskStarted.wav"},
         {false, false, false, ""},
         {true, true, true, "Media\\Male Voice\\MaleNewDisk.wav"},
         {false, true, true, "Media\\Male Voice\\MaleError.wav"},
         {false, true, true, "Media\\Male Voice\\MaleWarning.wav"},
         {false, true, true, "Media\\Male Voice\\MaleTaskFinished.wav"}},
        {{false, false, true, "Media\\Male Voice\\MaleTaskStarted.wav"},
         {false, false, false, ""},
         {true, true, true, "Media\\Male Voice\\MaleNewDisk.wav"},
         {false, true, true, "Media\\Male Voice\\MaleError.wav"},
         {false, true, true, "Media\\Male Voice\\MaleWarning.wav"},
         {false, true, true, "Media\\Male Voice\\MaleTaskFinished.wav"}},
        {{false, false, false, ""},
         {false, false, false, ""},
         {true, true, false, ""},
         {false, false, false, ""},
         {false, false, false, ""},
         {false, false, false, ""}},
    };
    TEventAlerts alerts{};
    for (int set = 0; set < kAlertSetCount; ++set) {
        for (int event = 0; event < kAlertEventCount; ++event) {
            TAlertChannels& a = alerts[set][event];
            const TRow& row = rows[set][event];
            a = TAlertChannels{};
            a.Dialog = row.dialog;
            a.Balloon = row.balloon;
            a.Sound = row.sound;
            a.SoundFile = QString::fromLatin1(row.soundFile);
        }
    }
    return alerts;
}

TGlobalSettings& GlobalSettings() {
    static TGlobalSettings settings;
    return settings;
}

void ResetGlobalSettings() {
    GlobalSettings() = TGlobalSettings{};
}

void LoadGlobalSettings() {
    TGlobalSettings loaded;
    {
        TSettingsReader reader;
        AllValues(reader, loaded);
    }
    GlobalSettings() = std::move(loaded);
    for (const TTableHook& hook : HooksCopy())
        if (hook.load)
            hook.load();
}

void SaveGlobalSettings() {
    {
        // All values reach the store together or not at all.
        TStoreTransaction transaction;
        TSettingsWriter writer;
        AllValues(writer, GlobalSettings());
    }
    for (const TTableHook& hook : HooksCopy())
        if (hook.save)
            hook.save();
}

void RegisterGlobalSettingsTable(const QString& name, std::function<void()> load,
                                 std::function<void()> save) {
    std::lock_guard lock(HooksMutex());
    for (TTableHook& hook : Hooks()) {
        if (hook.name == name) {
            hook.load = std::move(load);
            hook.save = std::move(save);
            return;
        }
    }
    Hooks().push_back({name, std::move(load), std::move(save)});
}

QString MakeRunTempFolder() {
    const TPerformanceSettings& perf = GlobalSettings().Performance;
    QString base = perf.TempDirDefault ? Paths::SystemTempFolder() : perf.TempDirCustom;
    if (base.isEmpty())
        base = QStringLiteral("/tmp/");
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    if (!QDir().mkpath(base))
        return {};

    // The tick only seeds the number: two runs of this or another process in the same millisecond
    // must still get distinct folders, so the final mkdir is the claim and EEXIST moves on.
    static std::atomic<qint64> lastNumber{0};
    qint64 number = MillisecondTick();
    qint64 previous = lastNumber.load();
    do {
        if (number <= previous)
            number = previous + 1;
    } while (!lastNumber.compare_exchange_weak(previous, number));

    for (int attempt = 0; attempt < 100000; ++attempt, ++number) {
        const QString folder =
            base + QStringLiteral("~Tarnovex-") + QString::number(number) + QLatin1Char('/');
        const QByteArray native = EncodeFileName(folder.chopped(1));
        // Private to the user: a run may put decrypted copies here.
        if (::mkdir(native.constData(), 0700) == 0) {
            qint64 seen = lastNumber.load();
            while (seen < number && !lastNumber.compare_exchange_weak(seen, number)) {
            }
            return folder;
        }
        if (errno != EEXIST)
            return {};
    }
    return {};
}
