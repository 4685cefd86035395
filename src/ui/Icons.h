#pragma once

#include <QIcon>

#include "model/Task.h"

// The pictures of the window, drawn at run time so that the program ships no image files.
namespace Icons {

QIcon Application();
// A task by its action (backup, synchronize, move).
QIcon TaskAction(TTaskAction action);
// The state pictures of the task list: running, paused and error flag.
QIcon Running();
QIcon Paused();
QIcon ErrorFlag();
QIcon Group();
QIcon AllTasks();

}  // namespace Icons
