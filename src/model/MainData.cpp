#include "model/MainData.h"

#include <QSet>

#include "platform/HotKeys.h"
#include "platform/Volumes.h"
#include "settings/FormatText.h"
#include "settings/GlobalSettings.h"
#include "settings/Language.h"
#include "store/SafeRegistry.h"

namespace {

QString GroupsKey() {
    return kProgramRoot + QStringLiteral("\\Groups");
}
QString TasksKey() {
    return kProgramRoot + QStringLiteral("\\Tasks");
}
QString EditTaskKey() {
    return kProgramRoot + QStringLiteral("\\Temp\\EditTask");
}

bool StartsWithDigit(const QString& text) {
    return !text.isEmpty() && text[0] >= QLatin1Char('0') && text[0] <= QLatin1Char('9');
}

}  // namespace

TTask& TTasksList::Add(std::unique_ptr<TTask> task) {
    items_.push_back(std::move(task));
    return *items_.back();
}

std::unique_ptr<TTask> TTasksList::Take(const TTask& task) {
    for (auto it = items_.begin(); it != items_.end(); ++it) {
        if (it->get() == &task) {
            std::unique_ptr<TTask> taken = std::move(*it);
            items_.erase(it);
            return taken;
        }
    }
    return nullptr;
}

bool TTasksList::ContainsId(const QString& id) const {
    for (const auto& task : items_)
        if (task->ID == id)
            return true;
    return false;
}

TMainData::TMainData() = default;

TMainData::~TMainData() = default;

void TMainData::LoadAll() {
    Groups.clear();
    {
        TSafeRegistry reg;
        if (reg.OpenKeyReadOnly(GroupsKey())) {
            QStringList names;
            reg.GetValueNames(names);
            if (!names.isEmpty() && StartsWithDigit(names.first())) {
                for (int i = 0; i < names.size(); ++i)
                    Groups.append(reg.ReadString(QString::number(i), QString()));
            } else if (!names.isEmpty()) {
                // The older form names each value after its group; the next save writes the indexed form.
                TSafeRegistry writer;
                const bool canWrite = writer.OpenKey(GroupsKey(), false);
                for (const QString& name : names) {
                    Groups.append(name);
                    if (canWrite)
                        writer.DeleteValue(name);
                }
            }
        }
    }

    Tasks.Clear();
    QStringList keyNames;
    {
        TSafeRegistry reg;
        if (reg.OpenKeyReadOnly(TasksKey()))
            reg.GetKeyNames(keyNames);
    }
    QSet<QString> seenIds;
    for (const QString& keyName : keyNames) {
        auto task = std::make_unique<TTask>();
        task->LoadFromRegistry(TasksKey() + QLatin1Char('\\') + keyName);
        // A task is saved under its ID: an empty ID would write the task over the "\Tasks" key itself,
        // and two tasks sharing an ID would overwrite each other at the next save. The key name keeps
        // the identity of a task without a stored ID; a clash gets a fresh ID so both tasks survive.
        if (task->ID.isEmpty())
            task->ID = keyName;
        if (seenIds.contains(task->ID)) {
            do {
                task->GenerateId();
            } while (seenIds.contains(task->ID));
        }
        seenIds.insert(task->ID);
        Tasks.Add(std::move(task));
    }
}

void TMainData::SaveAll() const {
    TStoreTransaction transaction;
    {
        TSafeRegistry reg;
        if (reg.OpenKey(GroupsKey(), true)) {
            QStringList names;
            reg.GetValueNames(names);
            QSet<QString> wanted;
            for (int i = 0; i < Groups.size(); ++i)
                wanted.insert(QString::number(i));
            for (const QString& name : names)
                if (!wanted.contains(name))
                    reg.DeleteValue(name);
            for (int i = 0; i < Groups.size(); ++i)
                reg.WriteString(QString::number(i), Groups[i]);
        }
    }
    {
        TSafeRegistry reg;
        if (reg.OpenKey(TasksKey(), true)) {
            QStringList keyNames;
            reg.GetKeyNames(keyNames);
            for (const QString& keyName : keyNames)
                if (!Tasks.ContainsId(keyName))
                    reg.DeleteKey(keyName);
        }
    }
    for (const auto& task : Tasks)
        task->SaveToRegistry(TasksKey() + QLatin1Char('\\') + task->ID);
}

