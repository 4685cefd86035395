#pragma once

#include <QStringList>
#include <memory>
#include <ostream>
#include <vector>

#include "fixtures/TempHome.h"
#include "logging/TaskLogger.h"
#include "model/MainData.h"
#include "platform/LocaleFormats.h"
#include "settings/GlobalSettings.h"
#include "ui/WindowPrompts.h"

// A task that passes every check of the properties dialog's OK: a name, one source folder, a local
// destination and the include-everything filter.
inline std::unique_ptr<TTask> CompleteTestTask() {
    auto task = std::make_unique<TTask>();
    task->Name = QStringLiteral("Daily");
    TSourceFolder source;
    source.Folder = QStringLiteral("/home/u/docs");
    task->SourceFolders.push_back(source);
    task->DestLocal = QStringLiteral("/mnt/backup");
    task->Filters.push_back(MakeIncludeAllFilter());
    return task;
}

// Texts in test failures as text, not as the bytes of their characters.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

// Runs without workers: a run request marks the task running, a stop request is only recorded, so a
// test decides when a run ends.
class TFakeRunControl : public TRunControl {
public:
    void RequestRun(TTask& task, bool manual) override {
        task.IsRunning = true;
        task.StartedManually = manual;
        started.append(task.ID);
    }
    void RequestStop(TTask& task) override { stopped.append(task.ID); }
    void SetSuspended(TTask& task, bool suspended) override { task.Suspended = suspended; }
    bool IsSuspended(const TTask& task) const override { return task.Suspended; }

    QStringList started;
    QStringList stopped;
};

// Answers the window's questions as a test says and records what was asked.
class TFakePrompts : public TWindowPrompts, public TPasswordPrompt {
public:
    bool Confirm(const QString& caption, const QString& text) override {
        asked.append(caption + QStringLiteral(" | ") + text);
        return confirmAnswer;
    }
    void Information(const QString& caption, const QString& text) override {
        informed.append(caption + QStringLiteral(" | ") + text);
    }
    void Error(const QString& caption, const QString& text) override {
        errors.append(caption + QStringLiteral(" | ") + text);
    }
    bool EditGroupName(QString& name) override {
        proposedGroupNames.append(name);
        if (groupName.isEmpty())
            return false;
        name = groupName;
        return true;
    }
    bool EditGroupOrder(QStringList& names) override {
        if (groupOrder.isEmpty())
            return false;
        names = groupOrder;
        return true;
    }
    TPasswordPrompt& PasswordPrompt() override { return *this; }
    bool ConfirmShutdown(bool& dontAskAgain) override {
        ++shutdownQuestions;
        dontAskAgain = shutdownDontAskAgain;
        return shutdownAnswer;
    }
    bool AskSearch(QString& text, bool& matchCase, bool& down) override {
        text = searchText;
        matchCase = false;
        down = true;
        return true;
    }
    QString AskLogFileName(const QString&) override { return logFileName; }

    bool Ask(const QString&, const QString&, QString& typed) override {
        ++passwordQuestions;
        typed = password;
        return true;
    }
    void ShowInformation(const QString&, const QString&) override {}
    void ShowError(const QString& title, const QString& text) override {
        errors.append(title + QStringLiteral(" | ") + text);
    }

    bool confirmAnswer = true;
    QString groupName;
    QStringList groupOrder;
    bool shutdownAnswer = true;
    bool shutdownDontAskAgain = false;
    QString searchText;
    QString logFileName;
    QString password;
    int shutdownQuestions = 0;
    int passwordQuestions = 0;
    QStringList asked;
    QStringList informed;
    QStringList errors;
    QStringList proposedGroupNames;
};

// A private home, the default preferences and fixed date formats for each test.
class UiTest : public TarnovexTest {
protected:
    void SetUp() override {
        ResetGlobalSettings();
        LocaleFormats::Set({QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm:ss")});
    }
    void TearDown() override {
        ForgetAllLoggers();
        ResetGlobalSettings();
        TarnovexTest::TearDown();
    }
    TTask& AddTask(TMainData& data, const QString& name, const QString& group = {}) {
        auto task = std::make_unique<TTask>();
        task->Name = name;
        task->BelongToGroup = group;
        return data.Tasks.Add(std::move(task));
    }
};
