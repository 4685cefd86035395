#include "app/CommandLine.h"

#include <QCoreApplication>
#include <QStringList>

#include "logging/UserInterface.h"
#include "model/MainData.h"
#include "settings/GlobalSettings.h"

namespace {

bool IsBlank(QChar c) {
    return c.unicode() >= 1 && c.unicode() <= 32;
}

// Reads one token from position pos on; pos moves behind it.
QString ReadToken(const QString& text, qsizetype& pos) {
    const qsizetype n = text.size();
    for (;;) {
        if (pos < n && IsBlank(text[pos])) {
            ++pos;
        } else if (pos + 1 < n && text[pos] == QLatin1Char('"') && text[pos + 1] == QLatin1Char('"')) {
            pos += 2;
        } else {
            break;
        }
    }
    QString token;
    while (pos < n && text[pos].unicode() > 32) {
        if (text[pos] == QLatin1Char('"')) {
            ++pos;
            while (pos < n && text[pos] != QLatin1Char('"'))
                token += text[pos++];
            if (pos < n)
                ++pos;
        } else {
            token += text[pos++];
        }
    }
    return token;
}

// A name value loses one pair of enclosing double quotes; a doubled quote inside becomes one.
QString Dequoted(const QString& value) {
    if (!value.startsWith(QLatin1Char('"')))
        return value;
    QString result;
    qsizetype i = 1;
    while (i < value.size()) {
        if (value[i] == QLatin1Char('"')) {
            if (i + 1 < value.size() && value[i + 1] == QLatin1Char('"')) {
                result += QLatin1Char('"');
                i += 2;
                continue;
            }
            return result;
        }
        result += value[i++];
    }
    return value;  // no closing quote: left as it is
}

}  // namespace

int ParamCountOf(const QString& text) {
    qsizetype pos = 0;
    ReadToken(text, pos);
    int count = 0;
    while (!ReadToken(text, pos).isEmpty())
        ++count;
    return count;
}

QString ParamStrOf(const QString& text, int i) {
    if (i <= 0)
        return QCoreApplication::applicationFilePath();
    qsizetype pos = 0;
    ReadToken(text, pos);
    for (int k = 1;; ++k) {
        const QString token = ReadToken(text, pos);
        if (token.isEmpty() || k == i)
            return token;
    }
}

QString CommandTextOf(const QStringList& arguments) {
    QString text;
    for (const QString& argument : arguments) {
        text += QLatin1Char(' ');
        if (argument.contains(QLatin1Char(' ')))
            text += QLatin1Char('"') + argument + QLatin1Char('"');
        else
            text += argument;
    }
    return text;
}

void ProcessCommandLine(const QString& text, TMainData& data, TCommandHost& host) {
    host.RunProgramStartupItems();
    const int count = ParamCountOf(text);
    if (count == 0) {
        host.ShowMainWindow();
        return;
    }
    for (int i = 1; i <= count; ++i) {
        const QString argument = ParamStrOf(text, i);
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        if (equals < 0) {
            const QString name = argument.toUpper();
            if (name == QLatin1String("/HELP") || name == QLatin1String("/?"))
                host.ShowHelpTopic(QStringLiteral("/files/commandlineoptions.html"));
            else if (name == QLatin1String("/EXIT"))
                host.Exit();
            else if (name == QLatin1String("/EXITNOW"))
                host.ExitNow();
            else if (name == QLatin1String("/EXITWHENIDLE"))
                host.SetExitWhenIdle();
            else if (name == QLatin1String("/SHOWABOUTBOX"))
                host.ShowAboutBox();
            else if (name == QLatin1String("/RUNALL"))
                data.RunGroup(QString(), false);
            else if (name == QLatin1String("/SYSTEMSTARTUP"))
                host.SystemStartup();
            continue;
        }
        const QString name = argument.left(equals).toUpper();
        const QString value = argument.mid(equals + 1);
        const QString onOff = value.toUpper();
        if (name == QLatin1String("/ICON")) {
            TStartupSettings& startup = GlobalSettings().Startup;
            if (onOff == QLatin1String("ON"))
                startup.StartupHideTrayIcon = false;
            else if (onOff == QLatin1String("OFF"))
                startup.StartupHideTrayIcon = true;
            host.SetTrayIconVisible(!startup.StartupHideTrayIcon);
        } else if (name == QLatin1String("/RUNGROUP")) {
            data.RunGroup(Dequoted(value), false);
        } else if (name == QLatin1String("/RUNTASK")) {
            data.RunByName(Dequoted(value), false);
        } else if (name == QLatin1String("/RUNTASKBYID")) {
            data.RunById(Dequoted(value), false);
        } else if (name == QLatin1String("/SUSPEND")) {
            if (onOff == QLatin1String("ON"))
                GlobalSettings().Main.Suspend = true;
            else if (onOff == QLatin1String("OFF"))
                GlobalSettings().Main.Suspend = false;
            data.ApplyGlobalSuspend();
            host.UpdateActions();
        } else if (name == QLatin1String("/SILENT")) {
            if (onOff == QLatin1String("ON"))
                UserInterface().SetSilentMode(true);
            else if (onOff == QLatin1String("OFF"))
                UserInterface().SetSilentMode(false);
        }
    }
}