void TMainData::SaveLastRun(const TTask& task) {
    const QString key = TasksKey() + QLatin1Char('\\') + task.ID;
    TSafeRegistry reg;
    if (reg.KeyExists(key) && reg.OpenKey(key + QStringLiteral("\\ExtendedData"), true))
        reg.WriteFloat(QStringLiteral("LastRun"), task.LastRun);
}

TTask* TMainData::FindTask(const QString& id) const {
    TTask* found = nullptr;
    for (const auto& task : Tasks)
        if (task->ID == id)
            found = task.get();
    return found;
}

std::vector<TTask*> TMainData::FindTasksByName(const QString& name) const {
    std::vector<TTask*> found;
    for (const auto& task : Tasks)
        if (task->Name == name)
            found.push_back(task.get());
    return found;
}

QString TMainData::AllTasksName() {
    return Translate(QStringLiteral("All Tasks"), QStringLiteral("strAllTasks"));
}

bool TMainData::InGroup(const TTask& task, const QString& group) {
    return group == AllTasksName() || task.BelongToGroup == group;
}

int TMainData::CountRunning(const QString& group) const {
    int count = 0;
    for (const auto& task : Tasks)
        if (InGroup(*task, group) && task->IsRunning)
            ++count;
    return count;
}

int TMainData::CountTasks(const QString& group) const {
    int count = 0;
    for (const auto& task : Tasks)
        if (InGroup(*task, group))
            ++count;
    return count;
}

bool TMainData::HasIdleTask(const QString& group) const {
    for (const auto& task : Tasks)
        if (InGroup(*task, group) && !task->IsRunning)
            return true;
    return false;
}

void TMainData::RunByName(const QString& name, bool manual) {
    if (!RunControl)
        return;
    for (TTask* task : FindTasksByName(name))
        if (!task->IsRunning)
            RunControl->RequestRun(*task, manual);
}

void TMainData::RunById(const QString& id, bool manual) {
    TTask* task = FindTask(id);
    if (RunControl && task && !task->IsRunning)
        RunControl->RequestRun(*task, manual);
}

void TMainData::RunGroup(const QString& group, bool manual) {
    if (!RunControl)
        return;
    // A run request may change the list's state (a queue, a finished run); collect first.
    std::vector<TTask*> idle;
    for (const auto& task : Tasks)
        if (InGroup(*task, group) && !task->IsRunning)
            idle.push_back(task.get());
    for (TTask* task : idle)
        RunControl->RequestRun(*task, manual);
}

void TMainData::StopGroup(const QString& group) {
    if (!RunControl)
        return;
    for (const auto& task : Tasks)
        if (InGroup(*task, group) && task->IsRunning)
            RunControl->RequestStop(*task);
}

void TMainData::PauseGroup(const QString& group) {
    if (!RunControl)
        return;
    for (const auto& task : Tasks)
        if (InGroup(*task, group) && task->IsRunning && !RunControl->IsSuspended(*task))
            RunControl->SetSuspended(*task, true);
}

void TMainData::ApplyGlobalSuspend() {
    if (!RunControl)
        return;
    const bool suspend = GlobalSettings().Main.Suspend;
    for (const auto& task : Tasks)
        if (task->IsRunning)
            RunControl->ApplyGlobalSuspend(*task, suspend);
}

bool TMainData::CreateGroup(const QString& name, QString* error) {
    if (name.trimmed().isEmpty() || Groups.contains(name) || name == AllTasksName()) {
        if (error)
            *error = FormatText(
                Translate(QStringLiteral("Cannot create \"%s\": A group with the name you "
                                         "specified already exists. Specify a different group name."),
                          QStringLiteral("strMainGroupCreateErrorAlreadyExists")),
                {name});
        return false;
    }
    Groups.append(name);
    return true;
}

bool TMainData::RenameGroup(const QString& oldName, const QString& newName, QString* error) {
    const qsizetype index = Groups.indexOf(oldName);
    if (index < 0)
        return false;
    if (newName == oldName)
        return true;
    if (newName.trimmed().isEmpty() || Groups.contains(newName) || newName == AllTasksName()) {
        if (error)
            *error = FormatText(
                Translate(QStringLiteral("Cannot rename \"%s\": A group with the name you "
                                         "specified already exists. Specify a different group name."),
                          QStringLiteral("strMainGroupRenameErrorAlreadyExists")),
                {oldName});
        return false;
    }
    Groups[index] = newName;
    for (const auto& task : Tasks)
        if (task->BelongToGroup == oldName)
            task->BelongToGroup = newName;
    GlobalSettings().Main.CurrentGroup = newName;
    return true;
}

QString TMainData::DeleteGroup(const QString& name) {
    const qsizetype index = Groups.indexOf(name);
    if (index < 0)
        return GlobalSettings().Main.CurrentGroup;
    Groups.removeAt(index);
    const QString current = index > 0 ? Groups[index - 1] : AllTasksName();
    GlobalSettings().Main.CurrentGroup = current;
    return current;
}

void TMainData::ReorderGroups(const QStringList& ordered) {
    Groups = ordered;
}

TTask& TMainData::AddTask(std::unique_ptr<TTask> task) {
    while (Tasks.ContainsId(task->ID))
        task->GenerateId();
    GlobalSettings().Main.CurrentProject = task->ID;
    return Tasks.Add(std::move(task));
}

TTask& TMainData::DuplicateTask(const TTask& task) {
    {
        TSafeRegistry reg;
        reg.DeleteKey(EditTaskKey());
    }
    task.SaveToRegistry(EditTaskKey());
    auto copy = std::make_unique<TTask>();
    copy->LoadFromRegistry(EditTaskKey());
    copy->GenerateId();
    copy->Name = FormatText(Translate(QStringLiteral("%s duplicate"), QStringLiteral("strTaskDuplicate")),
                            {task.Name});
    copy->HotKey = 0;
    TTask& added = AddTask(std::move(copy));
    RegisterHotKeys();
    return added;
}

bool TMainData::DeleteTask(TTask& task, QString* error) {
    if (task.IsRunning) {
        if (error)
            *error =
                Translate(QStringLiteral("You can't delete running Task. Please wait while Task done working "
                                         "and then try again."),
                          QStringLiteral("strMainTaskCantDeleteRunning"));
        return false;
    }
    Tasks.Take(task);  // destroyed here; its key leaves the store at the next SaveAll
    RegisterHotKeys();
    return true;
}

void TMainData::ReleaseHotKeys() {
    if (!HotKeyService)
        return;
    for (int i = 0; i < kHotKeyTableSize; ++i)
        HotKeyService->Release(i);
}

void TMainData::RegisterHotKeys() {
    HotKeys.fill(THotRec{});
    HotKeyCount = 0;
    if (!HotKeyService)
        return;
    ReleaseHotKeys();
    for (const auto& task : Tasks) {
        if (task->HotKey == 0)
            continue;
        if (HotKeyCount < kHotKeyTableSize && HotKeyService->Register(HotKeyCount, task->HotKey)) {
            HotKeys[static_cast<size_t>(HotKeyCount)] = THotRec{HotKeyCount, task->ID};
            ++HotKeyCount;
        } else if (Host) {
            Host->ShowError(Translate(QStringLiteral("Hoy key registering failed!"),
                                      QStringLiteral("strTaskPropHotKeyRegFail")));
        }
    }
}

bool TMainData::CanRegisterHotKey(quint16 hotKey) const {
    if (!HotKeyService || !HotKeyService->Register(kHotKeyProbeNumber, hotKey))
        return false;
    HotKeyService->Release(kHotKeyProbeNumber);
    return true;
}

bool TMainData::OnHotKey(int number) {
    bool found = false;
    for (int i = 0; i < HotKeyCount; ++i) {
        const THotRec entry = HotKeys[static_cast<size_t>(i)];
        if (entry.Number != number)
            continue;
        TTask* task = FindTask(entry.ID);
        if (!task)
            continue;
        found = true;
        const bool bringToFront = task->HotKeyBringToFront;
        RunById(entry.ID, true);
        if (bringToFront && Host)
            Host->BringMainWindowToFront();
    }
    return found;
}

bool TMainData::ResetExpiredErrorFlags() {
    const TDateTime now = DateTime::Now();
    bool cleared = false;
    for (const auto& task : Tasks)
        if (task->ResetErrorFlagIfExpired(now))
            cleared = true;
    return cleared;
}

void TMainData::MediaArrived(const QString& drive) {
    TVolumeInfo info;
    if (VolumeInfo)
        VolumeInfo->Read(drive, info);
    if (!MediaCheck)
        return;
    for (const auto& task : Tasks)
        MediaCheck(*task, drive, info.label, info.serial);
}

void SaveAllSettings(const TMainData& data) {
    TStoreTransaction transaction;
    SaveGlobalSettings();
    data.SaveAll();
}
